// Transfers of a full configuration (16 sources, 192 zones) against the
// simulated unit answering at once: Telnet on 127.0.0.1, serial on a
// pseudo-terminal. The unit runs in this process, on the same event loop.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

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
      return state.SkipWithError("export failed");
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
      return state.SkipWithError("export failed");
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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
