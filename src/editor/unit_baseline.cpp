#include "editor/unit_baseline.h"

#include "command/change_set.h"
#include "editor/unit_names.h"

namespace zem {

void UnitBaseline::RememberRead(const std::string& link, const UnitConfiguration& read) {
  const UnitConfiguration* known = For(link);
  Remember(link, known ? WithSentNames(read, *known) : read);
}

ChangesState UnitBaseline::StateFor(const std::string& link, const UnitConfiguration& next,
                                    std::size_t* lines) const {
  if (lines) *lines = 0;
  const UnitConfiguration* base = For(link);
  if (!base) return ChangesState::NoBaseline;
  if (!ChangesCanBeSent(*base, next)) return ChangesState::CountsDiffer;
  // The comparison also counts values no export writes (bands of a zone in
  // another DSP mode, entries beyond the counts): only when it finds a
  // difference do the change lines say whether one would reach the unit.
  if (WritesSameExport(*base, next)) return ChangesState::NothingChanged;
  // The closing line ends every set of changes and changes nothing itself.
  const std::size_t sent = BuildChangedCommands(*base, next).size();
  const std::size_t count = sent == 0 ? 0 : sent - 1;
  if (lines) *lines = count;
  return count == 0 ? ChangesState::NothingChanged : ChangesState::Ready;
}

}  // namespace zem
