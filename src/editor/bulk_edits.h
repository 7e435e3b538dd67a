#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "editor/editor.h"
#include "editor/names_csv.h"

namespace zem {

// The edits that change many items at once. Each is one undo step holding
// only what it changed, and none when nothing did.

// Names[i] becomes the name of item `first` + i of `table`.
void PasteNames(Editor& editor, NameTable table, int first, const std::vector<std::string>& names);
// Empties the names of the items `numbers` of `table`.
void ClearNames(Editor& editor, NameTable table, const std::vector<int>& numbers);
// A names file's entries; how many names changed.
int ImportNames(Editor& editor, const std::vector<NameEntry>& entries);

// What importing a names file did: the file as read (csv.error set when it
// was refused and nothing changed) and how many names changed.
struct NamesImport {
  NamesCsv csv;
  int changed = 0;
  // "3 names changed, 2 names cut to 15 characters".
  std::string Summary() const;
};
// The window's File > Import Names... and 'zemctl names --set' alike: reads
// a names file's bytes (ReadNamesCsv) and, unless they are refused, applies
// them as one step.
NamesImport ImportNamesFile(Editor& editor, std::string_view bytes);

// Zone `from`'s whole audio record (DSP mode, bands, bass, treble, volume,
// balance, lowpass, system EQ preset, whether it has audio settings at all)
// into each zone of `to` within the unit's count.
void CopyZoneAudio(Editor& editor, int from, const std::vector<int>& to);

// Every cell of the rectangle between grid cells `a` and `b` of the groups
// or restrictions matrix becomes the opposite of what `anchor` holds, "X"
// cells and cells beyond the counts left alone.
void ToggleMarkRange(Editor& editor, MarkGrid grid, GridCellPos a, GridCellPos b, GridCellPos anchor);

// The popup's choice `letter` for the zones `firstZone` to `lastZone` of
// the favorites grid's column `source`, each as for one cell.
void ConnectFavoriteRange(Editor& editor, int source, int firstZone, int lastZone, std::string_view letter);
// Favorite `from`'s routing into favorite `to` (its name kept), with the
// restrictions applied.
void CopyFavorite(Editor& editor, int from, int to);

}  // namespace zem
