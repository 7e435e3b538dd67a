#include "editor/names_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "editor/config_diff.h"

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

// One record of the file: the line it begins on and its first three fields;
// whether any field after them holds more than blanks.
struct Record {
  int line = 0;
  std::vector<std::string> fields;
  bool more = false;
};

bool Blank(std::string_view field) { return Trimmed(field).empty(); }

bool AllBlank(const Record& record) {
  return !record.more && std::all_of(record.fields.begin(), record.fields.end(),
                                     [](const std::string& f) { return Blank(f); });
}

// The records of a file, one at a time, so a file of separators or line
// breaks costs no more memory than its text. RFC 4180 quoting; a quote
// inside an unquoted field is taken as it is.
class RecordReader {
 public:
  RecordReader(std::string_view text, char separator) : text_(text), separator_(separator) {}

  // The next record; false at the end, or with `error` set for a quoted
  // field that does not end well.
  bool Next(Record& record, std::string& error) {
    if (i_ >= text_.size()) return false;
    record = Record{line_, {}, false};
    for (;;) {
      std::string field;
      if (i_ < text_.size() && text_[i_] == '"') {
        if (!Quoted(field, error)) return false;
      } else {
        while (i_ < text_.size() && text_[i_] != separator_ && !LineEnd(i_)) field += text_[i_++];
      }
      if (record.fields.size() < 3)
        record.fields.push_back(std::move(field));
      else
        record.more = record.more || !Blank(field);
      if (i_ < text_.size() && text_[i_] == separator_) {
        ++i_;
        continue;
      }
      if (i_ < text_.size()) {
        i_ += LineEnd(i_);
        ++line_;
      }
      return true;
    }
  }

