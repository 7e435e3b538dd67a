#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "app/quick_eq_folder.h"
#include "app/settings_store.h"
#include "app/start_console.h"
#include "editor/editor.h"
#include "sheet/sheet_fonts.h"
#include "ui/window/main_window.h"
#include "ui/window/qt_prompts.h"
#include "ui/window/window_font.h"

namespace {

void SetApplicationNames() {
  QCoreApplication::setApplicationName("ZEM Configuration");
  QCoreApplication::setApplicationVersion(ZEM_VERSION);
}

QString QuickEQFolder() {
  return zem::QuickEQFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), ZEM_APP_ID);
}

std::string NativePath(const QString& folder) {
  const QByteArray path = QDir::toNativeSeparators(folder).toLocal8Bit();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

struct StartOptions {
  QString file;  // a configuration to import at the start
  bool noSettings = false;
};

// The bytes of an argument as given: the parser's text lacks bytes that
// are not valid in the locale's encoding, and a file name may hold them.
std::string ArgumentBytes(const QString& argument, int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (QFile::decodeName(argv[i]) == argument) return argv[i];
  return QFile::encodeName(argument).toStdString();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

// Qt's answers to --help, --version and a mistyped option, written by the
// program where Qt would show them in a box (TextOutput::Program).
void AnswerOnStandardStreams(QCommandLineParser& parser, const QCoreApplication& app) {
  if (!parser.parse(app.arguments())) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(parser.errorText()));
    std::exit(1);
  }
  if (parser.isSet("version")) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    std::exit(0);
  }
  if (parser.isSet("help") || parser.isSet("help-all")) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    std::exit(0);
  }
}

// --help and --version print and end the program; a mistyped option or a
// second file is reported and ends it too.
StartOptions ProcessArguments(const QCoreApplication& app, zem::TextOutput output = zem::TextOutput::Qt) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads, edits and writes back the configuration of a ZEM multi-zone audio/video matrix\n"
      "over a serial port or Telnet, and keeps configurations as *.zem files.\n"
      "Quick EQ files (*.eq) are kept in: " +
      QDir::toNativeSeparators(QuickEQFolder()));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption noSettings(
      "no-settings", "Neither read nor write the remembered host, serial port and recent files.");
  parser.addOption(noSettings);
  parser.addPositionalArgument("file", "A configuration (*.zem) to import at the start, in File Mode.",
                               "[file]");
  if (output == zem::TextOutput::Program) AnswerOnStandardStreams(parser, app);
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fprintf(stderr, "zem-config: one file at most, not %lld\n%s", static_cast<long long>(files.size()),
                 qPrintable(parser.helpText()));
    std::exit(1);
  }
  return StartOptions{files.isEmpty() ? QString() : files.front(), parser.isSet(noSettings)};
}

// Whether the command line only asks for text, which needs no display.
bool AsksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == "-h" || a == "--help" || a == "--help-all" || a == "-?" || a == "-v" || a == "--version")
      return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AsksOnlyForText(argc, argv)) {
    const zem::TextOutput output = zem::UseStartingConsole();
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    ProcessArguments(app, output);
    return 0;
  }
  QApplication app(argc, argv);
  SetApplicationNames();
  // No display name: Qt would append it to every dialog's caption.
  QGuiApplication::setDesktopFileName(ZEM_APP_ID);
  QApplication::setWindowIcon(QIcon(":/icons/zem-config.png"));
  zem::LoadFontsBeside(QCoreApplication::applicationDirPath());
  QApplication::setFont(zem::WindowFont());
  const StartOptions options = ProcessArguments(app);
  std::optional<zem::QtSettingsStore> settings;
  if (zem::SettingsWanted(options.noSettings)) settings.emplace(zem::DefaultSettingsFile());

  zem::Editor editor(NativePath(QuickEQFolder()));
  zem::QtPrompts prompts;
  zem::MainWindow window(editor, prompts);
  window.SetExamplesFolder(zem::ExamplesFolder(QCoreApplication::applicationDirPath(), ZEM_APP_ID,
                                               ZEM_INSTALLED_EXAMPLES, ZEM_SOURCE_EXAMPLES));
  prompts.SetParentWidget(&window);
  window.Controller().UseSettingsStore(settings ? &*settings : nullptr);
  window.show();
  if (!options.file.isEmpty()) {
    // Once the window is up, so that an error box has a window to belong to.
    const std::string file = AbsolutePath(ArgumentBytes(options.file, argc, argv));
    QTimer::singleShot(0, &window, [&window, file] { window.OpenConfigurationFile(file); });
  }
  return QApplication::exec();
}
