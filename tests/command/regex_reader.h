#pragma once

// The command forms as std::regex patterns, tried in order with
// regex_search: the straightforward reader that the hand-written matcher
// replaces. The benchmark measures against it and the differential test
// compares the matcher with it. `.` is written [^\n]: std::regex's `.` also
// refuses CR, the command forms' does not. std::regex recurses per byte, so
// keep its lines short.

#include <array>
#include <regex>
#include <string>
#include <string_view>

#include "command/command_matcher.h"

namespace zem::bench {

inline const std::array<std::regex, kCommandForms>& RegexForms() {
  static const std::array<const char*, kCommandForms> kPatterns = {
      R"re(\[VO(\d+)R(-?\d+)\])re",
      R"re(\[EO(\d+)B(\d+)L(-?\d+)\])re",
      R"re(\[TO(\d+)B(-?\d+)T(-?\d+)\])re",
      R"re(\[BO(\d+)L(-?\d+)\])re",
      R"re(\[BO(\d+)R(-?\d+)\])re",
      R"re(\[EO(\d+)M(\d+)\])re",
      R"re(\[EO(\d+)LP(\d+)\])re",
      R"re(\[VO(\d+)F(\d+)\])re",
      R"re(\[EO(\d+)P(\d+)\])re",
      R"re(\[NEP(\d+)"([^\n]*)"\])re",
      R"re(\[EP(\d+)B(\d+)L(-?\d+)\])re",
      R"re(\[NF(\d+)"([^\n]*)"\])re",
      R"re(\[NG(\d+)"([^\n]*)"\])re",
      R"re(\[NO(\d+)"([^\n]*)"\])re",
      R"re(\[NI(\d+)"([^\n]*)"\])re",
      R"re(\[RPO(\d+)I(\d+)\])re",
      R"re(\[G(\d+)AO(\d+)\])re",
      R"re(\[F(\d+)AO(\d+)AI(\d+)\])re",
      R"re(\[F(\d+)AO(\d+)VI(\d+)\])re",
      R"re(\[F(\d+)AO(\d+)I(\d+)\])re",
      R"re(\[FPL(\d+)\])re",
      R"re(\[IRL(\d+)\])re",
      R"re(\[SD(\d+)\])re",
      R"re(\[DHCP(\d+)\])re",
      R"re(\[IP([^\n]*)\])re",
      R"re(\[NM([^\n]*)\])re",
      R"re(\[GW([^\n]*)\])re",
      R"re(\(ERROR\))re",
      R"re(\[CO(\d+)I(\d+)\])re",
      R"re(\(QX\))re",
      R"re(\[QXSB\])re",
      R"re(\[VM([^\n]*)\])re",
  };
  static const std::array<std::regex, kCommandForms> forms = [] {
    std::array<std::regex, kCommandForms> built;
    for (std::size_t i = 0; i < built.size(); ++i)
      built[i] = std::regex(kPatterns[i], std::regex::ECMAScript | std::regex::icase);
    return built;
  }();
  return forms;
}

// The form (0: none) and its fields, by substitution into "$1" 255 "$2" 255
// "$3" and SplitFields.
struct RegexMatch {
  int form = 0;
  CommandFields fields;
};

inline RegexMatch RegexMatchCommand(std::string_view line) {
  const auto& forms = RegexForms();
  std::match_results<std::string_view::const_iterator> found;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    if (!std::regex_search(line.begin(), line.end(), found, forms[i])) continue;
    return RegexMatch{static_cast<int>(i) + 1, SplitFields(found.format("$1\xFF$2\xFF$3"))};
  }
  return RegexMatch{};
}

// The whole reader with the regex matcher: same effects and log lines.
inline void RegexReadCommand(ConfigModel& model, TextLog& memo3, std::string_view line) {
  RegexMatch match = RegexMatchCommand(line);
  ApplyCommand(model, memo3, line, match.form, match.fields);
}

}  // namespace zem::bench
