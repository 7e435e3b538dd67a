#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

// One side's value of a difference as data, for scripts: nothing (the export
// writes no such value), a number, an on/off flag or a text (names as their
// plain bytes, neither quoted nor escaped).
struct DifferenceValue {
  enum class Kind : std::uint8_t { None, Number, Flag, Text };
  Kind kind = Kind::None;
  long long number = 0;  // Number; Flag: 0 off, 1 on
  std::string text;      // Text

  bool operator==(const DifferenceValue&) const = default;
};

// What a difference is of, in the order the comparison goes through them.
enum class DiffTable : std::uint8_t {
  Sources,  // the source count
  Zones,    // the zone count
  Source,
  Zone,
  Restriction,
  Group,
  Favorite,
  EQPreset,
  Options,
};

// The table's word as lines and scripts see it ("sources", "zone",
// "EQ preset"...); what `zemctl diff --json` gives as "table".
std::string_view DiffTableWord(DiffTable table);

struct ConfigDifference {
  DiffTable table = DiffTable::Options;
  std::vector<int> indices;  // the numbers as the user sees them (zone 12, favorite 3 ...), outermost first
  std::string field;         // e.g. "name", "volume", "band 6"; may be empty
  std::string before;        // the value as worded in the line (single-byte text)
  std::string after;
  DifferenceValue beforeValue;  // the same values as data
  DifferenceValue afterValue;
};

// What a comparison looks at.
enum class ComparisonScope : std::uint8_t {
  // What an export writes: the counts and every table within them.
  Exported,
  // That, and what a unit reports but an export does not carry: the EQ
  // presets and the zones' volume locks.
  WithUnitOnly,
};

// How names are compared. A read of a unit drops the letters of a name
// beyond plain ASCII (bytes outside 32-126), so a configuration is compared
// with one read from a unit by its names as the unit returns them; two files
// are compared byte for byte.
enum class NameBytes : std::uint8_t { Exact, AsUnitReturns };

// Every difference from `before` to `after`, in a stable order (table by table, then by number).
std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after);
std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after,
                                                    ComparisonScope scope);
// The same, names compared as `names` says; `withoutLetters` (when given)
// becomes how many names held letters that were left out of the comparison.
// A differing name is worded as each side holds it.
std::vector<ConfigDifference> CompareConfigurations(const ConfigModel& before, const ConfigModel& after,
                                                    ComparisonScope scope, NameBytes names,
                                                    std::size_t* withoutLetters = nullptr);

// Two configurations compared as the window's Compare and `zemctl diff`
// report them: when either side was read from a unit (`fromUnit`), names
// are compared as the unit returns them, and `namesNote` (when given)
// becomes the note saying how many names held letters left out, or empty.
std::vector<ConfigDifference> CompareForReport(const ConfigModel& before, const ConfigModel& after,
                                               ComparisonScope scope, bool fromUnit, std::string* namesNote);

// One line, no line end: `zone 12 name: "Patio" -> "Deck"`. Single-byte text; bytes below 32,
// 127, '"' and '\' inside names are escaped (\xNN, \", \\) so a line can never break or
// carry terminal control sequences. Bytes 128-255 are kept as they are.
std::string DifferenceLine(const ConfigDifference& difference);

// A name as the lines quote it: `"Deck"`, with the escapes above.
std::string QuotedName(const std::string& name);

// Whether a faithful unit sent `sent` whole would hold what `sent` has for
// this difference from `sent` to what the unit holds.
bool ExportSets(const ConfigDifference& difference, const ConfigModel& sent);
// The differences from `sent` to what a unit holds after an export of `sent`,
// worded as CompareConfigurations words them, without the values an export of
// `sent` does not set (their number goes to `leftOut`, when given). Names
// are compared as the unit returns them (`withoutLetters` as above).
std::vector<ConfigDifference> DifferencesAfterExport(const ConfigModel& sent, const ConfigModel& unit,
                                                     std::size_t* leftOut = nullptr,
                                                     std::size_t* withoutLetters = nullptr);

}  // namespace zem
