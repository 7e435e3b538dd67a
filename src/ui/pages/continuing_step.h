#pragma once

#include <QObject>
#include <QTimer>
#include <optional>

#include "editor/editor.h"

class QWidget;

namespace zem {

// Makes the changes of one control a single undo step: a slider's drag is
// one step, and so are the keys pressed on a slider or typed into a field
// until the focus leaves it or a second passes without a change.
class ContinuingStep : public QObject {
  Q_OBJECT

 public:
  static constexpr int kQuietMilliseconds = 1000;

  // Belongs to `control`.
  ContinuingStep(Editor& editor, QWidget* control);

  // Call before a change of the control reaches the editor.
  void Changing(StepId id);
  // The step is complete.
  void Finish();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Editor& editor_;
  QWidget* control_;
  QTimer quiet_;
  std::optional<StepId> id_;
};

}  // namespace zem
