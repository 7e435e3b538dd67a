#pragma once

// Runs the real zemctl binary (ZEMCTL_PATH) as a user runs it, and the file
// helpers its tests share. The event loop runs while zemctl does, so a
// simulated unit in the test process keeps answering it.
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <csignal>

namespace zem::test {

struct Run {
  int status = -1;  // -1 when zemctl crashed or did not end in time
  QByteArray out;
  QByteArray err;
};

// Limits zemctl runs under; the first three only when not 0.
struct Limits {
  rlim_t fileSize = 0;  // as on a disk that fills after that many bytes (EFBIG), or `ulimit -f`
  rlim_t memory = 0;    // address space, so a regression cannot eat the machine
  uid_t user = 0;       // run as this user (and group of the same number): needs root
  int timeMs = 60000;   // a run still going then has hung: it is killed
  QString stderrTo{};   // when given, standard error goes there (a terminal, say), not to Run::err
};

// `locale`, when given, is the LC_ALL zemctl runs in.
inline Run Zemctl(const QStringList& args, Limits limits = {}, const QString& locale = QString()) {
  QProcess p;
  if (!locale.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    p.setProcessEnvironment(env);
  }
  p.setChildProcessModifier([limits] {
    if (limits.user &&
        (::setgroups(0, nullptr) != 0 || ::setgid(limits.user) != 0 || ::setuid(limits.user) != 0))
      ::_exit(127);
    if (limits.fileSize) {
      // As in a shell after `ulimit -f`: the signal is left as it is, so
      // zemctl must not die of it.
      ::signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{limits.fileSize, limits.fileSize};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (limits.memory) {
      const rlimit limit{limits.memory, limits.memory};
      ::setrlimit(RLIMIT_AS, &limit);
    }
  });
  if (!limits.stderrTo.isEmpty()) p.setStandardErrorFile(limits.stderrTo);
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(limits.timeMs, &loop, &QEventLoop::quit);
  p.start(QStringLiteral(ZEMCTL_PATH), args);
  if (p.state() != QProcess::NotRunning) loop.exec();
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished();
    return Run{};
  }
  if (p.error() == QProcess::FailedToStart) return Run{};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

// A file that cannot be read reads as "<missing>", so it never matches an
// empty output.
inline QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void Write(const QString& path, QByteArrayView bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes.data(), bytes.size()), bytes.size());
}

inline QString Source(const char* relative) { return QStringLiteral(ZEM_SOURCE_DIR "/") + relative; }

}  // namespace zem::test
