#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/config_model.h"

namespace zem {

// The kinds of edit the user can undo, one name each (docs/controls.md
// lists them).
enum class StepKind : std::uint8_t {
  RenameZone,       // "Rename Zone 6"
  RenameSource,     // "Rename Source 2"
  RenameFavorite,   // "Rename Favorite 3"
  RenameGroup,      // "Rename Group 4"
  FavoriteCell,     // "Route Zone 12 in Favorite 2"
  GroupCell,        // "Groups of Zone 12"
  RestrictionCell,  // "Restrictions of Zone 12"
  RestrictAll,      // "Restrict All"
  ClearAll,         // "Clear All"
  Band,             // "Band 3 of Zone 12"
  Bass,             // "Bass of Zone 12"
  Treble,           // "Treble of Zone 12"
  Volume,           // "Volume of Zone 12"
  Balance,          // "Balance of Zone 12"
  Lowpass,          // "Lowpass of Zone 12"
  DspMode,          // "DSP Mode of Zone 12"
  SystemEQ,         // "System EQ of Zone 12"
  ZoneQuickEQ,      // "Quick EQ of Zone 12"
  PresetBand,       // "Band 3 of Preset 2"
  PresetName,       // "Rename Preset 2"
  PresetQuickEQ,    // "Quick EQ of Preset 2"
  Dhcp,             // "DHCP"
  IPAddress,        // "IP Address"
  Netmask,          // "Netmask"
  Gateway,          // "Gateway"
  FrontPanelLock,   // "Front Panel Lock"
  IRLockout,        // "IR Lockout"
  DisplayLevel,     // "Display Brightness"
  // Bulk edits; `count` is how many items they cover.
  PasteZoneNames,      // "Paste 40 Zone Names", "Paste Zone Name"
  PasteSourceNames,    // "Paste 3 Source Names"
  PasteFavoriteNames,  // "Paste 3 Favorite Names"
  PasteGroupNames,     // "Paste 3 Group Names"
  ClearZoneNames,      // "Clear 12 Zone Names"
  ClearSourceNames,    // "Clear 3 Source Names"
  ClearFavoriteNames,  // "Clear 3 Favorite Names"
  ClearGroupNames,     // "Clear 3 Group Names"
  ImportNames,         // "Import 42 Names"
  CopyAudio,           // "Copy Audio of Zone 5 to 24 Zones", "Copy EQ of Zone 5 to 3 Zones"
  GroupRange,          // "Groups of 30 Zones"
  RestrictionRange,    // "Restrictions of 30 Zones"
  FavoriteRange,       // "Route 30 Zones in Favorite 2"
  CopyFavorite,        // "Copy Favorite 2 to Favorite 5"
};

// What a step is and where it was made.
struct StepId {
  StepKind kind = StepKind::RenameZone;
  int item = 0;    // the zone, source, favorite, group or preset the step concerns
  int detail = 0;  // the band; the zone of a favorite's cell; what Copy Audio copies
  int count = 0;   // the items a bulk edit covers
  bool operator==(const StepId&) const = default;
};

// The step's name in the Edit menu: "Volume of Zone 12".
std::string StepName(const StepId& id);

// What undo chooses, besides the page, to show a step: the zone, favorite
// or preset its item number names. PageOnly: the page alone, as it shows
// every item of the step (a rename, a matrix row) or the step has none.
enum class StepItem { PageOnly, Zone, Favorite, Preset };
StepItem ItemOf(StepKind kind);
// The page a step is made on, which undo shows.
enum class Page;
Page PageOf(StepKind kind);

// Which entry of the unit's configuration a change is, one kind of key per
// table. Numbers count from 1 as the unit's do; a mark's column and row
// are the grid's own.
enum class NameTable : std::uint8_t { Zones, Sources, Favorites, Groups };
struct NameKey {
  NameTable table;
  std::uint8_t number;
};
enum class MarkGrid : std::uint8_t { Restrictions, Groups };
struct MarkKey {
  MarkGrid grid;
  std::uint8_t column;  // a source or group
  std::uint8_t row;     // a zone
};
struct FavoriteCellKey {
  std::uint8_t favorite;
  std::uint8_t source;
  std::uint8_t zone;
};
struct ZoneKey {
  std::uint8_t zone;
};
struct PresetKey {
  std::uint8_t preset;
};
struct OptionsKey {};  // the options are one entry
static_assert(kZones + 1 <= 255, "a zone and a grid row fit a key's byte");

// One entry before and after a step; `at` says which entry.
template <typename Key, typename T>
struct Change {
  Key at;
  T before;
  T after;
};

// The entries of a unit's configuration that differ between two versions
// of it: a step keeps only these, never a whole copy.
struct UnitDiff {
  std::vector<Change<NameKey, std::string>> names;        // zone, source, favorite and group names
  std::vector<Change<MarkKey, std::string>> marks;        // restriction and group marks
  std::vector<Change<FavoriteCellKey, Route>> favorites;  // stored favorite cells
  std::vector<Change<ZoneKey, ZoneAudioRec>> zoneAudio;
  std::vector<Change<PresetKey, EQPresetsRec>> presets;
  std::vector<Change<OptionsKey, OptionsRec>> options;

