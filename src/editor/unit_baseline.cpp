#include "editor/unit_baseline.h"

#include "command/change_set.h"

namespace zem {

ChangesState UnitBaseline::StateFor(const std::string& link, const UnitConfiguration& next) const {
  const UnitConfiguration* base = For(link);
  if (!base) return ChangesState::NoBaseline;
  if (!ChangesCanBeSent(*base, next)) return ChangesState::CountsDiffer;
  // Equal in all an export writes is no change line at all.
  return *base == next ? ChangesState::NothingChanged : ChangesState::Ready;
}

}  // namespace zem
