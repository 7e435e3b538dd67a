#include "ui/pages/continuing_step.h"

#include <QAbstractSlider>
#include <QEvent>
#include <QWidget>

namespace zem {

ContinuingStep::ContinuingStep(Editor& editor, QWidget* control)
    : QObject(control), editor_(editor), control_(control) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMilliseconds);
  connect(&quiet_, &QTimer::timeout, this, [this] {
    // A drag held still is still one drag.
    const auto* slider = qobject_cast<QAbstractSlider*>(control_);
    if (slider && slider->isSliderDown())
      quiet_.start();
    else
      Finish();
  });
  if (auto* slider = qobject_cast<QAbstractSlider*>(control))
    connect(slider, &QAbstractSlider::sliderReleased, this, &ContinuingStep::Finish);
  control->installEventFilter(this);
}

void ContinuingStep::Changing(StepId id) {
  // The editor closes a different open step itself.
  editor_.BeginStep(id);
  id_ = id;
  quiet_.start();
}

void ContinuingStep::Finish() {
  quiet_.stop();
  if (id_ && editor_.history.OpenStep() == id_) editor_.EndStep();
  id_.reset();
}

bool ContinuingStep::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control_ && (event->type() == QEvent::FocusOut || event->type() == QEvent::Hide)) Finish();
  return QObject::eventFilter(watched, event);
}

}  // namespace zem
