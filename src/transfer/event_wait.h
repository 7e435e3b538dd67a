#pragma once

#include <QObject>

class QEventLoop;

namespace zem {

// Handles the window events that are waiting and returns.
void ProcessPendingEvents();

// Waits in the event loop until Wake() is called (data arrived, a link
// closed, a timer ran out, the user cancelled) or `maxMs` passes. Window
// events are handled all the while; nothing sleeps.
class EventWait : public QObject {
  Q_OBJECT

 public:
  explicit EventWait(QObject* parent = nullptr) : QObject(parent) {}

  // Returns after a Wake() or after `maxMs` milliseconds.
  void Wait(int maxMs);

 public slots:
  void Wake();

 private:
  QEventLoop* loop_ = nullptr;
  bool woken_ = false;
};

}  // namespace zem
