#pragma once

#include <QWidget>

#include "editor/editor.h"
#include "transfer/prompts.h"

namespace zem {

class MatrixGridWidget;

// The page TabSheet7: shows the editor's state and sends the user's actions to
// the page logic.
class GroupsView : public QWidget {
  Q_OBJECT

 public:
  GroupsView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page.
  void SyncFromEditor();

  MatrixGridWidget* Grid() const { return grid_; }  // StringGrid7

 private:
  Editor& editor_;
  Prompts& prompts_;
  MatrixGridWidget* grid_;
};

}  // namespace zem
