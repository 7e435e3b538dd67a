// The undo history's memory on the full example after 500 slider steps, and
// what one step costs in time. The figures are counters: the history's own
// count of its bytes, the heap it holds as the allocator sees it, and for
// comparison one whole copy of the unit's configuration.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "editor/editor.h"
#include "support/example_file.h"

namespace {

std::string FullExample() { return zem::test::ExampleText("full-16x192.zem"); }

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Steps of the volume slider, each of three key presses, on zone after zone.
void SliderSteps(zem::Editor& editor, int steps) {
  for (int n = 0; n < steps; ++n) {
    const int zone = n % zem::kZones + 1;
    editor.zoneAudio.ZoneChosen(zone - 1);
    const int start = editor.zoneAudio.VolumePosition();
    const int direction = start > -70 ? -1 : 1;
    for (int key = 1; key <= 3; ++key) {
      editor.BeginStep(zem::StepId{zem::StepKind::Volume, zone});
      editor.zoneAudio.SetVolumePosition(start + key * direction);
    }
    editor.EndStep();
  }
}

void BM_HistoryAfter500SliderSteps(benchmark::State& state) {
  const std::string text = FullExample();
  double historyBytes = 0, heapBytes = 0, copyBytes = 0;
  for (auto _ : state) {
    auto editor = std::make_unique<zem::Editor>();
    editor->ImportFileText(text, "full-16x192.zem");
    const std::size_t before = HeapInUse();
    SliderSteps(*editor, 500);
    heapBytes = static_cast<double>(HeapInUse() - before);
    historyBytes = static_cast<double>(editor->history.Bytes());
    const std::size_t beforeCopy = HeapInUse();
    auto copy = std::make_unique<zem::UnitConfiguration>(editor->model.unit);
    copyBytes = static_cast<double>(HeapInUse() - beforeCopy);
    benchmark::DoNotOptimize(copy.get());
    if (editor->history.Size() != 500)
      state.SkipWithError(("steps: " + std::to_string(editor->history.Size())).c_str());
  }
  state.counters["history_bytes"] = historyBytes;
  state.counters["heap_bytes"] = heapBytes;
  state.counters["whole_copy_bytes"] = copyBytes;
}
BENCHMARK(BM_HistoryAfter500SliderSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

// One step of each size: a slider's, and Restrict All with its favorites.
void BM_OneSliderStep(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(FullExample(), "full-16x192.zem");
  for (auto _ : state) SliderSteps(editor, 1);
}
BENCHMARK(BM_OneSliderStep)->Unit(benchmark::kMicrosecond);

void BM_RestrictAllAndUndo(benchmark::State& state) {
  zem::Editor editor;
  editor.ImportFileText(FullExample(), "full-16x192.zem");
  for (auto _ : state) {
    editor.Step(zem::StepId{zem::StepKind::RestrictAll}, [&] { editor.matrix.RestrictAll(); });
    editor.Undo();
  }
  state.counters["step_bytes"] = static_cast<double>(editor.history.Bytes());
}
BENCHMARK(BM_RestrictAllAndUndo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
