#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/edit_history.h"
#include "model/config_model.h"

namespace zem {

// Names arrive from spreadsheets and the clipboard as UTF-8 and are kept as
// single-byte Latin-1: here they change between the two forms (the widgets
// show them through transfer/latin1.h).

// Why a text cannot be a name.
enum class NameTextProblem { None, NotUtf8, NotLatin1, ControlByte };
// Strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF)
// into Latin-1 bytes; `latin1` holds the text up to the first problem.
NameTextProblem Utf8ToLatin1(std::string_view utf8, std::string& latin1);
std::string Latin1ToUtf8(std::string_view latin1);

// A paste of clipboard lines into a name grid, from its current row on.
struct NamePaste {
  // The 1-based line that holds a character a name cannot hold: nothing is pasted.
  std::optional<int> refusedLine;
  std::vector<std::string> names;  // one per row from the current one
  int leftOut = 0;                 // lines past the table's end
  int cut = 0;                     // names cut to kNameLength
};
// Splits `utf8` into lines (CR LF, LF or CR; one final line break ignored),
// cuts each at its first tab and to kNameLength as typing would; `rows` is
// how many rows there are from the current one to the table's end.
NamePaste PlanNamePaste(std::string_view utf8, int rows);

// One name of a names file: its table, its number and the name.
struct NameEntry {
  NameTable table;
  int number;
  std::string name;
};

// The names file: a header row "kind,number,name", then one row a name of
// every zone and source within the counts, every favorite and every group;
// UTF-8 with a byte-order mark, CR LF, RFC 4180 quoting. A name beginning
// with = + - @ (a formula to a spreadsheet) or ' is written with one leading
// ', which spreadsheets take as "this is text" and reading takes off. A name
// holding a control byte is left out of the file, and listed in `leftOut`.
std::string NamesCsvText(const UnitConfiguration& unit, std::vector<NameEntry>* leftOut = nullptr);
// How a name left out of the names file is listed: kNameLeftOut, then
// `zone 4 "A\x09B"`.
std::string NameEntryText(const NameEntry& entry);
inline constexpr const char* kNameLeftOut = "Left out of the names file, it holds a control byte: ";
// "zone", "source", "favorite" or "group".
std::string_view NameTableWord(NameTable table);

// A names file for the largest unit is a few KB; one larger than this is
// refused whole.
inline constexpr std::size_t kNamesFileLimit = std::size_t{1} << 20;
inline constexpr const char* kNamesFileTooLarge = "it holds more than 1 MiB, the most a names file may hold";

struct NamesCsv {
  std::vector<NameEntry> entries;
  int cut = 0;    // names cut to kNameLength
  int plain = 0;  // typographic quotes and dashes made plain
  bool windows1252 = false;
  std::string error;  // "line 4: ...": nothing may be taken
  // What a summary of the reading adds: "2 names cut to 15 characters".
  std::vector<std::string> Notes() const;
};
// Reads a names file (with or without a byte-order mark, CR LF or LF) for
// `unit`: numbers must lie within its counts. A file that is not UTF-8 is
// read as Windows-1252; a header kind;number;name means semicolons.
// Typographic quotes and dashes become ' " -; any other character beyond
// Latin-1 is refused.
NamesCsv ReadNamesCsv(std::string_view bytes, const UnitConfiguration& unit);

// "2 names cut to 15 characters", as a summary says it.
std::string NamesCutText(int cut);

// Writes the entries into `unit`; how many names changed.
int ApplyNames(UnitConfiguration& unit, const std::vector<NameEntry>& entries);
// How many names ApplyNames would change.
int ChangedNames(const UnitConfiguration& unit, const std::vector<NameEntry>& entries);

// How many zones and sources a names file covers: the unit's counts, all
// while it names none.
int NameCount(const UnitConfiguration& unit, NameTable table);
// How many names a table holds.
int NameTableSize(NameTable table);

}  // namespace zem
