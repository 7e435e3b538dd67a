// The window importing a file of full configurations in File Mode (the
// argument: how many, one after another; 1 and 40): the longest stall of its event loop while the text areas
// fill, how long until it answers again with everything shown, and its memory idle and after the import. Each
// case runs once; run one case per process
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

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

std::string ConfigurationsText(std::int64_t copies) {
  const std::string one = zem::bench::FullConfigText();
  std::string text;
  text.reserve(one.size() * static_cast<std::size_t>(copies));
  for (std::int64_t i = 0; i < copies; ++i) text += one;
  return text;
}

std::string LargeFileText() { return ConfigurationsText(kConfigurations); }

// Runs the event loop for `ms` milliseconds.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void BM_WindowImport(benchmark::State& state) {
  const QString path = QDir::temp().filePath("zem-bench-window-import.zem");
  const std::string text = ConfigurationsText(state.range(0));
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
BENCHMARK(BM_WindowImport)->Arg(1)->Arg(40)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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

// File > Import of a FIFO and File > Export to one, the peer coming late and
// then going slowly (2 KiB a millisecond), or at full speed: the longest
// stall of the window's event loop while it waits and reads or writes.
// state.range(0): 0 import from a slow writer, 1 import from a fast writer
// of the large file, 2 export to a slow reader, 3 the same export to a
// regular file: the export's own work, for comparison.
void BM_WindowFifo(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string fifo = QDir::temp().filePath("zem-bench-window-fifo").toStdString();
  const std::string text = kind == 1 ? LargeFileText() : zem::bench::FullConfigText();
  for (auto _ : state) {
    ::unlink(fifo.c_str());
    if (::mkfifo(fifo.c_str(), 0600) != 0) {
      state.SkipWithError("cannot make the FIFO");
      return;
    }
    zem::Editor editor(QDir::tempPath().toStdString());
    zem::ScriptedPrompts prompts;
    zem::MainWindow window(editor, prompts);
    window.show();
    if (kind >= 2) {
      editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
      if (kind == 3) ::unlink(fifo.c_str());
      prompts.saveAnswers.push_back(fifo);
      prompts.confirmAnswers.push_back(true);  // "exists. Overwrite?"
    } else {
      prompts.openAnswers.push_back(fifo);
    }
    RunFor(300);
    std::thread peer([&] {
      if (kind == 3) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the peer comes late
      const int fd = ::open(fifo.c_str(), (kind >= 2 ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
      char buffer[2048];
      for (std::size_t at = 0;;) {
        const ssize_t n = kind == 2
                              ? ::read(fd, buffer, sizeof buffer)
                              : ::write(fd, text.data() + at,
                                        std::min<std::size_t>(kind == 1 ? 1 << 20 : 2048, text.size() - at));
        if (n <= 0 || (kind != 2 && (at += static_cast<std::size_t>(n)) == text.size())) break;
        if (kind != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      ::close(fd);
    });
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longest = 0, took = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longest = std::max(longest, clock.elapsed() - lastTick);
      lastTick = clock.elapsed();
    });
    ticker.start();
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
      lastTick = clock.elapsed();
      window.findChild<QAction*>(kind >= 2 ? "Export1" : "Import1")->trigger();
      took = clock.elapsed();
      longest = std::max(longest, took - lastTick);
      loop.quit();
    });
    loop.exec();
    ticker.stop();
    peer.join();
    state.counters["transfer_ms"] = static_cast<double>(took);
    state.counters["stall_max_ms"] = static_cast<double>(longest);
    if (window.Controller().LastOutcome() != zem::TransferController::Outcome::Completed &&
        window.Controller().LastOutcome() != zem::TransferController::Outcome::Incomplete)
      state.SkipWithError("the transfer did not complete");
  }
  ::unlink(fifo.c_str());
}
BENCHMARK(BM_WindowFifo)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
