// The whole import of a configuration file without a window: reset, lines
// into the text area, every command read, "X" marks, first items, refresh.
#include <benchmark/benchmark.h>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "full_config.h"

namespace {

void BM_HeadlessImport(benchmark::State& state) {
  const std::string text = zem::bench::FullConfigText();
  zem::Editor editor;
  std::size_t lines = 0;
  for (auto _ : state) {
    editor.ImportFileText(text, "full.zem");
    lines = editor.receivedText.LineCount();
    benchmark::DoNotOptimize(editor.model.ZoneCount);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * lines));
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

}  // namespace

BENCHMARK(BM_HeadlessImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportThenExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshPages)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
