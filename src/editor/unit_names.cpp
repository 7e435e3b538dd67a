#include "editor/unit_names.h"

#include <algorithm>
#include <utility>

#include "command/command_writer.h"

namespace zem {
namespace {

// Calls `f(word, n, name)` for each name of the four tables an export
// writes, in one fixed order.
template <typename Unit, typename F>
void ForEachName(Unit& unit, F f) {
  for (int s = 1; s <= kSources; ++s) f("source", s, unit.SourceNames[s]);
  for (int z = 1; z <= kZones; ++z) f("zone", z, unit.ZoneNames[z]);
  for (int n = 1; n <= kFavorites; ++n) f("favorite", n, unit.FavoriteNames[n]);
  for (int n = 1; n <= kGroups; ++n) f("group", n, unit.GroupNames[n]);
}

constexpr std::size_t kNameCount = kSources + kZones + kFavorites + kGroups;

}  // namespace

bool HoldsUnreturnedLetters(std::string_view name) {
  return std::any_of(name.begin(), name.end(),
                     [](char c) { return !UnitReturnsByte(static_cast<unsigned char>(c)); });
}

std::string AsUnitReturns(std::string_view name) {
  std::string kept;
  kept.reserve(name.size());
  for (const char c : name)
    if (UnitReturnsByte(static_cast<unsigned char>(c))) kept += c;
  return kept;
}

std::string ComparedWithoutLettersNote(std::size_t names) {
  if (names == 1) return "1 name holds letters a unit cannot return; it was compared without them";
  return std::to_string(names) + " names hold letters a unit cannot return; they were compared without them";
}

UnitConfiguration WithSentNames(UnitConfiguration read, const UnitConfiguration& sent) {
  std::vector<const std::string*> sentNames;
  sentNames.reserve(kNameCount);
  ForEachName(sent, [&](const char*, int, const std::string& name) { sentNames.push_back(&name); });
  std::size_t i = 0;
  ForEachName(read, [&](const char*, int, std::string& held) {
    const std::string& name = *sentNames[i++];
    const std::string written = WrittenName(name);
    if (HoldsUnreturnedLetters(written) && WrittenName(AsUnitReturns(written)) == WrittenName(held))
      held = name;
  });
  return read;
}

std::size_t UnreturnedNamesWatch::Update(const UnitConfiguration& unit, std::string* first) {
  const bool known = !holds_.empty();
  std::vector<bool> now;
  now.reserve(kNameCount);
  std::size_t gained = 0;
  ForEachName(unit, [&](const char* word, int n, const std::string& name) {
    // As written: cut, and a name left empty is written as a blank.
    const bool holds = HoldsUnreturnedLetters(std::string_view(name).substr(0, kNameLength));
    if (holds && known && !holds_[now.size()] && gained++ == 0 && first)
      *first = std::string(word) + " " + std::to_string(n);
    now.push_back(holds);
  });
  holds_ = std::move(now);
  return gained;
}

std::string EnteredUnreturnedNote(std::size_t names, const std::string& first) {
  if (names == 1)
    return " 1 name holds letters a unit cannot return (" + first +
           "): a read of the unit gives it without them";
  return " " + std::to_string(names) +
         " names hold letters a unit cannot return: a read of the unit gives them without them";
}

}  // namespace zem
