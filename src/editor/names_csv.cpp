#include "editor/names_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>

namespace zem {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct TableWord {
  NameTable table;
  std::string_view word;
};
constexpr std::array<TableWord, 4> kTables{{
    {NameTable::Zones, "zone"},
    {NameTable::Sources, "source"},
    {NameTable::Favorites, "favorite"},
    {NameTable::Groups, "group"},
}};

template <typename Unit>
auto& NameOf(Unit& unit, NameTable table, int number) {
  switch (table) {
    case NameTable::Zones:
      return unit.ZoneNames[number];
    case NameTable::Sources:
      return unit.SourceNames[number];
    case NameTable::Favorites:
      return unit.FavoriteNames[number];
    case NameTable::Groups:
      break;
  }
  return unit.GroupNames[number];
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// One record of the file and the line it begins on.
struct Record {
  int line = 0;
  std::vector<std::string> fields;
};

// RFC 4180 records; a quote inside an unquoted field is taken as it is.
// False, with `error`, for a quoted field that does not end well.
bool SplitRecords(std::string_view text, std::vector<Record>& records, std::string& error) {
  int line = 1;
  std::size_t i = 0;
  const auto lineEnd = [&](std::size_t at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return std::size_t{2};
    return text[at] == '\r' || text[at] == '\n' ? std::size_t{1} : std::size_t{0};
  };
  while (i < text.size()) {
    Record record{line, {}};
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        const int opened = line;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            error = "line " + std::to_string(opened) + ": a quoted field has no closing quote";
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          const std::size_t n = std::max(lineEnd(i), std::size_t{1});
          if (lineEnd(i)) ++line;
          field.append(text.substr(i, n));
          i += n;
        }
        if (i < text.size() && text[i] != ',' && !lineEnd(i)) {
          error = "line " + std::to_string(line) + ": text after a closing quote";
          return false;
        }
      } else {
        while (i < text.size() && text[i] != ',' && !lineEnd(i)) field += text[i++];
      }
      record.fields.push_back(std::move(field));
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      if (i < text.size()) {
        i += lineEnd(i);
        ++line;
      }
      break;
    }
    records.push_back(std::move(record));
  }
  return true;
}

bool AllEmpty(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return Trimmed(f).empty(); });
}

// The length of the UTF-8 character at `i` and its code point; 0 for bytes
// that are not one (strict: no overlong forms, surrogates or code points
// past U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& code) {
  const auto b = static_cast<unsigned char>(text[i]);
  code = b;
  if (b < 0x80) return 1;
  // The lead byte: how long the character is, its own bits, and the least
  // code point that needs that length.
  struct Lead {
    unsigned char first, last;
    std::size_t length;
    unsigned char bits;
    char32_t min;
  };
  static constexpr Lead kLeads[] = {
      {0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800}, {0xF0, 0xF4, 4, 0x07, 0x10000}};
  const Lead* lead = std::find_if(std::begin(kLeads), std::end(kLeads),
                                  [b](const Lead& l) { return b >= l.first && b <= l.last; });
  if (lead == std::end(kLeads)) return 0;
  const std::size_t length = lead->length;
  const char32_t min = lead->min;
  code = b & lead->bits;
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    code = (code << 6) | (c & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// The line of the first byte that is not UTF-8, or 0.
int BadUtf8Line(std::string_view text) {
  int line = 1;
  char32_t code = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0) return line;
    if (text[i] == '\n' || (text[i] == '\r' && text.substr(i + 1, 1) != "\n")) ++line;
    i += length;
  }
  return 0;
}

}  // namespace

NameTextProblem Utf8ToLatin1(std::string_view utf8, std::string& latin1) {
  latin1.clear();
  NameTextProblem found = NameTextProblem::None;
  char32_t code = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = DecodeUtf8(utf8, i, code);
    if (length == 0) return NameTextProblem::NotUtf8;
    // The rest is still checked as UTF-8: a broken text says so first.
    if (found == NameTextProblem::None) {
      if (code > 0xFF)
        found = NameTextProblem::NotLatin1;
      else if (IsControlByte(static_cast<unsigned char>(code)))
        found = NameTextProblem::ControlByte;
      else
        latin1 += static_cast<char>(static_cast<unsigned char>(code));
    }
    i += length;
  }
  return found;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char ch : latin1) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

NamePaste PlanNamePaste(std::string_view utf8, int rows) {
  NamePaste paste;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < utf8.size();) {
    const std::size_t end = std::min(utf8.find_first_of("\r\n", start), utf8.size());
    lines.push_back(utf8.substr(start, end - start));
    start = end;
    if (start < utf8.size()) start += utf8.compare(start, 2, "\r\n") == 0 ? 2 : 1;
    // A line break just before the end ends the last line; it starts none.
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (Utf8ToLatin1(lines[i].substr(0, lines[i].find('\t')), name) != NameTextProblem::None) {
      paste.refusedLine = static_cast<int>(i) + 1;
      paste.names.clear();
      paste.leftOut = 0;
      return paste;
    }
    if (static_cast<int>(paste.names.size()) < rows)
      paste.names.push_back(CutName(name));
    else
      ++paste.leftOut;
  }
  return paste;
}

