#include "editor/bulk_edits.h"

#include <algorithm>

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
  bool changed = false;
  editor.Step(id, [&] { changed = ApplyNames(editor.model.unit, entries) > 0; });
  if (!changed) return;
  editor.revision.Bump();
  editor.RefreshPages();
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

void CopyZoneAudio(Editor& editor, int from, const std::vector<int>& to) {
  UnitConfiguration& unit = editor.model.unit;
  const int zones = std::min(unit.ZoneCount, kZones);
  if (from < 1 || from > zones) return;
  std::vector<int> targets;
  for (const int z : to)
    if (z >= 1 && z <= zones && z != from) targets.push_back(z);
  if (targets.empty()) return;
  bool changed = false;
  editor.Step(StepId{StepKind::CopyAudio, from, 0, static_cast<int>(targets.size())}, [&] {
    for (const int z : targets) {
      if (unit.ZoneAudio[z] == unit.ZoneAudio[from]) continue;
      unit.ZoneAudio[z] = unit.ZoneAudio[from];
      changed = true;
    }
  });
  if (changed) editor.revision.Bump();
}

void ToggleMarkRange(Editor& editor, MarkGrid grid, GridCellPos a, GridCellPos b, GridCellPos anchor) {
  const GridCellPos first{std::min(a.Column, b.Column), std::min(a.Row, b.Row)};
  const GridCellPos last{std::max(a.Column, b.Column), std::max(a.Row, b.Row)};
  const StepKind kind = grid == MarkGrid::Groups ? StepKind::GroupRange : StepKind::RestrictionRange;
  editor.Step(StepId{kind, 0, 0, last.Row - first.Row + 1},
              [&] { editor.matrix.ToggleRange(grid, first, last, anchor); });
}

void ConnectFavoriteRange(Editor& editor, int source, int firstZone, int lastZone, std::string_view letter) {
  const int favorite = editor.model.screen.CurrentFavorite;
  const int first = std::min(firstZone, lastZone);
  const int last = std::max(firstZone, lastZone);
  editor.Step(StepId{StepKind::FavoriteRange, favorite, 0, last - first + 1},
              [&] { editor.favorites.ConnectColumn(source, first, last, letter); });
}

void CopyFavorite(Editor& editor, int from, int to) {
  if (from == to) return;
  editor.Step(StepId{StepKind::CopyFavorite, from, to}, [&] { editor.favorites.CopyFavorite(from, to); });
}

}  // namespace zem
