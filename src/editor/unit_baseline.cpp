#include "editor/unit_baseline.h"

#include "command/change_set.h"

namespace zem {

ChangesState UnitBaseline::StateFor(const std::string& link, const UnitConfiguration& next) const {
  const UnitConfiguration* base = For(link);
  if (!base) return ChangesState::NoBaseline;
  if (!ChangesCanBeSent(*base, next)) return ChangesState::CountsDiffer;
  // The comparison also counts values no export writes (bands of a zone in
  // another DSP mode, entries beyond the counts): only when it finds a
  // difference do the change lines say whether one would reach the unit.
  if (WritesSameExport(*base, next) || BuildChangedCommands(*base, next).empty())
    return ChangesState::NothingChanged;
  return ChangesState::Ready;
}

}  // namespace zem
