#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/config_model.h"

namespace zem {

// Names as a unit gives them back. A read of a unit keeps only the bytes 32
// to 126 of what it sends, so a name holding any other byte (a letter beyond
// plain ASCII such as "ü") is sent whole but reads back without it.

// Whether a read of a unit keeps `byte`.
constexpr bool UnitReturnsByte(unsigned char byte) { return byte >= 32 && byte <= 126; }
// Whether `name` holds a byte a read of a unit drops.
bool HoldsUnreturnedLetters(std::string_view name);
// `name` without the bytes a read of a unit drops.
std::string AsUnitReturns(std::string_view name);

// "3 names hold letters a unit cannot return; they were compared without
// them" (no line end, no leading blank).
std::string ComparedWithoutLettersNote(std::size_t names);

// What the unit holds after a read-back that matched: `read`, with each name
// of the four name tables that reads back as the one `sent` wrote taken as
// `sent` holds it, so a later rename that changes only the letters the read
// dropped is still sent.
UnitConfiguration WithSentNames(UnitConfiguration read, const UnitConfiguration& sent);

// Follows the names of a configuration as they change, and tells how many
// newly hold letters a unit cannot return: a name is told of once, when it
// gains them, not again at each later change of it.
class UnreturnedNamesWatch {
 public:
  // The names of `unit` now; how many hold such letters that did not before.
  // `first` (when given) becomes the label of the first of them ("zone 2").
  std::size_t Update(const UnitConfiguration& unit, std::string* first = nullptr);

 private:
  std::vector<bool> holds_;
};

// The status line's word on `names` names entered that a unit cannot
// return, the first of them labelled `first`: " 1 name holds letters a unit
// cannot return (zone 2): ...", with the leading blank.
std::string EnteredUnreturnedNote(std::size_t names, const std::string& first);

}  // namespace zem
