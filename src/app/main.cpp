#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "ui/editor/editor.h"
#include "ui/window/form1.h"
#include "ui/window/qt_prompts.h"
#include "ui/window/window_font.h"

namespace {

// Quick EQ files live beside the program; when that folder cannot be written
// (an installed program), in the user's application data folder, which the
// first save creates.
std::string QuickEQFolder() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  const QFileInfo info(programFolder);
  QString folder = programFolder;
  if (!info.isDir() || !info.isWritable())
    folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  const QByteArray path = QDir::toNativeSeparators(folder).toLocal8Bit();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // No display name: Qt would append it to every dialog's caption.
  QApplication::setApplicationName("ZEM Configuration");
  QApplication::setFont(zem::WindowFont());

  zem::Editor editor(QuickEQFolder());
  zem::QtPrompts prompts;
  zem::TForm1 form(editor, prompts);
  prompts.SetParentWidget(&form);
  form.show();
  return QApplication::exec();
}
