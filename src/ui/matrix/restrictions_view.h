#pragma once

#include <QWidget>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QPushButton;

namespace zem {

class MatrixGridWidget;

// The page TabSheet4: shows the editor's state and sends the user's actions to
// the page logic.
class RestrictionsView : public QWidget {
  Q_OBJECT

 public:
  RestrictionsView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page.
  void SyncFromEditor();

  MatrixGridWidget* Grid() const { return grid_; }  // StringGrid4

 private:
  Editor& editor_;
  Prompts& prompts_;
  MatrixGridWidget* grid_;
};

}  // namespace zem
