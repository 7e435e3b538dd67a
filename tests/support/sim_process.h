#pragma once

// zem-unit-sim run as a program of its own, as a user runs it, for tests of
// the Telnet link against another process. ZEM_SIM_COMMAND names the program
// (scripts/windows/test.sh hands the Windows tests, run under wine, a
// wrapper of the Linux one); without it, the one of this build. What it
// prints goes to a file: a Linux program started from wine writes to a file
// but not to a pipe.
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <string>
#include <vector>

namespace zem::test {

class SimProcess {
 public:
  SimProcess() = default;
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  // Under wine a Linux program cannot be ended from here: its wrapper ends it.
  ~SimProcess() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  static QString Program() {
    const QString given = qEnvironmentVariable("ZEM_SIM_COMMAND");
    return given.isEmpty() ? QStringLiteral(ZEM_UNIT_SIM_PATH) : given;
  }

  // Starts it on a free port of 127.0.0.1 and waits for the port it prints;
  // false, with what it said, when it ends or says nothing within 30 s.
  bool Start(const QStringList& arguments) {
    if (!dir_.isValid()) return Said("no temporary folder");
    process_.setProgram(Program());
    process_.setArguments(QStringList{"--port", "0"} + arguments);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(dir_.filePath("out.txt"));
    process_.setStandardErrorFile(dir_.filePath("err.txt"));
#ifdef Q_OS_WIN
    // Qt asks for no console window when it has none itself, and wine then
    // gives a Linux program no standard handles.
    process_.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* a) { a->flags &= ~kCreateNoWindow; });
#endif
    process_.start();
    if (!process_.waitForStarted(30000)) return Said(process_.errorString());
    const bool listening = QTest::qWaitFor(
        [this] {
          Read();
          return port_ != 0 || process_.state() == QProcess::NotRunning;
        },
        30000);
    if (listening && port_ != 0) return true;
    QFile err(dir_.filePath("err.txt"));
    return Said(
        QString::fromLocal8Bit(output_ + (err.open(QIODevice::ReadOnly) ? err.readAll() : QByteArray())));
  }

  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

  // The commands it printed as received (control bytes and bytes 127-255
  // as \xNN), once it has printed `count` of them, or after 30 s.
  std::vector<std::string> Received(std::size_t count) {
    const bool all = QTest::qWaitFor(
        [&] {
          Read();
          return received_.size() >= count;
        },
        30000);
    if (!all) qWarning("%zu commands received, not %zu", received_.size(), count);
    return received_;
  }

 private:
  bool Said(const QString& what) const {
    qWarning("%s: %s", qPrintable(Program()), qPrintable(what));
    return false;
  }

  // Reads its output again from the start: what it prints is small.
  void Read() {
    QFile file(dir_.filePath("out.txt"));
    if (!file.open(QIODevice::ReadOnly)) return;
    output_ = file.readAll();
    port_ = 0;
    received_.clear();
    const std::string listening = "Listening on 127.0.0.1:", received = "received: ";
    // Whole lines only: the last may still be being written.
    const QByteArray whole = output_.left(output_.lastIndexOf('\n') + 1);
    for (QByteArray text : whole.split('\n')) {
      const std::string line = text.replace("\r", "").toStdString();
      if (line.rfind(listening, 0) == 0) port_ = std::atoi(line.c_str() + listening.size());
      if (line.rfind(received, 0) == 0) received_.push_back(line.substr(received.size()));
    }
  }

  static constexpr unsigned long kCreateNoWindow = 0x08000000;  // CREATE_NO_WINDOW

  QTemporaryDir dir_;
  QProcess process_;
  QByteArray output_;
  int port_ = 0;
  std::vector<std::string> received_;
};

}  // namespace zem::test
