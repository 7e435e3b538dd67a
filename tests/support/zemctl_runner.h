#pragma once

// Runs the real zemctl binary (ZEMCTL_PATH) while the event loop keeps
// serving an in-process simulated unit.
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <string>

#include "sim/unit_sim.h"
#include "transfer/file_io.h"

namespace zem::test {

struct Run {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// `locale`, when given, is the LC_ALL zemctl runs in.
inline Run Zemctl(const QStringList& args, int limitMs = 60000, const QString& locale = QString()) {
  QProcess process;
  if (!locale.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(env);
  }
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  process.start(QStringLiteral(ZEMCTL_PATH), args);
  if (process.state() != QProcess::NotRunning) loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return Run{};
  }
  return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

inline QString Host(const UnitSim& sim) { return QStringLiteral("127.0.0.1:%1").arg(sim.TcpPort()); }

// Opens the simulated unit's pty or TCP port and gives zemctl's options for it.
inline bool OpenLink(UnitSim& sim, bool serial, QStringList* link) {
  std::string error;
  if (serial) {
    if (!sim.OpenPty(&error)) return false;
    *link << "--serial" << QString::fromStdString(sim.PtyPath());
  } else {
    if (!sim.ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    *link << "--telnet" << Host(sim);
  }
  return true;
}

inline std::string Read(const QString& path) {
  return ReadWholeFile(path.toStdString(), nullptr).value_or("<missing>");
}

}  // namespace zem::test
