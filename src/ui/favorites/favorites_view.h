#pragma once

#include <QWidget>
#include <string_view>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QListWidget;
class QMenu;

namespace zem {

class MatrixGridWidget;

// The page TabSheet2: shows the editor's state and sends the user's actions to
// the page logic.
class FavoritesView : public QWidget {
  Q_OBJECT

 public:
  FavoritesView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page.
  void SyncFromEditor();

  MatrixGridWidget* Grid() const { return grid_; }  // StringGrid1
  QMenu* PopupMenu() const { return popupMenu_; }   // PopupMenu1

 private:
  void AddPopupItem(const char* name, const char* text, std::string_view letter);
  void ShowPopup(QPoint globalPos);
  void SyncFavoriteList();
  void FavoriteRowChanged(int row);

  Editor& editor_;
  Prompts& prompts_;
  MatrixGridWidget* grid_;
  QListWidget* favoriteList_;
  QMenu* popupMenu_;
};

}  // namespace zem