int NameTableSize(NameTable table) {
  switch (table) {
    case NameTable::Zones:
      return kZones;
    case NameTable::Sources:
      return kSources;
    case NameTable::Favorites:
      return kFavorites;
    case NameTable::Groups:
      break;
  }
  return kGroups;
}

int NameCount(const UnitConfiguration& unit, NameTable table) {
  const int size = NameTableSize(table);
  switch (table) {
    case NameTable::Zones:
      return unit.ZoneCount >= 0 ? std::min(unit.ZoneCount, size) : size;
    case NameTable::Sources:
      return unit.SourceCount >= 0 ? std::min(unit.SourceCount, size) : size;
    default:
      return size;
  }
}

std::string NamesCsvText(const UnitConfiguration& unit) {
  std::string text(kByteOrderMark);
  text += "kind,number,name\r\n";
  for (const TableWord& t : kTables) {
    for (int n = 1; n <= NameCount(unit, t.table); ++n) {
      const std::string name = Latin1ToUtf8(NameOf(unit, t.table, n));
      text.append(t.word).append(",").append(std::to_string(n)).append(",");
      if (name.find_first_of(",\"\r\n") != std::string::npos) {
        text += '"';
        for (const char c : name) text.append(c == '"' ? 2 : 1, c);
        text += '"';
      } else {
        text += name;
      }
      text += "\r\n";
    }
  }
  return text;
}

NamesCsv ReadNamesCsv(std::string_view bytes, const UnitConfiguration& unit) {
  NamesCsv csv;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  const auto refuse = [&csv](int line, const std::string& why) {
    csv.entries.clear();
    csv.cut = 0;
    csv.error = "line " + std::to_string(line) + ": " + why;
    return csv;
  };
  if (const int line = BadUtf8Line(bytes)) return refuse(line, "not UTF-8 text");
  std::vector<Record> records;
  if (!SplitRecords(bytes, records, csv.error)) return csv;
  auto record = records.begin();
  while (record != records.end() && AllEmpty(record->fields)) ++record;
  const bool header =
      record != records.end() && record->fields.size() >= 3 && Lower(Trimmed(record->fields[0])) == "kind" &&
      Lower(Trimmed(record->fields[1])) == "number" && Lower(Trimmed(record->fields[2])) == "name" &&
      AllEmpty({record->fields.begin() + 3, record->fields.end()});
  if (!header)
    return refuse(record == records.end() ? 1 : record->line, "the first row is not kind,number,name");
  std::map<std::pair<NameTable, int>, int> seen;  // the line each entry was given on
  for (++record; record != records.end(); ++record) {
    const std::vector<std::string>& f = record->fields;
    const int line = record->line;
    if (AllEmpty(f)) continue;
    if (f.size() < 3 || !AllEmpty({f.begin() + 3, f.end()}))
      return refuse(line, "a row holds three fields: kind,number,name");
    const std::string kind = Lower(Trimmed(f[0]));
    const auto table =
        std::find_if(kTables.begin(), kTables.end(), [&kind](const TableWord& t) { return t.word == kind; });
    if (table == kTables.end())
      return refuse(line,
                    "unknown kind \"" + std::string(Trimmed(f[0])) + "\" (zone, source, favorite or group)");
    const std::string_view digits = Trimmed(f[1]);
    int number = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const int count = NameCount(unit, table->table);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || number < 1 ||
        number > count)
      return refuse(line, std::string(table->word) + " number \"" + std::string(digits) +
                              "\" is not one of 1 to " + std::to_string(count));
    const auto [at, fresh] = seen.emplace(std::pair{table->table, number}, line);
    if (!fresh)
      return refuse(line, std::string(table->word) + " " + std::to_string(number) +
                              " is given twice (also on line " + std::to_string(at->second) + ")");
    std::string name;
    switch (Utf8ToLatin1(f[2], name)) {
      case NameTextProblem::None:
        break;
      case NameTextProblem::NotUtf8:
        return refuse(line, "not UTF-8 text");
      case NameTextProblem::NotLatin1:
        return refuse(line, "the name holds a character a name cannot hold");
      case NameTextProblem::ControlByte:
        return refuse(line, "the name holds a control character");
    }
    if (name.size() > kNameLength) ++csv.cut;
    csv.entries.push_back(NameEntry{table->table, number, CutName(name)});
  }
  return csv;
}

std::vector<std::string> NamesCsv::Notes() const {
  std::vector<std::string> notes;
  if (cut > 0)
    notes.push_back(std::to_string(cut) + (cut == 1 ? " name" : " names") + " cut to " +
                    std::to_string(kNameLength) + " characters");
  return notes;
}

int ChangedNames(const UnitConfiguration& unit, const std::vector<NameEntry>& entries) {
  return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&unit](const NameEntry& e) {
    return NameOf(unit, e.table, e.number) != e.name;
  }));
}

int ApplyNames(UnitConfiguration& unit, const std::vector<NameEntry>& entries) {
  int changed = 0;
  for (const NameEntry& e : entries) {
    std::string& name = NameOf(unit, e.table, e.number);
    if (name == e.name) continue;
    name = e.name;
    ++changed;
  }
  return changed;
}

}  // namespace zem
