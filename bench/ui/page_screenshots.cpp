// Writes pictures of the three matrix pages after a full configuration has
// been loaded: favorites.png, groups.png, restrictions.png.

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "ui/favorites/favorites_view.h"
#include "ui/grid_fixture.h"
#include "ui/matrix/groups_view.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/matrix/restrictions_view.h"
#include "ui/scripted_prompts.h"

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
  if (argc != 2) {
    std::fprintf(stderr, "usage: page_screenshots <folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(QFont("MS Sans Serif", 8));
  const QDir folder(QString::fromLocal8Bit(argv[1]));

  zem::Editor editor;
  zem::testing::ScriptedPrompts prompts;
  zem::testing::ImportFullUnit(editor);
  // A name with bytes above 127, and a selected cell showing the marker.
  editor.model.ZoneNames[2] = "Salle \xE0 manger";
  editor.model.SourceNames[5] = "Radio \xC9t\xE9";
  editor.RefreshPages();
  editor.favorites.StringGrid1Click(5, 3);
  editor.matrix.StringGrid4DblClick(5, 4);
  editor.matrix.StringGrid4DblClick(5, 4);

  zem::FavoritesView favorites(editor, prompts);
  zem::GroupsView groups(editor, prompts);
  zem::RestrictionsView restrictions(editor, prompts);
  const bool ok = Save(favorites, folder, "favorites.png") && Save(groups, folder, "groups.png") &&
                  Save(restrictions, folder, "restrictions.png");
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
