#include "editor/read_back_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <utility>

#include "command/command_matcher.h"
#include "command/command_reader.h"
#include "command/command_table.h"
#include "command/command_writer.h"
#include "editor/zone_audio_logic.h"

namespace zem {
namespace {

using Kind = ExportedField::Kind;

// Lines the export writes for the unit alone; the reader has no form for them.
constexpr std::array<std::string_view, 4> kMarkers = {"[RAR]", "[GAR]", "[FAR]", "[EC]"};
constexpr std::array<std::string_view, 2> kFailurePrefixes = {"Didn't Handle: ", "Error parsing: "};

// What a line would be taken for, when it is taken for the wrong thing.
std::string_view FormDescription(CommandForm form) {
  if (form == CommandForm::None) return "nothing the reader knows";
  return kCommandTable[static_cast<std::size_t>(form) - 1].what;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The model an import starts from.
ConfigModel FreshModel() {
  ConfigModel fresh;
  TextLog received, log;
  ResetModel(fresh, received, log);
  return fresh;
}

struct ReadBack {
  std::vector<std::string> lines;  // the export of what was read
  std::vector<std::string> lost;   // lines logged as not handled or not parsed, markers aside
};

// `lines` as a file, read as an import reads a file, and written again.
ReadBack ReadBackOf(const std::vector<std::string>& lines) {
  ConfigModel fresh = FreshModel();
  TextLog received, log;
  received.AssignLines(ZemFileText(lines));
  for (std::size_t i = 0; i < received.LineCount(); ++i) {
    const std::string_view line = received.LineView(i);
    if (!line.empty() && (line.front() == '[' || line.front() == '(')) ReadCommand(fresh, log, line);
  }
  ReadBack result;
  for (std::size_t i = 0; i < log.LineCount(); ++i) {
    const std::string entry = log.Line(i);
    for (const std::string_view prefix : kFailurePrefixes) {
      if (entry.rfind(prefix, 0) != 0) continue;
      const std::string line = entry.substr(prefix.size());
      const bool marker = std::find(kMarkers.begin(), kMarkers.end(), line) != kMarkers.end();
      if (!marker && std::find(result.lost.begin(), result.lost.end(), line) == result.lost.end())
        result.lost.push_back(line);
    }
  }
  result.lines = BuildCommandSequence(fresh);
  return result;
}

bool IsAddress(Kind kind) {
  return kind == Kind::IPAddress || kind == Kind::Netmask || kind == Kind::Gateway;
}

struct Finding {
  FindingKind kind = FindingKind::Corruption;
  std::string why;  // empty: none
};

// What is wrong with `text` whatever the reader makes of it: what would
// split its line, and bytes a unit's line cannot carry.
Finding BytesProblem(Kind field, std::string_view text) {
  if (HoldsLineBreak(text)) return {FindingKind::Corruption, "holds a line break"};
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (IsControlByte(byte)) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", byte);
      return {FindingKind::Corruption, std::string("holds the control byte ") + code};
    }
    // A bracket ends an address's command or starts another.
    if (IsAddress(field) && (ch == '[' || ch == ']'))
      return {FindingKind::Corruption, "holds \"" + std::string(1, ch) + "\""};
  }
  return {};
}

// Why the line that writes `text` as the field of `form` (after `number`,
// when the form has one) would not give `text` back; empty when it would.
// `stored` is where a fresh model keeps the text once read.
Finding TextProblem(CommandForm form, int number, const std::string& text,
                    std::string (*stored)(const ConfigModel&, int)) {
  const std::string line = number > 0 ? CommandLine(form, {number, text}) : CommandLine(form, {text});
  const CommandForm taken = MatchCommand(line).form;
  if (taken != form)
    return {FindingKind::Corruption,
            Quoted(text) + " would read back as " + std::string(FormDescription(taken))};
  ConfigModel fresh = FreshModel();
  TextLog log;
  ReadCommand(fresh, log, line);
  const std::string back = stored(fresh, number);
  if (back == text) return {};
  if (text.empty()) return {FindingKind::Loss, "is empty, and an empty text is not read back"};
  return {FindingKind::Loss, Quoted(text) + " would read back as " + Quoted(back)};
}

// Each value of `model` that the export writes as text, and each zone whose
// audio lines would not be read back. What only reading back can tell is
// looked for only when the export does not read back as itself
// (`readBackDiffers`): it reads a fresh model for each text.
std::vector<ReadBackProblem> FieldProblems(const ConfigModel& m, bool readBackDiffers) {
  std::vector<ReadBackProblem> problems;
  const auto check = [&](Kind kind, CommandForm form, int number, const std::string& text,
                         std::string (*stored)(const ConfigModel&, int)) {
    Finding found = BytesProblem(kind, text);
    if (found.why.empty() && readBackDiffers) found = TextProblem(form, number, text, stored);
    if (!found.why.empty())
      problems.push_back({ExportedField{kind, number}, std::move(found.why), found.kind});
  };
  const int sources = std::min(m.unit.SourceCount, kSources);
  const int zones = std::min(m.unit.ZoneCount, kZones);
  for (int s = 1; s <= sources; ++s)
    check(Kind::SourceName, CommandForm::SourceName, s, WrittenName(m.unit.SourceNames[s]),
          [](const ConfigModel& f, int n) { return f.unit.SourceNames[n]; });
  for (int z = 1; z <= zones; ++z) {
    check(Kind::ZoneName, CommandForm::ZoneName, z, WrittenName(m.unit.ZoneNames[z]),
          [](const ConfigModel& f, int n) { return f.unit.ZoneNames[n]; });
    const ZoneAudioRec& a = m.unit.ZoneAudio[z];
    if (a.EQUsed == 0) continue;
    // Only a mode or band line tells the reader that a zone's audio is set.
    if (a.DSPMode < 0)
      problems.push_back({ExportedField{Kind::ZoneVolume, z},
                          "would be lost on reading back: no DSP mode is chosen", FindingKind::Loss});
    else if (DspModeOf(a.DSPMode) == DspMode::Lowpass && a.Lowpass < 0)
      problems.push_back({ExportedField{Kind::ZoneLowpass, z},
                          std::to_string(a.Lowpass) + " is negative and would not be read back",
                          FindingKind::Loss});
  }
  for (int n = 1; n <= kFavorites; ++n)
    check(Kind::FavoriteName, CommandForm::FavoriteName, n, WrittenName(m.unit.FavoriteNames[n]),
          [](const ConfigModel& f, int i) { return f.unit.FavoriteNames[i]; });
  for (int n = 1; n <= kGroups; ++n)
    check(Kind::GroupName, CommandForm::GroupName, n, WrittenName(m.unit.GroupNames[n]),
          [](const ConfigModel& f, int i) { return f.unit.GroupNames[i]; });
  if (!m.unit.Options.DHCPEnabled) {
    check(Kind::IPAddress, CommandForm::IpAddress, 0, m.unit.Options.IPAddress,
          [](const ConfigModel& f, int) { return f.unit.Options.IPAddress; });
    check(Kind::Netmask, CommandForm::Netmask, 0, m.unit.Options.Netmask,
          [](const ConfigModel& f, int) { return f.unit.Options.Netmask; });
    check(Kind::Gateway, CommandForm::Gateway, 0, m.unit.Options.Gateway,
          [](const ConfigModel& f, int) { return f.unit.Options.Gateway; });
  }
  return problems;
}

// With DHCP off a unit takes its addresses as they are written.
void AddUnsoundAddresses(const OptionsRec& options, std::vector<ReadBackProblem>& problems) {
  if (options.DHCPEnabled) return;
  const std::pair<Kind, const std::string*> fields[] = {{Kind::IPAddress, &options.IPAddress},
                                                        {Kind::Netmask, &options.Netmask},
                                                        {Kind::Gateway, &options.Gateway}};
  for (const auto& [kind, text] : fields)
    if (!IsDottedQuad(*text)) problems.push_back(NotAnAddress(kind, *text));
}

}  // namespace

