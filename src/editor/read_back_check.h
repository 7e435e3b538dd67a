#pragma once

#include <string>
#include <string_view>
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

// What a finding means for where the export goes.
enum class FindingKind {
  // The text would read back as another command or as several lines, or
  // holds a control byte or (an address) a bracket: refused everywhere.
  Corruption,
  // A value the reader would not take back as it is (a lowpass of -1): the
  // lines are written as they are, with a warning.
  Loss,
  // An address a unit cannot use with DHCP off: written to files with a
  // warning, never sent to a unit.
  UnsoundForUnit,
};

// Where an export goes: the checks a unit needs are stricter.
enum class ExportTarget { File, Unit };

// A value that would not come back as itself from the export's text, or
// that a unit cannot take.
struct ReadBackProblem {
  ExportedField field;
  std::string why;  // "holds a line break"
  FindingKind kind = FindingKind::Corruption;
  // "zone 6 name holds a line break"
  std::string Text() const { return FieldLabel(field) + " " + why; }
};

// Whether `text` is an IPv4 address in dotted-quad form: four decimal
// numbers 0-255 (at most three digits each) joined by dots, nothing else.
bool IsDottedQuad(std::string_view text);
// The finding for an address field (IPAddress, Netmask or Gateway) whose
// `text` is not a dotted quad: "IP address \"x\" is not an IPv4 address".
ReadBackProblem NotAnAddress(ExportedField::Kind field, std::string_view text);

// Whether the command lines an export of `model` is about to write
// (`lines`, from BuildCommandSequence) read back as themselves: written as
// a configuration file, read into a freshly reset model as an import reads
// them and written again, they give the same lines, and no line other than
// the block markers "[RAR]", "[GAR]", "[FAR]" and "[EC]" is logged as
// "Didn't Handle" or "Error parsing". Empty when they do; otherwise at least
// one problem, naming each value that would not survive and why. With DHCP
// off, each address that is not a dotted quad is named too (UnsoundForUnit),
// whether or not it reads back.
std::vector<ReadBackProblem> CheckReadBack(const ConfigModel& model, const std::vector<std::string>& lines);

// Whether `problem` stops an export to `target`: corruption always, an
// unsound address on the way to a unit, a loss only when `strict`.
bool Refuses(const ReadBackProblem& problem, ExportTarget target, bool strict = false);
// The problems that stop an export to `target` (`refusing`) or that it
// writes with a warning.
std::vector<ReadBackProblem> ProblemsWhere(const std::vector<ReadBackProblem>& problems, ExportTarget target,
                                           bool strict, bool refusing);
// Whether every one of `problems` is an address a unit cannot use (and
// nothing would read back wrongly): a refusal then says so.
bool OnlyUnsoundAddresses(const std::vector<ReadBackProblem>& problems);

// The refusal of an export as one text: "Nothing was exported: " and the
// first problems.
std::string ReadBackRefusal(const std::vector<ReadBackProblem>& problems);

}  // namespace zem
