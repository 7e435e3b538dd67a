#pragma once

// Runs the real zemctl binary (ZEMCTL_PATH) as a user runs it, and the file
// helpers its tests share.
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QtTest>
#include <csignal>

namespace zem::test {

struct Run {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

// Limits zemctl runs under, when not 0.
struct Limits {
  rlim_t fileSize = 0;  // as on a disk that fills after that many bytes (EFBIG), or `ulimit -f`
  rlim_t memory = 0;    // address space, so a regression cannot eat the machine
  uid_t user = 0;       // run as this user (and group of the same number): needs root
};

inline Run Zemctl(const QStringList& args, Limits limits = {}) {
  QProcess p;
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
  p.start(ZEMCTL_PATH, args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

inline QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

inline QString Source(const char* relative) { return QStringLiteral(ZEM_SOURCE_DIR "/") + relative; }

}  // namespace zem::test
