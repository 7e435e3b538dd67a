#pragma once

#include <string>
#include <vector>

#include "model/config_model.h"

namespace zem {

// A value that an export writes, named for a message.
struct ExportedField {
  enum class Kind {
    SourceName,
    ZoneName,
    FavoriteName,
    GroupName,
    IPAddress,
    Netmask,
    Gateway,
    ZoneVolume,
    ZoneLowpass,
    Line,  // a line of the export that no single value explains
  };
  Kind kind = Kind::Line;
  int number = 0;  // the source, zone, favorite or group; the line (from 1); 0 for the network texts
};

// "zone 6 name", "favorite 3 name", "IP address", "line 12".
std::string FieldLabel(const ExportedField& field);

// A value that would not come back as itself from the export's text.
struct ReadBackProblem {
  ExportedField field;
  std::string why;  // "holds a line break"
  // "zone 6 name holds a line break"
  std::string Text() const { return FieldLabel(field) + " " + why; }
};

// Whether the command lines an export of `model` is about to write
// (`lines`, from BuildCommandSequence) read back as themselves: written as
// a configuration file, read into a freshly reset model as an import reads
// them and written again, they give the same lines, and no line other than
// the block markers "[RAR]", "[GAR]", "[FAR]" and "[EC]" is logged as
// "Didn't Handle" or "Error parsing". Empty when they do; otherwise at least
// one problem, naming each value that would not survive and why.
std::vector<ReadBackProblem> CheckReadBack(const ConfigModel& model, const std::vector<std::string>& lines);

// The refusal of an export as one text: "Nothing was exported: " and the
// first problems.
std::string ReadBackRefusal(const std::vector<ReadBackProblem>& problems);

}  // namespace zem