 private:
  std::size_t LineEnd(std::size_t at) const {
    if (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') return 2;
    return text_[at] == '\r' || text_[at] == '\n' ? 1 : 0;
  }

  bool Quoted(std::string& field, std::string& error) {
    const int opened = line_;
    ++i_;
    for (;;) {
      if (i_ >= text_.size()) {
        error = "line " + std::to_string(opened) + ": a quoted field has no closing quote";
        return false;
      }
      if (text_[i_] == '"') {
        if (i_ + 1 < text_.size() && text_[i_ + 1] == '"') {
          field += '"';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      const std::size_t n = std::max(LineEnd(i_), std::size_t{1});
      if (LineEnd(i_)) ++line_;
      field.append(text_.substr(i_, n));
      i_ += n;
    }
    if (i_ < text_.size() && text_[i_] != separator_ && !LineEnd(i_)) {
      error = "line " + std::to_string(line_) + ": text after a closing quote";
      return false;
    }
    return true;
  }

  std::string_view text_;
  char separator_;
  std::size_t i_ = 0;
  int line_ = 1;
};

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

// Windows-1252's bytes 0x80 to 0x9F; 0 for the five it leaves undefined.
constexpr std::array<char32_t, 32> kWindows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// How a names file is written: UTF-8, or where it is not (and has no
// byte-order mark that says it is) Windows-1252, the spreadsheets' other
// CSV. Both keep ASCII as it is, so the file is split into fields first and
// each field decoded on its own.
struct Encoding {
  std::string_view text;  // without a byte-order mark
  bool windows1252 = false;
  std::string error;
};

constexpr std::string_view kSaveAsUtf8 = "; save it as CSV UTF-8";

Encoding FindEncoding(std::string_view bytes) {
  // UTF-16 begins with its byte-order mark, or without it with a zero byte
  // beside the header's first letter.
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
      (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0')))
    return {{}, false, "line 1: UTF-16 text" + std::string(kSaveAsUtf8)};
  const bool marked = bytes.starts_with(kByteOrderMark);
  if (marked) bytes.remove_prefix(kByteOrderMark.size());
  const int badLine = BadUtf8Line(bytes);
  if (badLine && marked)
    return {{}, false, "line " + std::to_string(badLine) + ": not UTF-8 text" + std::string(kSaveAsUtf8)};
  return {bytes, badLine != 0, {}};
}

// The plain character for a typographic quote or dash that spreadsheets put
// in while one types ' " -; 0 for any other.
char PlainForm(char32_t code) {
  switch (code) {
    case 0x2018:
    case 0x2019:
      return '\'';
    case 0x201C:
    case 0x201D:
      return '"';
    case 0x2013:
    case 0x2014:
      return '-';
    default:
      return 0;
  }
}

// A field in single bytes, as names are kept; typographic quotes and
// dashes made plain and counted in `plain`. Nothing, with `error` set, for
// a character a name cannot hold.
std::optional<std::string> DecodeField(std::string_view field, bool windows1252, int& plain,
                                       std::string& error) {
  std::string out;
  for (std::size_t i = 0; i < field.size();) {
    char32_t code = 0;
    std::size_t length = 1;
    const auto b = static_cast<unsigned char>(field[i]);
    if (!windows1252) {
      // The whole file was found to be UTF-8, and fields end only at ASCII.
      length = DecodeUtf8(field, i, code);
      if (length == 0) {
        error = "not UTF-8 text" + std::string(kSaveAsUtf8);
        return std::nullopt;
      }
    } else if (b >= 0x80 && b < 0xA0) {
      code = kWindows1252High[b - 0x80];
      if (code == 0) {
        error = "neither UTF-8 nor Windows-1252 text" + std::string(kSaveAsUtf8);
        return std::nullopt;
      }
    } else {
      code = b;
    }
    if (code <= 0xFF) {
      out += static_cast<char>(static_cast<unsigned char>(code));
    } else if (const char c = PlainForm(code)) {
      out += c;
      ++plain;
    } else {
      error = "the name holds a character a name cannot hold";
      return std::nullopt;
    }
    i += length;
  }
  return out;
}

// A field as messages quote it, control bytes as \xNN.
std::string Shown(std::string_view field) { return QuotedName(std::string(Trimmed(field))); }

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
      paste.cut = 0;
      return paste;
    }
    if (static_cast<int>(paste.names.size()) >= rows) {
      ++paste.leftOut;
      continue;
    }
    if (name.size() > kNameLength) ++paste.cut;
    paste.names.push_back(CutName(name));
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

std::string NamesCsvText(const UnitConfiguration& unit, std::vector<NameEntry>* leftOut) {
  std::string text(kByteOrderMark);
  text += "kind,number,name\r\n";
  for (const TableWord& t : kTables) {
    for (int n = 1; n <= NameCount(unit, t.table); ++n) {
      const std::string& latin1 = NameOf(unit, t.table, n);
      if (std::any_of(latin1.begin(), latin1.end(),
                      [](char c) { return IsControlByte(static_cast<unsigned char>(c)); })) {
        if (leftOut) leftOut->push_back(NameEntry{t.table, n, latin1});
        continue;
      }
      std::string name = Latin1ToUtf8(latin1);
      if (!name.empty() && std::string_view("=+-@'").find(name.front()) != std::string_view::npos)
        name.insert(0, 1, '\'');
      text.append(t.word).append(",").append(std::to_string(n)).append(",");
      if (name.find_first_of(",\"") != std::string::npos) {
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

std::string_view NameTableWord(NameTable table) {
  return std::find_if(kTables.begin(), kTables.end(),
                      [table](const TableWord& w) { return w.table == table; })
      ->word;
}

std::string NameEntryText(const NameEntry& entry) {
  return std::string(NameTableWord(entry.table)) + " " + std::to_string(entry.number) + " " +
         QuotedName(entry.name);
}

NamesCsv ReadNamesCsv(std::string_view bytes, const UnitConfiguration& unit) {
  NamesCsv csv;
  const auto refuse = [&csv](int line, const std::string& why) {
    csv.entries.clear();
    csv.cut = 0;
    csv.error = "line " + std::to_string(line) + ": " + why;
    return csv;
  };
  if (bytes.size() > kNamesFileLimit) {
    csv.error = kNamesFileTooLarge;
    return csv;
  }
  const Encoding encoding = FindEncoding(bytes);
  if (!encoding.error.empty()) {
    csv.error = encoding.error;
    return csv;
  }
  csv.windows1252 = encoding.windows1252;

  // The header row says the separator: kind,number,name, or kind;number;name
  // as spreadsheets write CSV where the comma is the decimal sign.
  const auto isHeader = [](const Record& r) {
    return r.fields.size() == 3 && !r.more && Lower(Trimmed(r.fields[0])) == "kind" &&
           Lower(Trimmed(r.fields[1])) == "number" && Lower(Trimmed(r.fields[2])) == "name";
  };
  const auto firstRow = [](RecordReader& reader, Record& record, std::string& error) {
    while (reader.Next(record, error))
      if (!AllBlank(record)) return true;
    return false;
  };
  std::optional<RecordReader> reader;
  Record record;
  std::string headerError;
  int headerLine = 1;
  for (const char separator : {',', ';'}) {
    RecordReader candidate(encoding.text, separator);
    std::string error;
    const bool found = firstRow(candidate, record, error);
    if (found && isHeader(record)) {
      reader = candidate;
      break;
    }
    if (separator == ',') {
      headerError = error;
      headerLine = found ? record.line : 1;
    }
  }
  if (!reader) {
    if (!headerError.empty()) {
      csv.error = headerError;
      return csv;
    }
    return refuse(headerLine, "the first row is not kind,number,name");
  }

  std::map<std::pair<NameTable, int>, int> seen;  // the line each entry was given on
  std::string error;
  int plain = 0;
  while (reader->Next(record, error)) {
    const int line = record.line;
    if (AllBlank(record)) continue;
    if (record.fields.size() < 3 || record.more)
      return refuse(line, "a row holds three fields: kind,number,name");
    std::vector<std::string> f;
    for (const std::string& field : record.fields) {
      std::optional<std::string> decoded = DecodeField(field, encoding.windows1252, plain, error);
      if (!decoded) return refuse(line, error);
      f.push_back(std::move(*decoded));
    }
    const std::string kind = Lower(Trimmed(f[0]));
    const auto table =
        std::find_if(kTables.begin(), kTables.end(), [&kind](const TableWord& t) { return t.word == kind; });
    if (table == kTables.end())
      return refuse(line, "unknown kind " + Shown(f[0]) + " (zone, source, favorite or group)");
    const std::string_view digits = Trimmed(f[1]);
    int number = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const int count = NameCount(unit, table->table);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || number < 1 ||
        number > count)
      return refuse(line, std::string(table->word) + " number " + Shown(f[1]) + " is not one of 1 to " +
                              std::to_string(count));
    const auto [at, fresh] = seen.emplace(std::pair{table->table, number}, line);
    if (!fresh)
      return refuse(line, std::string(table->word) + " " + std::to_string(number) +
                              " is given twice (also on line " + std::to_string(at->second) + ")");
    // One leading ' marks text for spreadsheets (the export writes it
    // before a name they would take for a formula): it is not the name's.
    std::string_view name = f[2];
    if (name.starts_with('\'')) name.remove_prefix(1);
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return IsControlByte(static_cast<unsigned char>(c)); }))
      return refuse(line, "the name holds a control character");
    if (name.size() > kNameLength) ++csv.cut;
    csv.entries.push_back(NameEntry{table->table, number, CutName(name)});
  }
  if (!error.empty()) {
    csv.entries.clear();
    csv.cut = 0;
    csv.error = error;
    return csv;
  }
  csv.plain = plain;
  return csv;
}

std::string NamesCutText(int cut) {
  return std::to_string(cut) + (cut == 1 ? " name" : " names") + " cut to " + std::to_string(kNameLength) +
         " characters";
}

std::vector<std::string> NamesCsv::Notes() const {
  std::vector<std::string> notes;
  if (cut > 0) notes.push_back(NamesCutText(cut));
  if (plain > 0)
    notes.push_back(std::to_string(plain) +
                    (plain == 1 ? " typographic quote or dash" : " typographic quotes or dashes") +
                    " made plain");
  if (windows1252) notes.push_back("read as Windows-1252 text");
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
