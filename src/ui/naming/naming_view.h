#pragma once

#include <QWidget>

#include "editor/editor.h"

class QTableView;

namespace zem {

class NameGridModel;

// A naming page: two name grids side by side, each under its caption.
class NamingPageView : public QWidget {
  Q_OBJECT

 public:
  // Shows the names, the row counts and the enabled state of the editor.
  void SyncFromEditor();

 protected:
  struct NameColumn {
    NameGridModel* names;
    const char* captionName;
    const char* caption;
    const char* gridName;
    int nameWidth;
    StepKind rename;
  };
  NamingPageView(Editor& editor, const char* pageName, QWidget* parent);
  // Puts the two grids on the page, each edit counted as a change of the
  // configuration, and shows the editor's state; gives the left grid.
  QTableView* AddNameGrids(const NameColumn& left, const NameColumn& right);

  Editor& editor_;

 private:
  NameGridModel* leftNames_ = nullptr;
  NameGridModel* rightNames_ = nullptr;
};

// The page "Source / Zone Naming": the zone-name grid and the source-name
// grid. A zone name typed here reaches the zone-label column of the three
// matrix grids at once.
class SourceZoneNamingView : public NamingPageView {
  Q_OBJECT

 public:
  explicit SourceZoneNamingView(Editor& editor, QWidget* parent = nullptr);
};

// The page "Favorite / Group Naming": the favorite-name grid and the
// group-name grid.
class FavoriteGroupNamingView : public NamingPageView {
  Q_OBJECT

 public:
  explicit FavoriteGroupNamingView(Editor& editor, QWidget* parent = nullptr);
};

}  // namespace zem
