#pragma once

// The JSON form of a configuration (docs/json-format.md, described by
// docs/zem-config.schema.json): what `zemctl dump --json` writes and
// `zemctl build` reads.

#include <QJsonObject>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

inline constexpr int kJsonFormatVersion = 1;
inline constexpr char kJsonFormatName[] = "zem-config";

// Everything an export of `model` writes (and the EQ presets and volume
// locks, which it does not), as one JSON object. `model` holds a
// configuration: SourceCount is not -1.
QJsonObject ConfigToJson(const ConfigModel& model);
// The same as indented UTF-8 text.
std::string ConfigToJsonText(const ConfigModel& model);

struct JsonReadOptions {
  // Accept values outside the window's control ranges (a unit may report
  // them), as long as they fit the field and the export writes them back
  // unchanged.
  bool keepOutOfRange = false;
};

// One reason a JSON text is not a configuration; `path` names the value
// ("zones[11].name"), empty for the text as a whole.
struct JsonProblem {
  std::string path;
  std::string message;
  std::string Text() const { return path.empty() ? message : path + ": " + message; }
};

// Reads a configuration from JSON text into `model` (a model after
// ResetModel). Returns the problems found, at most `maxProblems` of them
// plus one that says how many more there were; the model is to be used
// only when the list is empty.
std::vector<JsonProblem> ConfigFromJsonText(std::string_view text, const JsonReadOptions& options,
                                            ConfigModel& model, std::size_t maxProblems = 50);

// Where a control byte (below 0x20) stands unescaped inside a string of
// JSON text, which makes the text invalid JSON.
std::optional<std::size_t> FindRawControlByte(std::string_view text);

// In text that is valid JSON: the first key that an object holds twice, as
// the path of that key (QJsonObject would keep only one of them).
std::optional<std::string> FindDuplicateKey(std::string_view text);

// The values a model holds that a JSON configuration carries but a .zem
// file does not (EQ presets other than a fresh model's, locked volumes),
// as the JSON keys that hold them; empty when there are none.
std::vector<std::string> ValuesNotWritten(const ConfigModel& model);

}  // namespace zem
