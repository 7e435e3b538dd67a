// zemctl site against many simulated units in this process: a whole
// status or backup of 1 and of 20 units over TCP (the full example each,
// answered at once: the work is then the processes' own), and of 1, 16 and
// 20 units paced at 9600 bps over TCP and on pseudo-terminals (the small
// example each: the unit's line is the wait, as with real units). The units run concurrently, so 20 should
// take little longer than one, up to the 16 units zemctl runs at once.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <vector>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"

namespace zem {
namespace {

std::vector<std::string> Example(const char* name) {
  QFile file(QStringLiteral(ZEM_SOURCE_DIR "/examples/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ConfigurationLines(file.readAll().toStdString());
}

// `count` units serving `example`, and a site file naming them all.
struct Site {
  QTemporaryDir dir;
  std::vector<std::unique_ptr<UnitSim>> units;
  QString path;
  bool Make(int count, bool serial, bool paced, const char* example) {
    if (!dir.isValid() ||
        !QFile::copy(QStringLiteral(ZEM_SOURCE_DIR "/examples/") + example, dir.filePath("u.zem")))
      return false;
    SimOptions o;
    o.configLines = Example(example);
    o.pace = paced;
    QString list;
    for (int i = 0; i < count; ++i) {
      units.push_back(std::make_unique<UnitSim>(o));
      std::string error;
      QString link;
      if (serial) {
        if (!units.back()->OpenPty(&error)) return false;
        link = QString("{\"serial\": \"%1\"}").arg(QString::fromStdString(units.back()->PtyPath()));
      } else {
        if (!units.back()->ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
        link = QString("{\"telnet\": \"127.0.0.1:%1\"}").arg(units.back()->TcpPort());
      }
      list += QString("%1{\"name\": \"u%2\", \"link\": %3, \"file\": \"u.zem\"}")
                  .arg(i ? ",\n" : "")
                  .arg(i)
                  .arg(link);
    }
    path = dir.filePath("bench.zemsite");
    QFile site(path);
    return site.open(QIODevice::WriteOnly) &&
           site.write(QString("{\"name\": \"Bench\", \"units\": [\n%1]}\n").arg(list).toUtf8()) > 0;
  }
};

// Runs zemctl site with the event loop going, so the units answer.
bool RunSite(const QStringList& args) {
  QProcess p;
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(600000, &loop, &QEventLoop::quit);
  p.start(QStringLiteral(ZEMCTL_PATH), args);
  if (!p.waitForStarted()) return false;
  loop.exec();
  return p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void SiteRun(benchmark::State& state, const char* command, bool serial, bool paced = false) {
  const int count = static_cast<int>(state.range(0));
  Site site;
  if (!site.Make(count, serial, paced, paced ? "small-8x24.zem" : "full-16x192.zem"))
    return state.SkipWithError("cannot set up the units");
  for (auto _ : state) {
    QStringList args{"site", command, site.path, "--json"};
    args << (QString(command) == "backup" ? "--into" : "--reads") << site.dir.filePath("out");
    if (!RunSite(args)) return state.SkipWithError("zemctl site failed");
  }
  state.counters["units"] = count;
}

void BM_SiteStatusTcp(benchmark::State& state) { SiteRun(state, "status", false); }
void BM_SiteBackupTcp(benchmark::State& state) { SiteRun(state, "backup", false); }
void BM_SiteStatusPacedTcp(benchmark::State& state) { SiteRun(state, "status", false, true); }
void BM_SiteStatusPacedSerial(benchmark::State& state) { SiteRun(state, "status", true, true); }
void BM_SiteBackupPacedSerial(benchmark::State& state) { SiteRun(state, "backup", true, true); }

BENCHMARK(BM_SiteStatusTcp)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SiteBackupTcp)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SiteStatusPacedTcp)
    ->Arg(1)
    ->Arg(16)
    ->Arg(20)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_SiteStatusPacedSerial)
    ->Arg(1)
    ->Arg(16)
    ->Arg(20)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_SiteBackupPacedSerial)->Arg(1)->Arg(20)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zem

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
