// Transfers of a full configuration (16 sources, 192 zones) against the
// simulated unit answering at once: Telnet on 127.0.0.1, serial on a
// pseudo-terminal. The unit runs in this process, on the same event loop.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "transfer/scripted_prompts.h"
#include "transfer/transfer_controller.h"

namespace {

using namespace zem;

const std::vector<std::string>& FullConfig() {
  static const std::vector<std::string> lines = GenerateConfiguration(16, 192);
  return lines;
}

struct Bench {
  Editor editor;
  ScriptedPrompts prompts;
  TransferController ctl{editor, prompts};
  UnitSim sim;

  explicit Bench(SimOptions o) : sim(std::move(o)) {}
  bool Telnet() {
    std::string error;
    if (!sim.ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(sim.TcpPort()));
    ctl.ChooseTelnetMode();
    return ctl.CheckedMode() == TransferController::Mode::Telnet;
  }
  bool Serial() {
    std::string error;
    if (!sim.OpenPty(&error)) return false;
    prompts.portAnswers.push_back(sim.PtyPath());
    ctl.ChooseSerialMode();
    return ctl.Serial().IsPortOpen();
  }
};

SimOptions Serving(const std::vector<std::string>& lines) {
  SimOptions o;
  o.configLines = lines;
  return o;
}

void BM_TelnetExport(benchmark::State& state) {
  Bench b(Serving(FullConfig()));
  if (!b.Telnet()) return state.SkipWithError("cannot listen");
  b.editor.ImportFileText(ZemFileText(FullConfig()), "full.zem");
  std::int64_t lines = 0;
  for (auto _ : state) {
    b.ctl.ExportConfiguration();
    if (b.ctl.LastOutcome() != TransferController::Outcome::Completed)
      return state.SkipWithError(
          ("export failed: " + b.editor.status.Text() + " " + b.ctl.LastFailure()).c_str());
    lines += b.ctl.LinesSent();
  }
  state.counters["lines"] = static_cast<double>(b.ctl.LinesSent());
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TelnetExport)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_TelnetImport(benchmark::State& state) {
  Bench b(Serving(FullConfig()));
  if (!b.Telnet()) return state.SkipWithError("cannot listen");
  for (auto _ : state) {
    b.ctl.ImportConfiguration();
    if (b.ctl.LastOutcome() != TransferController::Outcome::Completed)
      return state.SkipWithError("import failed");
  }
  state.counters["lines"] = static_cast<double>(b.editor.receivedText.LineCount());
}
BENCHMARK(BM_TelnetImport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SerialExport(benchmark::State& state) {
  Bench b(Serving(FullConfig()));
  if (!b.Serial()) return state.SkipWithError("cannot open a pty");
  b.editor.ImportFileText(ZemFileText(FullConfig()), "full.zem");
  std::int64_t lines = 0;
  for (auto _ : state) {
    b.ctl.ExportConfiguration();
    if (b.ctl.LastOutcome() != TransferController::Outcome::Completed)
      return state.SkipWithError(
          ("export failed: " + b.editor.status.Text() + " " + b.ctl.LastFailure()).c_str());
    lines += b.ctl.LinesSent();
  }
  state.counters["lines"] = static_cast<double>(b.ctl.LinesSent());
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SerialExport)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// At 9600 bps a full configuration takes about a minute to arrive; what
// matters is that nothing is lost and how soon after the last byte the
// import is complete.
void BM_SerialImportPaced(benchmark::State& state) {
  SimOptions o = Serving(FullConfig());
  o.pace = true;
  Bench b(o);
  if (!b.Serial()) return state.SkipWithError("cannot open a pty");
  QElapsedTimer clock;
  qint64 lastByte = 0;
  QObject::connect(&b.sim, &UnitSim::OutputDrained, [&] { lastByte = clock.elapsed(); });
  std::vector<std::string> expected = FullConfig();
  expected.push_back("(QX)");
  for (auto _ : state) {
    clock.start();
    b.ctl.ImportConfiguration();
    const qint64 done = clock.elapsed();
    state.counters["after_last_byte_ms"] = static_cast<double>(done - lastByte);
    state.counters["bytes_per_s"] = static_cast<double>(b.editor.receivedText.ByteCount()) * 1000.0 /
                                    static_cast<double>(std::max<qint64>(lastByte, 1));
  }
  std::size_t lost = 0;
  const std::vector<std::string> got = b.editor.receivedText.Lines();
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (i >= got.size() || got[i] != expected[i]) ++lost;
  state.counters["lines"] = static_cast<double>(got.size());
  state.counters["lines_lost"] = static_cast<double>(lost);
  if (b.ctl.LastOutcome() != TransferController::Outcome::Completed) state.SkipWithError("import incomplete");
}
BENCHMARK(BM_SerialImportPaced)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// Sending only the changes to a unit at 9600 bps, against a full export: the
// example configuration (16 sources, 192 zones) imported from its file, the
// simulated unit paced both ways on a pseudo-terminal. Argument: 0 the full
// export, 1 one zone's ten EQ bands, 2 ten zone names, 3 one favorite cell,
// 4 one restriction added. A full export takes about a minute.
std::string ExampleText() {
  std::ifstream in(ZEM_SOURCE_DIR "/examples/full-16x192.zem", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Makes the edit of `change` (1 to 4) to `u`; what it did, in words.
std::string Edit(UnitConfiguration& u, int change) {
  switch (change) {
    case 1:
      for (int z = 1; z <= u.ZoneCount; ++z) {
        ZoneAudioRec& a = u.ZoneAudio[z];
        if (a.EQUsed == 0 || a.DSPMode != 1) continue;
        for (int b = 1; b <= kBands; ++b)
          a.Band[b] = static_cast<std::int8_t>(a.Band[b] < 10 ? a.Band[b] + 1 : 9);
        return "zone " + std::to_string(z) + ": ten EQ bands";
      }
      return {};
    case 2:
      for (int z = 1; z <= 10; ++z) u.ZoneNames[z] = "Renamed " + std::to_string(z);
      return "ten zone names";
    case 3: {
      // Not favorite 1: the favorites page holds that one's working copy.
      Route& cell = u.FavoriteStore.Cell(2, 1, 1);
      cell = cell == Route::None ? Route::Combined : Route::None;
      return "favorite 2, zone 1, source 1";
    }
    case 4:
      for (int z = 1; z <= u.ZoneCount; ++z)
        for (int s = 1; s <= u.SourceCount; ++s)
          if (u.RestrictionMark(z, s) != "R") {
            u.RestrictionMark(z, s) = "R";
            return "restriction zone " + std::to_string(z) + " source " + std::to_string(s);
          }
      return {};
    default:
      return "full export";
  }
}

void BM_PacedSerialChanges(benchmark::State& state) {
  const int change = static_cast<int>(state.range(0));
  SimOptions o;
  o.pace = true;
  Bench b(o);
  if (!b.Serial()) return state.SkipWithError("cannot open a pty");
  b.editor.ImportFileText(ExampleText(), "full-16x192.zem");
  if (!b.editor.HasConfiguration()) return state.SkipWithError("example not read");
  const UnitConfiguration base = b.editor.model.unit;
  std::string what;
  b.editor.Change([&](ConfigModel& m) { return !(what = Edit(m.unit, change)).empty(); });
  if (what.empty()) return state.SkipWithError("no such edit in the example");
  const std::vector<std::string> lines = BuildChangedCommands(base, b.editor.model.unit);
  for (auto _ : state) {
    b.sim.ClearRecord();
    if (change == 0) {
      b.ctl.ExportConfiguration();
    } else {
      b.ctl.ExportLines(lines);
    }
    if (b.ctl.LastOutcome() != TransferController::Outcome::Completed || b.ctl.ErrorReplies() > 0)
      return state.SkipWithError(
          ("export failed: " + b.editor.status.Text() + " " + b.ctl.LastFailure()).c_str());
  }
  state.SetLabel(what);
  state.counters["lines"] = static_cast<double>(b.ctl.LinesSent());
  state.counters["bytes_out"] = static_cast<double>(b.sim.BytesTaken());
  state.counters["bytes_back"] = static_cast<double>(b.sim.BytesSent());
}
BENCHMARK(BM_PacedSerialChanges)->DenseRange(0, 4)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// Live over TCP: from a volume step (the slider's value change) to the
// unit's answer, which LiveEdit waits for when the line is free.
void BM_LiveTcpStep(benchmark::State& state) {
  Bench b(Serving(FullConfig()));
  if (!b.Telnet()) return state.SkipWithError("cannot listen");
  b.editor.ImportFileText(ZemFileText(FullConfig()), "full.zem");
  b.editor.unitBaseline.Remember(b.ctl.LinkKey(), b.editor.model.unit);
  if (!b.ctl.StartLive()) return state.SkipWithError(("Live not on: " + b.editor.status.Text()).c_str());
  b.editor.zoneAudio.ZoneChosen(1);
  std::vector<double> ms;
  int step = 0;
  for (auto _ : state) {
    QElapsedTimer since;
    since.start();
    b.editor.zoneAudio.SetVolumePosition(-(++step % 60));
    b.ctl.LiveEdit();
    ms.push_back(static_cast<double>(since.nsecsElapsed()) / 1e6);
    if (!b.ctl.LiveOn()) return state.SkipWithError(b.editor.status.Text().c_str());
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  b.ctl.StopLive();
}
BENCHMARK(BM_LiveTcpStep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(500);

// Live on the paced pseudo-terminal (9600 bps): a volume slider dragged
// through 40 values in 2 seconds. Counted: the lines the unit got, and the
// time from the last move to the answer to the last line (the unit then
// holds the final value).
void BM_LivePacedDrag(benchmark::State& state) {
  SimOptions o = Serving(FullConfig());
  o.pace = true;
  Bench b(o);
  if (!b.Serial()) return state.SkipWithError("cannot open a pty");
  b.editor.ImportFileText(ZemFileText(FullConfig()), "full.zem");
  b.editor.unitBaseline.Remember(b.ctl.LinkKey(), b.editor.model.unit);
  if (!b.ctl.StartLive()) return state.SkipWithError(("Live not on: " + b.editor.status.Text()).c_str());
  b.editor.zoneAudio.ZoneChosen(1);
  double settle = 0;
  for (auto _ : state) {
    b.sim.ClearRecord();
    int moves = 0;
    QElapsedTimer sinceLast;
    QTimer drag;
    drag.setInterval(50);
    QObject::connect(&drag, &QTimer::timeout, [&] {
      b.editor.zoneAudio.SetVolumePosition(-10 - ++moves);
      if (moves == 40) {
        drag.stop();
        sinceLast.start();
      }
      b.ctl.LiveEdit();
    });
    drag.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (moves == 40 && b.ctl.LiveWaiting() == 0) loop.quit();
    });
    poll.start(1);
    loop.exec();
    settle = static_cast<double>(sinceLast.nsecsElapsed()) / 1e9;
    if (!b.ctl.LiveOn()) return state.SkipWithError(b.editor.status.Text().c_str());
  }
  state.counters["lines"] = static_cast<double>(b.sim.Recorded().size());
  state.counters["settle_s"] = settle;
  b.ctl.StopLive();
}
BENCHMARK(BM_LivePacedDrag)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
