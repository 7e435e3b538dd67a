#pragma once

#include <QWidget>

#include "editor/editor.h"

class QTableView;

namespace zem {

class NameGridModel;

// The page TabSheet3, "Source / Zone Naming": the zone-name grid StringGrid2
// and the source-name grid StringGrid3. A zone name typed here reaches the
// zone-label column of the three matrix grids at once.
class SourceZoneNamingView : public QWidget {
  Q_OBJECT

 public:
  explicit SourceZoneNamingView(Editor& editor, QWidget* parent = nullptr);
  // Shows the names, the row counts and the enabled state of the editor.
  void SyncFromEditor();

 private:
  Editor& editor_;
  NameGridModel* zoneNames_ = nullptr;
  NameGridModel* sourceNames_ = nullptr;
};

// The page TabSheet6, "Favorite / Group Naming": the favorite-name grid
// StringGrid5 and the group-name grid StringGrid6.
class FavoriteGroupNamingView : public QWidget {
  Q_OBJECT

 public:
  explicit FavoriteGroupNamingView(Editor& editor, QWidget* parent = nullptr);
  void SyncFromEditor();

 private:
  Editor& editor_;
  NameGridModel* favoriteNames_ = nullptr;
  NameGridModel* groupNames_ = nullptr;
};

}  // namespace zem
