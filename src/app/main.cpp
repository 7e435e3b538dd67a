#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <string>
#include <string_view>

#include "app/quick_eq_folder.h"
#include "editor/editor.h"
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

// --help and --version print and end the program; a mistyped option is
// reported and ends it too.
void ProcessArguments(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads, edits and writes back the configuration of a ZEM multi-zone audio/video matrix\n"
      "over a serial port or Telnet, and keeps configurations as *.zem files.\n"
      "Quick EQ files (*.eq) are kept in: " +
      QDir::toNativeSeparators(QuickEQFolder()));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(app);
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
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    ProcessArguments(app);
    return 0;
  }
  QApplication app(argc, argv);
  SetApplicationNames();
  // No display name: Qt would append it to every dialog's caption.
  QGuiApplication::setDesktopFileName(ZEM_APP_ID);
  QApplication::setWindowIcon(QIcon(":/icons/zem-config.png"));
  QApplication::setFont(zem::WindowFont());
  ProcessArguments(app);

  zem::Editor editor(NativePath(QuickEQFolder()));
  zem::QtPrompts prompts;
  zem::MainWindow window(editor, prompts);
  prompts.SetParentWidget(&window);
  window.show();
  return QApplication::exec();
}
