// zemctl site: the children, started, watched and ended in the event loop.
#include "cli/zemctl_site_run.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <set>

#include "cli/zemctl_platform.h"

namespace zem {

namespace {

// A child under way: its process, its limit, and what it has said so far.
struct Running {
  std::size_t index = 0;
  std::unique_ptr<QProcess> process;
  std::unique_ptr<QTimer> limit;
  SiteChildResult result;
  bool outCut = false;
  bool errCut = false;
};

// Keeps at most kSiteChildOutputMax bytes of a stream: a child that floods
// cannot fill this process's memory.
void Take(QProcess& process, QProcess::ProcessChannel channel, std::string& into, bool& cut) {
  process.setReadChannel(channel);
  const QByteArray bytes = process.readAll();
  const std::size_t room = kSiteChildOutputMax - std::min(kSiteChildOutputMax, into.size());
  into.append(bytes.constData(), std::min(room, static_cast<std::size_t>(bytes.size())));
  if (static_cast<std::size_t>(bytes.size()) > room) cut = true;
}

}  // namespace

bool RunSiteChildren(const QString& program, const std::vector<SiteChild>& children, int jobs,
                     const std::function<void(std::size_t, SiteChildResult&)>& ended) {
  jobs = std::clamp(jobs, 1, kSiteJobsMax);
  WatchInterrupts();
  std::vector<bool> started(children.size(), false);
  std::vector<std::unique_ptr<Running>> running;
  std::set<std::string> portsInUse;
  QEventLoop loop;
  int interruptsSeen = 0;
  // Something happened that the loop below must look at; set also when it
  // happens before the loop waits (a child that cannot start at all).
  bool woken = false;
  const auto wake = [&] {
    woken = true;
    loop.quit();
  };

  const auto finish = [&](Running& r) {
    Take(*r.process, QProcess::StandardOutput, r.result.out, r.outCut);
    Take(*r.process, QProcess::StandardError, r.result.err, r.errCut);
    if (r.errCut) r.result.err += "\n[more output left out]\n";
    if (r.result.ending == SiteChildResult::Ending::NotStarted) {
      const bool exited =
          r.process->exitStatus() == QProcess::NormalExit && r.process->error() != QProcess::FailedToStart;
      r.result.ending = exited ? SiteChildResult::Ending::Exited : SiteChildResult::Ending::Crashed;
      r.result.status = exited ? r.process->exitCode() : -1;
    }
    portsInUse.erase(children[r.index].serialPort);
    ended(r.index, r.result);
  };

  // Starts what may start now: in order, within `jobs`, a port at a time.
  const auto startMore = [&] {
    for (std::size_t i = 0; i < children.size() && interruptsSeen == 0; ++i) {
      if (started[i] || static_cast<int>(running.size()) >= jobs) continue;
      const SiteChild& child = children[i];
      if (!child.serialPort.empty() && portsInUse.count(child.serialPort)) continue;
      started[i] = true;
      if (!child.serialPort.empty()) portsInUse.insert(child.serialPort);
      auto r = std::make_unique<Running>();
      r->index = i;
      r->process = std::make_unique<QProcess>();
      r->limit = std::make_unique<QTimer>();
      Running* raw = r.get();
      DetachFromTerminalInterrupt(*raw->process);
      QObject::connect(raw->process.get(), &QProcess::readyReadStandardOutput, [raw] {
        Take(*raw->process, QProcess::StandardOutput, raw->result.out, raw->outCut);
      });
      QObject::connect(raw->process.get(), &QProcess::readyReadStandardError,
                       [raw] { Take(*raw->process, QProcess::StandardError, raw->result.err, raw->errCut); });
      QObject::connect(raw->process.get(), &QProcess::finished, &loop, wake);
      QObject::connect(raw->process.get(), &QProcess::errorOccurred, &loop, [wake](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) wake();
      });
      raw->limit->setSingleShot(true);
      QObject::connect(raw->limit.get(), &QTimer::timeout, [raw] {
        raw->result.ending = SiteChildResult::Ending::TimedOut;
        raw->process->kill();
      });
      raw->limit->start(child.limitMs);
      raw->process->start(program, child.args);
      running.push_back(std::move(r));
    }
  };

  QTimer watch;  // Ctrl+C is noticed here, a few times a second
  QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
    if (InterruptCount() == interruptsSeen) return;
    interruptsSeen = InterruptCount();
    const bool first = interruptsSeen < 2;
    for (const auto& r : running) {
      if (r->process->state() == QProcess::NotRunning) continue;
      if (!first) {
        r->result.ending = SiteChildResult::Ending::Killed;
        r->process->kill();
      } else if (children[r->index].stoppable && InterruptProcess(r->process->processId())) {
        r->result.asked = true;
      }
    }
    wake();
  });
  watch.start(100);

  for (std::size_t i = 0; i < children.size(); ++i) {
    if (!children[i].skip) continue;
    started[i] = true;
    SiteChildResult skipped;
    ended(i, skipped);
  }
  startMore();
  while (!running.empty()) {
    if (!woken) loop.exec();
    woken = false;
    // Every child that ended since: reported, and its place given to the next.
    for (auto it = running.begin(); it != running.end();) {
      if ((*it)->process->state() != QProcess::NotRunning) {
        ++it;
        continue;
      }
      (*it)->limit->stop();
      finish(**it);
      it = running.erase(it);
    }
    startMore();
  }
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (started[i]) continue;
    SiteChildResult notStarted;
    ended(i, notStarted);
  }
  return interruptsSeen > 0;
}

}  // namespace zem
