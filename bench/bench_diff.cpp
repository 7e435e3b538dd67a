// The comparison of two full configurations: the core alone on two imported
// models, and the whole of 'zemctl diff' on two files' texts (two imports,
// the comparison, the lines as printed).
#include <benchmark/benchmark.h>

#include "cli/zemctl.h"
#include "editor/config_diff.h"
#include "editor/editor.h"
#include "full_config.h"

namespace {

// The full configuration with every `every`-th zone renamed and turned down,
// and the front panel locked: about 2 * 192 / every + 1 differences.
std::string Mutated(int every) {
  std::string text = zem::bench::FullConfigText();
  for (int z = every; z <= 192; z += every) {
    const std::string name = "[NO" + std::to_string(z) + "\"Room number ";
    const std::size_t at = text.find(name);
    if (at != std::string::npos) text.replace(at + name.size(), 0, "x");
    const std::string volume = "[VO" + std::to_string(z) + "R-";
    const std::size_t v = text.find(volume);
    if (v != std::string::npos) text.replace(v + volume.size(), 0, "1");
  }
  const std::size_t lock = text.find("[FPL0]");
  if (lock != std::string::npos) text[lock + 4] = '1';
  return text;
}

std::vector<std::string> DiffLines(const std::string& a, const std::string& b) {
  zem::Editor before;
  zem::Editor after;
  before.ImportFileText(a, "a.zem");
  after.ImportFileText(b, "b.zem");
  std::vector<std::string> lines;
  for (const auto& d : zem::CompareConfigurations(before.model, after.model))
    lines.push_back(zem::TerminalText(zem::DifferenceLine(d)));
  return lines;
}

void BM_CompareCore(benchmark::State& state) {
  zem::Editor before;
  zem::Editor after;
  before.ImportFileText(zem::bench::FullConfigText(), "a.zem");
  after.ImportFileText(Mutated(static_cast<int>(state.range(0))), "b.zem");
  const zem::ConfigModel& a = before.model;
  const zem::ConfigModel& b = after.model;
  std::size_t differences = 0;
  for (auto _ : state) {
    const auto found = zem::CompareConfigurations(a, b);
    differences = found.size();
    benchmark::DoNotOptimize(found.data());
  }
  state.counters["differences"] = static_cast<double>(differences);
}

void BM_DiffTwoFiles(benchmark::State& state) {
  const std::string a = zem::bench::FullConfigText();
  const std::string b = Mutated(static_cast<int>(state.range(0)));
  std::size_t lines = 0;
  for (auto _ : state) {
    const auto printed = DiffLines(a, b);
    lines = printed.size();
    benchmark::DoNotOptimize(printed.data());
  }
  state.counters["lines"] = static_cast<double>(lines);
}

}  // namespace

// 1: every zone changed; 16: a few.
BENCHMARK(BM_CompareCore)->Arg(16)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffTwoFiles)->Arg(16)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
