#include "ui/favorites/favorites_view.h"

#include <QListWidget>
#include <QSignalBlocker>

#include "editor/bulk_edits.h"
#include "transfer/latin1.h"
#include "ui/matrix/color_swatch_widget.h"
#include "ui/matrix/matrix_grid_widget.h"
#include "ui/pages/choice_dialog.h"
#include "ui/pages/page_controls.h"

namespace zem {

namespace {
constexpr int kListItemHeight = 13;
}

FavoritesView::FavoritesView(Editor& editor, QWidget* parent)
    : MatrixPageView(editor, "TabSheet2",
                     {GridKind::Favorites, "StringGrid1", "Favorites matrix", QRect(55, 28, 538, 329),
                      "Label1", "Sources", "Label2"},
                     parent) {
  pages::MakeLabel(this, "Label3", "Favorites", 616, 10, true);
  grid_->SetActivateKeys(MatrixGridWidget::ActivateKeys::OpenMenu);

  favoriteList_ = new QListWidget(this);
  favoriteList_->setObjectName("ListBox1");
  favoriteList_->setAccessibleName("Favorites");
  favoriteList_->setGeometry(608, 28, 73, 137);
  favoriteList_->setUniformItemSizes(true);
  favoriteList_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Long names are cut at the edge, not shortened with an ellipsis.
  favoriteList_->setTextElideMode(Qt::ElideNone);
  favoriteList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  pages::MakeLabel(this, "Label47", "Legend", 616, 199, true);
  const QColor buttonFace = ButtonFace(palette());
  AddSwatch(this, "Shape1", grid_colors::kWhite, 603, 218);
  pages::MakeLabel(this, "Label43", "No connect", 625, 218);
  AddSwatch(this, "Shape2", grid_colors::kLightGreen, 603, 237);
  pages::MakeLabel(this, "Label44", "Audio/Video", 625, 237);
  AddSwatch(this, "Shape3", grid_colors::kAqua, 603, 256);
  pages::MakeLabel(this, "Label45", "Audio Only", 625, 256);
  AddSwatch(this, "Shape4", grid_colors::kYellow, 603, 275);
  pages::MakeLabel(this, "Label46", "Video Only", 625, 275);
  AddSwatch(this, "Shape5", grid_colors::kLightRed, 603, 294);
  pages::MakeLabel(this, "Label48", "Restricted", 625, 294);
  AddSwatch(this, "Shape9", buttonFace, 603, 313);
  pages::MakeLabel(this, "Label70", "Not Used", 625, 313);

  // Built once and shown with popup(), so nothing waits in a menu loop.
  // Each item answers the letter it begins with.
  popupMenu_ = new LetterMenu(this);
  popupMenu_->setObjectName("PopupMenu1");
  AddPopupItem("AAudioOnly1", "A) Audio Only", Route::Audio, Qt::Key_A);
  AddPopupItem("CCombinedAV1", "C) Combined A/V", Route::Combined, Qt::Key_C);
  AddPopupItem("VVideoOnly1", "V) Video Only", Route::Video, Qt::Key_V);
  AddPopupItem("NoConnection1", "No Connection", Route::None, Qt::Key_N);

  connect(grid_, &MatrixGridWidget::CellClicked, this, [this](int column, int row) {
    editor_.favorites.CellClicked(column, row);
    grid_->Refresh();
  });
  connect(grid_, &MatrixGridWidget::CellDoubleClicked, this, [this](int column, int row) {
    editor_.Step(CellStep(row), [&] { editor_.favorites.CellDoubleClicked(column, row); });
    grid_->Refresh();
  });
  connect(grid_, &MatrixGridWidget::CellRightPressed, this,
          [this](int column, int row) { editor_.favorites.CellRightPressed(column, row); });
  connect(grid_, &MatrixGridWidget::ContextMenuRequest, this, [this](QPoint globalPos, bool fromKeyboard) {
    if (fromKeyboard && grid_->isEnabled()) editor_.favorites.PopupOpenedFromKeyboard();
    ShowPopup(globalPos);
  });
  connect(favoriteList_, &QListWidget::currentRowChanged, this, &FavoritesView::FavoriteRowChanged);
  grid_->SetOneColumn(true);
  AddDialogMenu(
      favoriteList_, "FavoriteListMenu", "FavoriteListCopy", "Copy Favorite To...",
      [this] { return CanCopyFavorite(); }, [this] { OpenCopyFavoriteDialog(); });
  AddFindBar(true);

  SyncFromEditor();
}

void FavoritesView::AddPopupItem(const char* name, const char* text, Route route, Qt::Key key) {
  QAction* action = popupMenu_->addAction(QString::fromLatin1(text));
  action->setObjectName(QString::fromLatin1(name));
  popupMenu_->SetLetter(action, key);
  connect(action, &QAction::triggered, this, [this, route] {
    if (PopupOnRange()) {
      const GridCellPos first = grid_->SelectionFirst();
      ConnectFavoriteRange(editor_, first.Column, first.Row, grid_->SelectionLast().Row, route);
      grid_->Refresh();
      return;
    }
    const ScreenState& screen = editor_.Model().screen;
    const GridCellPos selected = grid_->SelectedCell();
    const GridCellPos target = screen.PopupFromMouse ? screen.PopupCell : selected;
    editor_.Step(CellStep(target.Row), [&] { editor_.favorites.PopupItemChosen(route, selected); });
    grid_->Refresh();
  });
}

bool FavoritesView::PopupOnRange() const {
  if (!grid_->RangeSelected()) return false;
  const ScreenState& screen = editor_.Model().screen;
  if (!screen.PopupFromMouse) return true;
  const GridCellPos first = grid_->SelectionFirst();
  const GridCellPos last = grid_->SelectionLast();
  const GridCellPos at = screen.PopupCell;
  return at.Column >= first.Column && at.Column <= last.Column && at.Row >= first.Row && at.Row <= last.Row;
}

ChoiceDialog* FavoritesView::OpenCopyFavoriteDialog() {
  if (!CanCopyFavorite()) return nullptr;
  const UnitConfiguration& unit = editor_.Model().unit;
  const int from = editor_.Model().screen.CurrentFavorite;
  std::vector<ChoiceDialog::Item> favorites;
  for (int f = 1; f <= kFavorites; ++f)
    if (f != from)
      favorites.push_back({f, std::to_string(f) + " " + ListedName(unit.FavoriteNames[f], "Favorite", f)});
  auto* dialog = new ChoiceDialog(window(), "CopyFavoriteDialog", "Copy Favorite",
                                  QString("Copy the routing of favorite %1 (%2) to:")
                                      .arg(from)
                                      .arg(Latin1(ListedName(unit.FavoriteNames[from], "Favorite", from))),
                                  "CopyFavoriteTargets", favorites, false);
  connect(dialog, &QDialog::accepted, this, [this, dialog, from] {
    const std::vector<int> chosen = dialog->Chosen();
    if (chosen.size() != 1 || editor_.Model().screen.CurrentFavorite != from) return;
    CopyFavorite(editor_, from, chosen.front());
    editor_.status.Set(" Favorite " + std::to_string(from) + " copied to favorite " +
                       std::to_string(chosen.front()));
    grid_->Refresh();
  });
  dialog->open();
  return dialog;
}

StepId FavoritesView::CellStep(int zone) const {
  return StepId{StepKind::FavoriteCell, editor_.Model().screen.CurrentFavorite, zone};
}

void FavoritesView::ShowPopup(QPoint globalPos) {
  if (!grid_->isEnabled()) return;
  popupMenu_->popup(globalPos);
}

void FavoritesView::FavoriteRowChanged(int row) {
  if (row < 0) return;
  editor_.favorites.FavoriteChosen(row);
  grid_->Refresh();
}

void FavoritesView::SyncFavoriteList() {
  const QSignalBlocker blocker(favoriteList_);
  const ListState& favorites = editor_.Model().screen.FavoriteList;
  const int count = static_cast<int>(favorites.Items.size());
  if (favoriteList_->count() != count) {
    favoriteList_->clear();
    for (int i = 0; i < count; ++i) {
      auto* item = new QListWidgetItem(favoriteList_);
      item->setSizeHint(QSize(0, kListItemHeight));
    }
  }
  for (int i = 0; i < count; ++i) {
    const std::string& name = favorites.Items[static_cast<std::size_t>(i)];
    favoriteList_->item(i)->setText(Latin1(name));
  }
  favoriteList_->setCurrentRow(favorites.HasSelection() ? favorites.Selected : -1);
}

void FavoritesView::SyncFromEditor() {
  SyncFavoriteList();
  MatrixPageView::SyncFromEditor();
}

}  // namespace zem
