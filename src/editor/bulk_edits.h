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

// The parts of a zone's audio record that Copy Audio copies, as bits; a
// Copy Audio step's `detail` holds them.
enum AudioParts : int {
  kCopyEQ = 1,  // DSP mode, bands, bass and treble, lowpass, system EQ preset
  kCopyVolume = 2,
  kCopyBalance = 4,
  kCopyAllAudio = kCopyEQ | kCopyVolume | kCopyBalance,
};
// "Audio" for all three parts, else "EQ", "Volume", "EQ and Balance"...
std::string AudioPartsName(int parts);

// Whether copying some `parts` into `target` copies the whole record
// instead: the zone has no audio settings, or it keeps a DSP mode of none,
// under which an export leaves out the copied balance and the volume does
// not read back.
bool TakesWholeAudioRecord(const ZoneAudioRec& target, int parts);

struct CopyAudioResult {
  int zones = 0;        // the zones copied to
  int wholeRecord = 0;  // of them, those that TakesWholeAudioRecord
};
// The `parts` of zone `from`'s audio record into each zone of `to` within
// the unit's count. All three parts, or a zone that TakesWholeAudioRecord,
// take all of it, including whether the zone has audio settings at all.
CopyAudioResult CopyZoneAudio(Editor& editor, int from, const std::vector<int>& to,
                              int parts = kCopyAllAudio);
// The status line after it: " EQ of zone 5 copied to 24 zones; 3 took ...".
std::string CopyAudioStatus(int from, int parts, const CopyAudioResult& result);

// Whether a name is empty or only blanks.
bool IsBlankName(std::string_view name);
// A name as the choice lists show it: a blank one as "Zone 12".
std::string ListedName(std::string_view name, std::string_view word, int number);

// Every cell of the rectangle between grid cells `a` and `b` of the groups
// or restrictions matrix becomes the opposite of what `anchor` holds, "X"
// cells and cells beyond the counts left alone.
void ToggleMarkRange(Editor& editor, MarkGrid grid, GridCellPos a, GridCellPos b, GridCellPos anchor);

// The popup's choice `route` for the zones `firstZone` to `lastZone` of
// the favorites grid's column `source`, each as for one cell.
void ConnectFavoriteRange(Editor& editor, int source, int firstZone, int lastZone, Route route);
// Favorite `from`'s routing into favorite `to` (its name kept), with the
// restrictions applied.
void CopyFavorite(Editor& editor, int from, int to);

}  // namespace zem