std::string FieldLabel(const ExportedField& field) {
  const std::string n = std::to_string(field.number);
  switch (field.kind) {
    case Kind::SourceName:
      return "source " + n + " name";
    case Kind::ZoneName:
      return "zone " + n + " name";
    case Kind::FavoriteName:
      return "favorite " + n + " name";
    case Kind::GroupName:
      return "group " + n + " name";
    case Kind::IPAddress:
      return "IP address";
    case Kind::Netmask:
      return "Netmask";
    case Kind::Gateway:
      return "Gateway";
    case Kind::ZoneVolume:
      return "zone " + n + " volume";
    case Kind::ZoneLowpass:
      return "zone " + n + " lowpass";
    case Kind::Line:
      return field.number > 0 ? "line " + n : "a line";
  }
  return "line " + n;
}

bool IsDottedQuad(std::string_view text) {
  int parts = 0;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = std::min(text.find('.', at), text.size());
    const std::string_view part = text.substr(at, end - at);
    if (part.empty() || part.size() > 3 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::stoi(std::string(part)) > 255)
      return false;
    ++parts;
    if (end == text.size()) return parts == 4;
    if (parts == 4) return false;
    at = end + 1;
  }
}

ReadBackProblem NotAnAddress(ExportedField::Kind field, std::string_view text) {
  return {ExportedField{field, 0}, Quoted(text) + " is not an IPv4 address", FindingKind::UnsoundForUnit};
}

