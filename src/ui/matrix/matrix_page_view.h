#pragma once

#include <QRect>
#include <QWidget>

#include "editor/editor.h"
#include "ui/matrix/matrix_grid_model.h"

namespace zem {

class MatrixGridWidget;

// A page built around one matrix grid (favorites, groups, restrictions): it
// shows the editor's state and sends the user's actions to the page logic.
class MatrixPageView : public QWidget {
  Q_OBJECT

 public:
  MatrixGridWidget* Grid() const { return grid_; }
  // Shows the editor's current state in every control of the page.
  virtual void SyncFromEditor();

 protected:
  // Where the grid stands and what its two captions say.
  struct GridLayout {
    GridKind kind;
    const char* gridName;
    const char* accessibleName;
    QRect place;
    const char* columnCaptionName;  // above the grid
    const char* columnCaption;
    const char* rowCaptionName;  // left of the grid
  };
  MatrixPageView(Editor& editor, const char* pageName, const GridLayout& layout, QWidget* parent);

  // The find bar finds zones: it moves the current cell to the zone's row,
  // or with `scrollOnly` just brings the row into view.
  void AddFindBar(bool scrollOnly);

  Editor& editor_;
  MatrixGridWidget* grid_;

 private:
  int foundRow_ = -1;  // where a find that only scrolls stands
};

}  // namespace zem
