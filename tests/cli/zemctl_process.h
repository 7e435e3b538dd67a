#pragma once

// Runs the real zemctl binary (ZEMCTL_PATH) as a user runs it, and the file
// helpers its tests share.
#include <sys/resource.h>

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
  rlim_t fileSize = 0;  // as on a disk that fills after that many bytes (EFBIG)
  rlim_t memory = 0;    // address space, so a regression cannot eat the machine
};

inline Run Zemctl(const QStringList& args, Limits limits = {}) {
  QProcess p;
  p.setChildProcessModifier([limits] {
    if (limits.fileSize) {
      ::signal(SIGXFSZ, SIG_IGN);
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
