#include "transfer/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace zem {

void ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void EventWait::Wait(int maxMs) {
  // A wake that came while nobody waited (bytes arrived during processing)
  // must not be lost: callers test their condition before waiting, so the
  // pending wake only shortens this wait to one pass.
  if (woken_) {
    woken_ = false;
    ProcessPendingEvents();
    return;
  }
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(maxMs < 0 ? 0 : maxMs);
  QEventLoop* outer = loop_;
  loop_ = &loop;
  loop.exec();
  loop_ = outer;
  woken_ = false;
}

void EventWait::Wake() {
  if (loop_) {
    loop_->quit();
  } else {
    woken_ = true;
  }
}

}  // namespace zem
