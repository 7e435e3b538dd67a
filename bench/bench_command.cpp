// Reading a full configuration line by line, with the hand-written matcher
// and with the std::regex forms it replaces, and writing it out again.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "bench/full_config.h"
#include "command/command_reader.h"
#include "command/command_writer.h"
#include "tests/command/regex_reader.h"

namespace {

using zem::ConfigModel;
using zem::TextLog;

// The lines that an import hands to the reader: those opening with '[' or '('
// of `copies` full configurations one after another.
const std::vector<std::string>& ConfigLines(std::int64_t copies = 1) {
  static const std::vector<std::string> one = [] {
    std::vector<std::string> out;
    const std::string text = zem::bench::FullConfigText();
    std::string_view rest = text;
    while (!rest.empty()) {
      std::size_t end = rest.find("\r\n");
      std::string_view line = rest.substr(0, end);
      if (!line.empty() && (line.front() == '[' || line.front() == '(')) out.emplace_back(line);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
    }
    return out;
  }();
  static std::vector<std::string> many;
  if (copies == 1) return one;
  if (many.size() != one.size() * static_cast<std::size_t>(copies)) {
    many.clear();
    for (std::int64_t i = 0; i < copies; ++i) many.insert(many.end(), one.begin(), one.end());
  }
  return many;
}

// Reads every line into one model and one log, as an import does; the
// argument is the number of configurations.
template <void (*Read)(ConfigModel&, TextLog&, std::string_view)>
void ReadAll(benchmark::State& state) {
  const auto& lines = ConfigLines(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    ConfigModel model;
    TextLog receivedText, messageLog;
    zem::ResetModel(model, receivedText, messageLog);
    state.ResumeTiming();
    for (const std::string& line : lines) Read(model, messageLog, line);
    benchmark::DoNotOptimize(model.unit.ZoneCount);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}

void BM_ReadCommand(benchmark::State& state) { ReadAll<zem::ReadCommand>(state); }
void BM_RegexReadCommand(benchmark::State& state) { ReadAll<zem::regex_reader::RegexReadCommand>(state); }

// The matcher alone, without the effects and the log.
void BM_MatchCommand(benchmark::State& state) {
  const auto& lines = ConfigLines();
  for (auto _ : state)
    for (const std::string& line : lines) benchmark::DoNotOptimize(zem::MatchCommand(line));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}

void BM_BuildCommandSequence(benchmark::State& state) {
  ConfigModel model;
  TextLog receivedText, messageLog;
  zem::ResetModel(model, receivedText, messageLog);
  for (const std::string& line : ConfigLines()) zem::ReadCommand(model, messageLog, line);
  std::size_t written = 0;
  for (auto _ : state) {
    std::vector<std::string> sequence = zem::BuildCommandSequence(model);
    written = sequence.size();
    benchmark::DoNotOptimize(sequence.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(written));
  state.counters["lines"] = static_cast<double>(written);
}

BENCHMARK(BM_ReadCommand)->Arg(1)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexReadCommand)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildCommandSequence)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
