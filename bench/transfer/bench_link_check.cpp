// The connection check's time to a verdict for each fault the simulated
// unit plays, without the full read: serial on a pseudo-terminal, Telnet on
// 127.0.0.1. The unit runs in this process, on the same event loop.
// Aims: under 3 s for unit, echo, garbled, refused and no-such-port; silent
// and no-answer take their 3 s and 5 s, connect-timeout its 10 s.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpServer>

#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "transfer/link_check.h"
#include "transfer/scripted_prompts.h"
#include "transfer/transfer_controller.h"

namespace {

using namespace zem;

enum Fault { Unit, Silent, Loopback, WrongBaud, HeldPort, NoSuchPort, Refused, FullBacklog };
const char* const kFaultNames[] = {"unit",      "silent",       "loopback", "wrong-baud",
                                   "held-port", "no-such-port", "refused",  "full-backlog"};

void RunCheck(benchmark::State& state, bool serial) {
  const auto fault = static_cast<Fault>(state.range(0));
  qint64 verdictMs = 0;
  std::string code;
  for (auto _ : state) {
    SimOptions o;
    o.configLines = GenerateConfiguration(16, 192);
    o.silent = fault == Silent;
    o.loopback = fault == Loopback;
    o.wrongBaud = fault == WrongBaud;
    o.holdPort = fault == HeldPort;
    UnitSim sim(o);
    Editor editor;
    ScriptedPrompts prompts;
    TransferController ctl(editor, prompts);
    std::string error;
    if (serial) {
      std::string device = "/dev/zem-no-such-port";
      if (fault != NoSuchPort) {
        if (!sim.OpenPty(&error)) return state.SkipWithError(error.c_str());
        device = sim.PtyPath();
      }
      prompts.portAnswers.push_back(device);
      ctl.ChooseSerialMode();
    } else {
      QTcpServer probe;
      if (fault == Refused) {
        probe.listen(QHostAddress::LocalHost, 0);
        prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(probe.serverPort()));
        probe.close();
      } else if (fault == FullBacklog) {
        if (!sim.ListenFullBacklog(0, &error)) return state.SkipWithError(error.c_str());
        prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(sim.TcpPort()));
      } else {
        if (!sim.ListenTcp(0, QHostAddress::LocalHost, &error)) return state.SkipWithError(error.c_str());
        prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(sim.TcpPort()));
      }
      ctl.ChooseTelnetMode();
    }
    const LinkCheckResult result = ctl.CheckConnection(false);
    verdictMs = result.verdictMs;
    code = VerdictInfo(result.verdict).code;
  }
  state.counters["verdict_ms"] = static_cast<double>(verdictMs);
  state.SetLabel(std::string(kFaultNames[fault]) + " -> " + code);
}

void BM_SerialCheck(benchmark::State& state) { RunCheck(state, true); }
BENCHMARK(BM_SerialCheck)
    ->Arg(Unit)
    ->Arg(Silent)
    ->Arg(Loopback)
    ->Arg(WrongBaud)
    ->Arg(HeldPort)
    ->Arg(NoSuchPort)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_TelnetCheck(benchmark::State& state) { RunCheck(state, false); }
BENCHMARK(BM_TelnetCheck)
    ->Arg(Unit)
    ->Arg(Silent)
    ->Arg(Loopback)
    ->Arg(WrongBaud)
    ->Arg(Refused)
    ->Arg(FullBacklog)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
