#include "editor/bulk_edits.h"

#include <algorithm>
#include <utility>

namespace zem {

namespace {

StepKind TableStep(NameTable table, bool paste) {
  switch (table) {
    case NameTable::Zones:
      return paste ? StepKind::PasteZoneNames : StepKind::ClearZoneNames;
    case NameTable::Sources:
      return paste ? StepKind::PasteSourceNames : StepKind::ClearSourceNames;
    case NameTable::Favorites:
      return paste ? StepKind::PasteFavoriteNames : StepKind::ClearFavoriteNames;
    case NameTable::Groups:
      break;
  }
  return paste ? StepKind::PasteGroupNames : StepKind::ClearGroupNames;
}

// The entries written as step `id`; names that changed reach the lists and
// labels of the other pages.
void NamesStep(Editor& editor, StepId id, const std::vector<NameEntry>& entries) {
  const bool changed = editor.Change([&](ConfigModel& model) {
    bool applied = false;
    editor.Step(id, [&] { applied = ApplyNames(model.unit, entries) > 0; });
    return applied;
  });
  if (changed) editor.RefreshPages();
}

}  // namespace

void PasteNames(Editor& editor, NameTable table, int first, const std::vector<std::string>& names) {
  std::vector<NameEntry> entries;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int number = first + static_cast<int>(i);
    if (number < 1 || number > NameTableSize(table)) break;
    entries.push_back(NameEntry{table, number, CutName(names[i])});
  }
  if (entries.empty()) return;
  NamesStep(editor, StepId{TableStep(table, true), 0, 0, static_cast<int>(entries.size())}, entries);
}

void ClearNames(Editor& editor, NameTable table, const std::vector<int>& numbers) {
  std::vector<NameEntry> entries;
  for (const int number : numbers)
    if (number >= 1 && number <= NameTableSize(table)) entries.push_back(NameEntry{table, number, {}});
  if (entries.empty()) return;
  NamesStep(editor, StepId{TableStep(table, false), 0, 0, static_cast<int>(entries.size())}, entries);
}

int ImportNames(Editor& editor, const std::vector<NameEntry>& entries) {
  // The step is named after the names that change.
  const int changed = ChangedNames(editor.model.unit, entries);
  if (changed > 0) NamesStep(editor, StepId{StepKind::ImportNames, 0, 0, changed}, entries);
  return changed;
}

std::string NamesImport::Summary() const {
  std::string text = std::to_string(changed) + (changed == 1 ? " name changed" : " names changed");
  for (const std::string& note : csv.Notes()) text += ", " + note;
  return text;
}

NamesImport ImportNamesFile(Editor& editor, std::string_view bytes) {
  NamesImport import{ReadNamesCsv(bytes, editor.model.unit), 0};
  if (!import.csv.error.empty()) return import;
  editor.EndStep();
  import.changed = ImportNames(editor, import.csv.entries);
  return import;
}

std::string AudioPartsName(int parts) {
  if ((parts & kCopyAllAudio) == kCopyAllAudio) return "Audio";
  std::string name;
  for (const auto& [part, word] :
       {std::pair{kCopyEQ, "EQ"}, {kCopyVolume, "Volume"}, {kCopyBalance, "Balance"}}) {
    if (!(parts & part)) continue;
    if (!name.empty()) name += " and ";
    name += word;
  }
  return name;
}

bool TakesWholeAudioRecord(const ZoneAudioRec& target, int parts) {
  // With the EQ part the zone takes the copied DSP mode, as readable as the
  // copied zone's own.
  return target.EQUsed == 0 || (!(parts & kCopyEQ) && target.DSPMode < 0);
}

CopyAudioResult CopyZoneAudio(Editor& editor, int from, const std::vector<int>& to, int parts) {
  UnitConfiguration& unit = editor.model.unit;
  const int zones = std::min(unit.ZoneCount, kZones);
  parts &= kCopyAllAudio;
  if (from < 1 || from > zones || parts == 0) return {};
  std::vector<int> targets;
  for (const int z : to)
    if (z >= 1 && z <= zones && z != from) targets.push_back(z);
  if (targets.empty()) return {};
  CopyAudioResult result{static_cast<int>(targets.size()), 0};
  const ZoneAudioRec source = unit.ZoneAudio[from];
  editor.Change([&](ConfigModel&) {
    bool changed = false;
    editor.Step(StepId{StepKind::CopyAudio, from, parts, result.zones}, [&] {
      for (const int z : targets) {
        ZoneAudioRec copy = unit.ZoneAudio[z];
        if (parts == kCopyAllAudio) {
          copy = source;
        } else if (TakesWholeAudioRecord(copy, parts)) {
          copy = source;
          ++result.wholeRecord;
        } else {
          if (parts & kCopyEQ) {
            copy.DSPMode = source.DSPMode;
            copy.Band = source.Band;
            copy.Bass = source.Bass;
            copy.Treble = source.Treble;
            copy.Lowpass = source.Lowpass;
            copy.SystemEQ = source.SystemEQ;
          }
          if (parts & kCopyVolume) copy.Volume = source.Volume;
          if (parts & kCopyBalance) copy.Balance = source.Balance;
        }
        if (unit.ZoneAudio[z] == copy) continue;
        unit.ZoneAudio[z] = copy;
        changed = true;
      }
    });
    return changed;
  });
  return result;
}

std::string CopyAudioStatus(int from, int parts, const CopyAudioResult& result) {
  const auto zones = [](int n) { return std::to_string(n) + (n == 1 ? " zone" : " zones"); };
  std::string text =
      " " + AudioPartsName(parts) + " of zone " + std::to_string(from) + " copied to " + zones(result.zones);
  if (result.wholeRecord > 0)
    text += "; " + zones(result.wholeRecord) + " without audio settings or DSP mode took the whole record";
  return text;
}

bool IsBlankName(std::string_view name) { return name.find_first_not_of(' ') == std::string_view::npos; }

std::string ListedName(std::string_view name, std::string_view word, int number) {
  return IsBlankName(name) ? std::string(word) + " " + std::to_string(number) : std::string(name);
}

void ToggleMarkRange(Editor& editor, MarkGrid grid, GridCellPos a, GridCellPos b, GridCellPos anchor) {
  const GridCellPos first{std::min(a.Column, b.Column), std::min(a.Row, b.Row)};
  const GridCellPos last{std::max(a.Column, b.Column), std::max(a.Row, b.Row)};
  const StepKind kind = grid == MarkGrid::Groups ? StepKind::GroupRange : StepKind::RestrictionRange;
  editor.Step(StepId{kind, 0, 0, last.Row - first.Row + 1},
              [&] { editor.matrix.ToggleRange(grid, first, last, anchor); });
}

void ConnectFavoriteRange(Editor& editor, int source, int firstZone, int lastZone, Route route) {
  const int favorite = editor.model.screen.CurrentFavorite;
  const int first = std::min(firstZone, lastZone);
  const int last = std::max(firstZone, lastZone);
  editor.Step(StepId{StepKind::FavoriteRange, favorite, 0, last - first + 1},
              [&] { editor.favorites.ConnectColumn(source, first, last, route); });
}

void CopyFavorite(Editor& editor, int from, int to) {
  if (from == to) return;
  editor.Step(StepId{StepKind::CopyFavorite, from, to}, [&] { editor.favorites.CopyFavorite(from, to); });
}

}  // namespace zem
