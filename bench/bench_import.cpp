// The whole import of a configuration file without a window: reset, lines
// into the text area, every command read, "X" marks, first items, refresh.
// The argument is the number of full configurations in the file (1 or 40).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "full_config.h"

namespace {

const std::string& ConfigText(std::int64_t copies) {
  static const std::string one = zem::bench::FullConfigText();
  static std::string many;
  if (copies == 1) return one;
  if (many.size() != one.size() * static_cast<std::size_t>(copies)) {
    many.clear();
    for (std::int64_t i = 0; i < copies; ++i) many += one;
  }
  return many;
}

// The text written to a file named after the benchmark's argument.
std::string WriteConfigFile(std::int64_t copies) {
  const std::string path =
      "/tmp/zem-bench-" + std::to_string(copies) + "-" + std::to_string(::getpid()) + ".zem";
  const std::string& text = ConfigText(copies);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if ((file && std::fclose(file) != 0) || !written) return std::string();
  return path;
}

void BM_HeadlessImport(benchmark::State& state) {
  const std::string& text = ConfigText(state.range(0));
  zem::Editor editor;
  std::size_t lines = 0;
  for (auto _ : state) {
    editor.ImportFileText(text, "full.zem");
    lines = editor.receivedText.LineCount();
    benchmark::DoNotOptimize(editor.model.unit.ZoneCount);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines));
  // The logs as text, and the memory they take.
  state.counters["received_text"] = static_cast<double>(editor.receivedText.ByteCount());
  state.counters["received_held"] = static_cast<double>(editor.receivedText.HeldBytes());
  state.counters["log_text"] = static_cast<double>(editor.messageLog.ByteCount());
  state.counters["log_held"] = static_cast<double>(editor.messageLog.HeldBytes());
}

// What `zemctl check FILE` does after the process has started: read the file,
// import it, print the log (here to /dev/null).
void BM_Check(benchmark::State& state) {
  const std::string path = WriteConfigFile(state.range(0));
  if (path.empty()) {
    state.SkipWithError("cannot write the file to check");
    return;
  }
  // The log goes to /dev/null while measured; the report to the real output.
  std::fflush(stdout);
  const int kept = ::dup(STDOUT_FILENO);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (kept < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) {
    state.SkipWithError("cannot send the log to /dev/null");
    return;
  }
  int status = -1;
  for (auto _ : state) status = zem::RunCheck({path});
  std::fflush(stdout);
  ::dup2(kept, STDOUT_FILENO);
  ::close(kept);
  ::close(null);
  if (status != 0) state.SkipWithError("the check failed");
  std::remove(path.c_str());
}

void BM_ImportThenExport(benchmark::State& state) {
  const std::string text = zem::bench::FullConfigText();
  zem::Editor editor;
  for (auto _ : state) {
    editor.ImportFileText(text, "full.zem");
    benchmark::DoNotOptimize(zem::ZemFileText(editor.PrepareExport()));
  }
}

void BM_RefreshPages(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(zem::bench::FullConfigText(), "full.zem");
  for (auto _ : state) editor.RefreshPages();
}

// A file that is one long line (no line break): the cost must grow with the
// line's length, not faster. The argument is the length in MiB.
void BM_ImportOneLongLine(benchmark::State& state) {
  std::string line;
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  line.reserve(size);
  while (line.size() < size) line += "[NO1\"a long line without end ";
  line.resize(size);
  zem::Editor editor;
  for (auto _ : state) {
    // The file's bytes as zemctl reads them, handed over.
    state.PauseTiming();
    std::string bytes;
    bytes.reserve(size + 2);
    bytes = line;
    state.ResumeTiming();
    editor.ImportFileText(std::move(bytes), "long.zem");
    benchmark::DoNotOptimize(editor.messageLog.ByteCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

}  // namespace

BENCHMARK(BM_HeadlessImport)->Arg(1)->Arg(40)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Check)->Arg(1)->Arg(40)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportThenExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshPages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportOneLongLine)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