std::vector<ReadBackProblem> CheckReadBack(const ConfigModel& model, const std::vector<std::string>& lines) {
  const ReadBack back = ReadBackOf(lines);
  const bool differs = back.lines != lines || !back.lost.empty();
  std::vector<ReadBackProblem> problems = FieldProblems(model, differs);
  if (differs && problems.empty()) {
    // Nothing a single value explains: name the first line that differs.
    // What the unit would make of it is not known, so it counts as corrupt.
    const auto [mine, theirs] =
        std::mismatch(lines.begin(), lines.end(), back.lines.begin(), back.lines.end());
    const int at = static_cast<int>(mine - lines.begin()) + 1;
    if (mine != lines.end()) {
      problems.push_back(
          {ExportedField{Kind::Line, at},
           Quoted(*mine) + (theirs != back.lines.end() ? " would read back as " + Quoted(*theirs)
                                                       : std::string(" would not be read back"))});
    } else if (theirs != back.lines.end()) {
      problems.push_back({ExportedField{Kind::Line, at}, "would read back as " + Quoted(*theirs)});
    }
    for (const std::string& line : back.lost) {
      const auto written = std::find(lines.begin(), lines.end(), line);
      const int number = written == lines.end() ? 0 : static_cast<int>(written - lines.begin()) + 1;
      problems.push_back({ExportedField{Kind::Line, number}, Quoted(line) + " would not be read back"});
    }
  }
  AddUnsoundAddresses(model.unit.Options, problems);
  return problems;
}

bool Refuses(const ReadBackProblem& problem, ExportTarget target, bool strict) {
  switch (problem.kind) {
    case FindingKind::Corruption:
      return true;
    case FindingKind::Loss:
      return strict;
    case FindingKind::UnsoundForUnit:
      return target == ExportTarget::Unit;
  }
  return true;
}

std::vector<ReadBackProblem> ProblemsWhere(const std::vector<ReadBackProblem>& problems, ExportTarget target,
                                           bool strict, bool refusing) {
  std::vector<ReadBackProblem> chosen;
  for (const ReadBackProblem& problem : problems)
    if (Refuses(problem, target, strict) == refusing) chosen.push_back(problem);
  return chosen;
}

bool OnlyUnsoundAddresses(const std::vector<ReadBackProblem>& problems) {
  return std::all_of(problems.begin(), problems.end(),
                     [](const ReadBackProblem& p) { return p.kind == FindingKind::UnsoundForUnit; });
}

std::string ReadBackRefusal(const std::vector<ReadBackProblem>& problems) {
  constexpr std::size_t kNamed = 5;
  std::string text = "Nothing was exported: ";
  for (std::size_t i = 0; i < problems.size() && i < kNamed; ++i)
    text += (i ? "; " : "") + problems[i].Text();
  if (problems.size() > kNamed) text += "; and " + std::to_string(problems.size() - kNamed) + " more";
  return text;
}

}  // namespace zem
