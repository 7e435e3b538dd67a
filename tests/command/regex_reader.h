#pragma once

// The command forms as std::regex patterns, translated from the patterns of
// kCommandTable and tried in order with regex_search: the straightforward
// reader that the matcher is checked against (test_command_reader) and
// measured against (bench_command). `.` is written [^\n]: std::regex's `.`
// also refuses CR, the command forms' does not. std::regex recurses per
// byte, so keep its lines short.

#include <array>
#include <regex>
#include <string>
#include <string_view>

#include "command/command_matcher.h"
#include "command/command_table.h"

namespace zem::regex_reader {

// A table pattern in ECMAScript syntax: # is (\d+), -# is (-?\d+), * is
// ([^\n]*), every other byte stands for itself.
inline std::string RegexPattern(std::string_view pattern) {
  std::string regex;
  ForEachToken(pattern, [&](PatternToken token) {
    switch (token.part) {
      case PatternPart::Number:
        regex += R"re((\d+))re";
        break;
      case PatternPart::SignedNumber:
        regex += R"re((-?\d+))re";
        break;
      case PatternPart::Text:
        regex += R"re(([^\n]*))re";
        break;
      case PatternPart::Literal:
        if (std::string_view(R"(\^$.|?*+()[]{}/)").find(token.byte) != std::string_view::npos) regex += '\\';
        regex += token.byte;
        break;
    }
  });
  return regex;
}

inline const std::array<std::regex, kCommandForms>& RegexForms() {
  static const std::array<std::regex, kCommandForms> forms = [] {
    std::array<std::regex, kCommandForms> built;
    for (std::size_t i = 0; i < built.size(); ++i)
      built[i] =
          std::regex(RegexPattern(kCommandTable[i].pattern), std::regex::ECMAScript | std::regex::icase);
    return built;
  }();
  return forms;
}

// The form (None: none) and its fields: the pattern's groups.
struct RegexMatch {
  CommandForm form = CommandForm::None;
  std::array<std::string, 3> texts;  // what the fields view
  CommandFields fields;

  RegexMatch() = default;
  RegexMatch(CommandForm f, std::array<std::string, 3> groups)
      : form(f), texts(std::move(groups)), fields{texts[0], texts[1], texts[2]} {}
  RegexMatch(const RegexMatch&) = delete;
  RegexMatch& operator=(const RegexMatch&) = delete;
};

inline RegexMatch RegexMatchCommand(std::string_view line) {
  const auto& forms = RegexForms();
  std::match_results<std::string_view::const_iterator> found;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    if (!std::regex_search(line.begin(), line.end(), found, forms[i])) continue;
    return RegexMatch(kCommandTable[i].form, {found.str(1), found.str(2), found.str(3)});
  }
  return RegexMatch{};
}

// The whole reader with the regex matcher: same effects and log lines.
inline void RegexReadCommand(ConfigModel& model, TextLog& readLog, std::string_view line) {
  const RegexMatch match = RegexMatchCommand(line);
  ApplyCommand(model, readLog, line, match.form, match.fields);
}

}  // namespace zem::regex_reader
