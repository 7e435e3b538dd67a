#pragma once

#include "ui/matrix/matrix_page_view.h"
#include "ui/pages/letter_menu.h"

class QListWidget;

namespace zem {

class ChoiceDialog;

// The "Favorites" page: the favorites matrix, the favorites list and the
// popup menu of connection letters.
class FavoritesView : public MatrixPageView {
  Q_OBJECT

 public:
  explicit FavoritesView(Editor& editor, QWidget* parent = nullptr);
  void SyncFromEditor() override;

  QMenu* PopupMenu() const { return popupMenu_; }

  // Edit > Copy Favorite To... and the favorite list's context menu: a
  // dialog listing the other favorites, whose OK copies the shown
  // favorite's routing to the chosen one in one step.
  ChoiceDialog* OpenCopyFavoriteDialog();
  bool CanCopyFavorite() const { return editor_.PagesEnabled(); }

 private:
  // `key` chooses the item while the popup is open.
  void AddPopupItem(const char* name, const char* text, Route route, Qt::Key key);
  void ShowPopup(QPoint globalPos);
  void SyncFavoriteList();
  void FavoriteRowChanged(int row);
  // A change of a cell in row `zone` of the favorite shown.
  StepId CellStep(int zone) const;
  // Whether the popup's choice goes to the selected range: one is selected
  // and the popup was opened on it.
  bool PopupOnRange() const;

  QListWidget* favoriteList_;
  LetterMenu* popupMenu_;
};

}  // namespace zem