  bool Empty() const;
  // Only the EQ presets changed, which an export does not carry.
  bool OnlyPresets() const;
  // About how much memory the changes take.
  std::size_t Bytes() const;
};

UnitDiff DiffUnits(const UnitConfiguration& before, const UnitConfiguration& after);
// Writes the `before` side (undo) or the `after` side (redo) of every change.
void ApplyDiff(const UnitDiff& diff, UnitConfiguration& unit, bool after);

// The steps the user can undo and redo, newest last. A step is opened before
// its first change, with the configuration as it was, and closed once it is
// complete (a slider let go, a name committed); what changed in between is
// the step. Changes made while no step is open belong to no step.
class EditHistory {
 public:
  static constexpr std::size_t kMaxSteps = 500;
  static constexpr std::size_t kMaxBytes = std::size_t{64} * 1024 * 1024;

  struct Step {
    StepId id;
    UnitDiff diff;
  };

  // Told whenever what Undo and Redo would do may have changed.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  void Open(StepId id, const UnitConfiguration& before);
  const std::optional<StepId>& OpenStep() const { return open_; }
  // The open step becomes a step unless nothing changed; true when it did.
  // Redo steps are dropped by a new step, the oldest beyond the limits.
  bool Close(const UnitConfiguration& now);

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  // What Undo would take back: the open step, else the last step done.
  std::optional<StepId> UndoStep() const;
  std::optional<StepId> RedoStep() const;
  // Takes back the last step done, or does the next step again, in `unit`;
  // nullptr when there is none. No step may be open.
  const Step* Undo(UnitConfiguration& unit);
  const Step* Redo(UnitConfiguration& unit);

  // Forgets every step and the open one (a new configuration).
  void Clear();
  // An import sets the steps aside until it knows whether it read anything:
  // then they are dropped (Clear) or taken back.
  void Keep();
  void TakeBackKept();
  void DropKept() { kept_.reset(); }

  std::size_t Size() const { return steps_.size(); }
  std::size_t Done() const { return done_; }
  // About how much memory the steps take.
  std::size_t Bytes() const { return bytes_; }
  void SetLimits(std::size_t maxSteps, std::size_t maxBytes);

 private:
  struct Steps {
    std::deque<Step> steps;
    std::size_t done = 0;
    std::size_t bytes = 0;
  };
  void Changed();
  void Trim();

  std::deque<Step> steps_;
  std::size_t done_ = 0;  // steps_[0, done_) are done, the rest can be redone
  std::size_t bytes_ = 0;
  std::size_t maxSteps_ = kMaxSteps;
  std::size_t maxBytes_ = kMaxBytes;
  std::optional<StepId> open_;
  std::unique_ptr<UnitConfiguration> before_;  // of the open step
  std::optional<Steps> kept_;
  std::function<void()> onChange_;
};

}  // namespace zem
