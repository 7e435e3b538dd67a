// The window importing a file of forty full configurations in File Mode:
// the longest stall of its event loop while the text areas fill, how long
// until it answers again with everything shown, and its memory idle and
// after the import. Each case runs once; run one case per process
// (--benchmark_filter) for memory figures of their own.
//
// Counters:
//   file_MiB            the file's size
//   import_ms           the import itself (the menu action, reading and all)
//   stall_max_ms        the longest gap between two passes of the event
//                       loop, the import's own pass included
//   fill_stall_max_ms   the longest gap after the import's pass: the text
//                       areas taking in what the import wrote
//   answering_ms        from the menu action to the end of the last gap
//                       longer than 50 ms
//   rss_idle_MiB        resident memory with the window shown, before
//   rss_after_MiB       resident memory once the window is quiet again
//   rss_growth_per_file resident growth as a multiple of the file's size
//   hwm_MiB             the process's peak resident memory
//
// ZEM_BENCH_HOLD_MS keeps the window shown that long at the end (for a
// screenshot under a real X server: QT_QPA_PLATFORM=xcb).

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <string>

#include "editor/editor.h"
#include "full_config.h"
#include "transfer/scripted_prompts.h"
#include "ui/window/main_window.h"

namespace {

constexpr int kConfigurations = 40;

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double StatusMiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return -1;
}

std::string LargeFileText() {
  const std::string one = zem::bench::FullConfigText();
  std::string text;
  text.reserve(one.size() * kConfigurations);
  for (int i = 0; i < kConfigurations; ++i) text += one;
  return text;
}

// Runs the event loop for `ms` milliseconds.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void BM_WindowImport40(benchmark::State& state) {
  const QString path = QDir::temp().filePath("zem-bench-window-import.zem");
  const std::string text = LargeFileText();
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
      state.SkipWithError("cannot write the file");
      return;
    }
  }
  for (auto _ : state) {
    zem::Editor editor(QDir::tempPath().toStdString());
    zem::ScriptedPrompts prompts;
    zem::MainWindow window(editor, prompts);
    window.show();
    RunFor(300);
    const double idle = StatusMiB("VmRSS");

    prompts.openAnswers.push_back(path.toStdString());
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, started = -1, returned = -1, lastLongGapEnd = 0;
    qint64 longest = 0, longestFill = 0;
    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      const qint64 gap = now - lastTick;
      longest = std::max(longest, gap);
      if (returned >= 0 && lastTick >= returned) longestFill = std::max(longestFill, gap);
      if (gap > 50) lastLongGapEnd = now;
      lastTick = now;
      // Quiet for 1.5 s after the import: done.
      if ((returned >= 0 && now - std::max(returned, lastLongGapEnd) > 1500) || now > 60000) loop.quit();
    });
    ticker.start();
    QTimer::singleShot(20, [&] {
      started = clock.elapsed();
      window.findChild<QAction*>("Import1")->trigger();
      returned = clock.elapsed();
    });
    loop.exec();
    ticker.stop();

    const double fileMiB = static_cast<double>(text.size()) / (1 << 20);
    const double after = StatusMiB("VmRSS");
    state.counters["file_MiB"] = fileMiB;
    state.counters["import_ms"] = static_cast<double>(returned - started);
    state.counters["stall_max_ms"] = static_cast<double>(longest);
    state.counters["fill_stall_max_ms"] = static_cast<double>(longestFill);
    state.counters["answering_ms"] = static_cast<double>(std::max(lastLongGapEnd, returned) - started);
    state.counters["rss_idle_MiB"] = idle;
    state.counters["rss_after_MiB"] = after;
    state.counters["rss_growth_per_file"] = (after - idle) / fileMiB;
    state.counters["hwm_MiB"] = StatusMiB("VmHWM");
    if (editor.status.Text() != " Import Complete") state.SkipWithError("the import did not complete");

    const int hold = qEnvironmentVariableIntValue("ZEM_BENCH_HOLD_MS");
    if (hold > 0) RunFor(hold);
  }
  QFile::remove(path);
}
BENCHMARK(BM_WindowImport40)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same import without a window: the editor's own share of the memory.
void BM_EditorImport40(benchmark::State& state) {
  const std::string text = LargeFileText();
  for (auto _ : state) {
    const double idle = StatusMiB("VmRSS");
    zem::Editor editor(QDir::tempPath().toStdString());
    editor.ImportFileText(text, "large.zem");
    const double after = StatusMiB("VmRSS");
    state.counters["rss_growth_MiB"] = after - idle;
    state.counters["rss_growth_per_file"] = (after - idle) / (static_cast<double>(text.size()) / (1 << 20));
    state.counters["hwm_MiB"] = StatusMiB("VmHWM");
  }
}
BENCHMARK(BM_EditorImport40)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
