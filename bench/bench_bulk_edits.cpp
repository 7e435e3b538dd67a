// The bulk edits on the full example: a paste of 192 zone names, a toggle
// of the whole 16 x 192 restrictions matrix and Copy Audio to 191 zones,
// each one undo step. Each iteration makes the edit (timed) and undoes it
// (not timed); the counter `entries` is what the step holds.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

#include "editor/bulk_edits.h"
#include "support/example_file.h"

namespace {

std::unique_ptr<zem::Editor> FullEditor() {
  auto editor = std::make_unique<zem::Editor>();
  editor->ImportFileText(zem::test::ExampleText("full-16x192.zem"), "full-16x192.zem");
  return editor;
}

void Measure(benchmark::State& state, const std::function<void(zem::Editor&)>& edit) {
  auto editor = FullEditor();
  const zem::UnitConfiguration before = editor->model.unit;
  double entries = 0;
  for (auto _ : state) {
    edit(*editor);
    state.PauseTiming();
    const zem::UnitDiff held = DiffUnits(before, editor->model.unit);
    entries = static_cast<double>(held.names.size() + held.marks.size() + held.favorites.size() +
                                  held.zoneAudio.size());
    if (editor->history.Size() != 1 || !editor->Undo()) state.SkipWithError("not one step");
    editor->history.Clear();
    state.ResumeTiming();
  }
  state.counters["entries"] = entries;
}

void BM_Paste192ZoneNames(benchmark::State& state) {
  std::vector<std::string> names;
  for (int z = 1; z <= zem::kZones; ++z) names.push_back("Suite " + std::to_string(z));
  Measure(state, [&names](zem::Editor& e) { PasteNames(e, zem::NameTable::Zones, 1, names); });
}
BENCHMARK(BM_Paste192ZoneNames)->Unit(benchmark::kMillisecond);

void BM_ToggleRestrictions16x192(benchmark::State& state) {
  Measure(state, [](zem::Editor& e) {
    ToggleMarkRange(e, zem::MarkGrid::Restrictions, {1, 1}, {16, 192}, {1, 1});
  });
}
BENCHMARK(BM_ToggleRestrictions16x192)->Unit(benchmark::kMillisecond);

void BM_CopyAudioTo191Zones(benchmark::State& state) {
  std::vector<int> zones;
  for (int z = 2; z <= zem::kZones; ++z) zones.push_back(z);
  Measure(state, [&zones](zem::Editor& e) { CopyZoneAudio(e, 1, zones); });
}
BENCHMARK(BM_CopyAudioTo191Zones)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
