// Writes pictures of the three matrix pages after a configuration file has
// been imported: favorites.png, groups.png, restrictions.png.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "transfer/scripted_prompts.h"
#include "ui/favorites/favorites_view.h"
#include "ui/matrix/groups_view.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/matrix/restrictions_view.h"

namespace {

bool Save(QWidget& page, const QDir& folder, const char* name) {
  page.resize(689, 381);
  page.show();
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!page.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  page.hide();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: page_screenshots <file.zem> <folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The window's font, with the narrower face that stands in for it here.
  QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
  QApplication::setFont(QFont("MS Sans Serif", 8));
  QFile file(QString::fromLocal8Bit(argv[1]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return EXIT_FAILURE;
  }
  const QByteArray text = file.readAll();
  const QDir folder(QString::fromLocal8Bit(argv[2]));

  zem::Editor editor;
  zem::ScriptedPrompts prompts;
  editor.ImportFileText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                        file.fileName().toStdString());
  // A selected cell showing the marker, and the restriction grid's corner
  // naming a source.
  editor.favorites.CellClicked(5, 3);
  editor.matrix.RestrictionCellDoubleClicked(5, 4);
  editor.matrix.RestrictionCellDoubleClicked(5, 4);

  zem::FavoritesView favorites(editor, prompts);
  zem::GroupsView groups(editor, prompts);
  zem::RestrictionsView restrictions(editor, prompts);
  const bool ok = Save(favorites, folder, "favorites.png") && Save(groups, folder, "groups.png") &&
                  Save(restrictions, folder, "restrictions.png");
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
