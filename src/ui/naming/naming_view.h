#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "editor/editor.h"

class QTableView;

namespace zem {

class FindBar;
class NameGridModel;

// A naming page: two name grids side by side, each under its caption.
class NamingPageView : public QWidget {
  Q_OBJECT

 public:
  // Shows the names, the row counts and the enabled state of the editor.
  void SyncFromEditor();

  // The keyboard's bulk edits of the grid with the focus: Ctrl+C copies the
  // selected names, one a line; Ctrl+V pastes the clipboard's lines from the
  // current row on; Delete empties the selected names. Each is one step.
  void CopyNames(QTableView* grid);
  void PasteNames(QTableView* grid, const QString& text);
  void ClearNames(QTableView* grid);

  // Whether a name's in-place editor is open: until it closes, what it
  // types is no finished edit (Live holds it back).
  bool NameEditorOpen() const;
  // Closes an open in-place editor as Enter does, keeping its text.
  void CloseNameEditor();

  static constexpr const char* kPasteRefused = " Paste refused: line %1 holds a character a name cannot hold";

 signals:
  // A name's in-place editor closed, by Enter, Tab, Escape or leaving it.
  void NameEditorClosed();

 protected:
  struct NameColumn {
    NameGridModel* names;
    const char* captionName;
    const char* caption;
    const char* gridName;
    int nameWidth;
    StepKind rename;
    NameTable table;
  };
  NamingPageView(Editor& editor, const char* pageName, QWidget* parent);
  // Puts the two grids on the page, each edit counted as a change of the
  // configuration, and shows the editor's state; gives the left grid.
  QTableView* AddNameGrids(const NameColumn& left, const NameColumn& right);

  bool eventFilter(QObject* watched, QEvent* event) override;

  Editor& editor_;

 private:
  // The rows of the grid's selected names, in order.
  static std::vector<int> SelectedRows(const QTableView* grid);
  const NameColumn& ColumnOf(const QTableView* grid) const;

  NameGridModel* leftNames_ = nullptr;
  NameGridModel* rightNames_ = nullptr;
  std::array<QTableView*, 2> grids_{};
  std::array<NameColumn, 2> columns_{};
  QTableView* lastGrid_ = nullptr;  // the grid the find bar searches
  FindBar* findBar_ = nullptr;
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
