#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/config_model.h"

namespace zem {

// Whether File > Export Changes can run for a configuration, and why not.
enum class ChangesState {
  NoBaseline,      // nothing known of the unit on this link
  CountsDiffer,    // the source or zone count changed: only a full export can say so
  NothingChanged,  // the unit holds this configuration already
  Ready,           // there are changes to send
};

// What the unit at the other end of a link is known to hold: the
// configuration last read from it whole, or last sent to it (whole or as its
// changes) with every command taken, in this session. Only then can the changes alone bring it to
// another configuration; whenever its state is in doubt it is forgotten.
class UnitBaseline {
 public:
  // A link is named by a plain key ("telnet host:port", "serial /dev/ttyS0");
  // an empty key is no unit (File Mode), which never has a baseline.
  const UnitConfiguration* For(const std::string& link) const {
    return known_ && !link.empty() && link == link_ ? &*known_ : nullptr;
  }
  // What is known of the unit, on whichever link: a value the unit holds
  // out of the window's range is known as the window brings it into range.
  UnitConfiguration* Known() { return known_ ? &*known_ : nullptr; }
  void Remember(const std::string& link, const UnitConfiguration& unit) {
    if (link.empty()) return Forget();
    link_ = link;
    known_ = unit;
  }
  // A whole read of the unit on `link`: what it holds. A read drops the
  // letters of a name beyond plain ASCII; a name known before that reads
  // back as itself without them stays known as it was.
  void RememberRead(const std::string& link, const UnitConfiguration& read);
  void Forget() {
    link_.clear();
    known_.reset();
  }
  // Whether the unit on `link` can be brought to `next` by its changes alone;
  // `lines` (when given) becomes the number of changed command lines that
  // would take, without the closing line.
  ChangesState StateFor(const std::string& link, const UnitConfiguration& next,
                        std::size_t* lines = nullptr) const;

 private:
  std::string link_;
  std::optional<UnitConfiguration> known_;
};

}  // namespace zem
