#include "editor/edit_history.h"

#include <array>
#include <string_view>
#include <utility>

#include "editor/bulk_edits.h"
#include "editor/editor.h"

namespace zem {

namespace {

// One row per kind of step: its name in the Edit menu, with the step's
// numbers in place of {item} and {detail}; the page it is made on; what its
// item number names.
struct StepRow {
  StepKind kind;
  const char* name;
  Page page;
  StepItem item;
};

constexpr std::array kSteps = [] {
  using enum StepKind;
  using enum StepItem;
  using enum Page;
  // clang-format off
  return std::array{
    StepRow{RenameZone,         "Rename Zone {item}",                        SourceZoneNaming,    PageOnly},
    StepRow{RenameSource,       "Rename Source {item}",                      SourceZoneNaming,    PageOnly},
    StepRow{RenameFavorite,     "Rename Favorite {item}",                    FavoriteGroupNaming, PageOnly},
    StepRow{RenameGroup,        "Rename Group {item}",                       FavoriteGroupNaming, PageOnly},
    StepRow{FavoriteCell,       "Route Zone {detail} in Favorite {item}",    Favorites,           Favorite},
    StepRow{GroupCell,          "Groups of Zone {item}",                     Groups,              PageOnly},
    StepRow{RestrictionCell,    "Restrictions of Zone {item}",               Restrictions,        PageOnly},
    StepRow{RestrictAll,        "Restrict All",                              Restrictions,        PageOnly},
    StepRow{ClearAll,           "Clear All",                                 Restrictions,        PageOnly},
    StepRow{Band,               "Band {detail} of Zone {item}",              ZoneAudioControls,   Zone},
    StepRow{Bass,               "Bass of Zone {item}",                       ZoneAudioControls,   Zone},
    StepRow{Treble,             "Treble of Zone {item}",                     ZoneAudioControls,   Zone},
    StepRow{Volume,             "Volume of Zone {item}",                     ZoneAudioControls,   Zone},
    StepRow{Balance,            "Balance of Zone {item}",                    ZoneAudioControls,   Zone},
    StepRow{Lowpass,            "Lowpass of Zone {item}",                    ZoneAudioControls,   Zone},
    StepRow{DspMode,            "DSP Mode of Zone {item}",                   ZoneAudioControls,   Zone},
    StepRow{SystemEQ,           "System EQ of Zone {item}",                  ZoneAudioControls,   Zone},
    StepRow{ZoneQuickEQ,        "Quick EQ of Zone {item}",                   ZoneAudioControls,   Zone},
    StepRow{PresetBand,         "Band {detail} of Preset {item}",            EQPresets,           Preset},
    StepRow{PresetName,         "Rename Preset {item}",                      EQPresets,           Preset},
    StepRow{PresetQuickEQ,      "Quick EQ of Preset {item}",                 EQPresets,           Preset},
    StepRow{Dhcp,               "DHCP",                                      Options,             PageOnly},
    StepRow{IPAddress,          "IP Address",                                Options,             PageOnly},
    StepRow{Netmask,            "Netmask",                                   Options,             PageOnly},
    StepRow{Gateway,            "Gateway",                                   Options,             PageOnly},
    StepRow{FrontPanelLock,     "Front Panel Lock",                          Options,             PageOnly},
    StepRow{IRLockout,          "IR Lockout",                                Options,             PageOnly},
    StepRow{DisplayLevel,       "Display Brightness",                        Options,             PageOnly},
    StepRow{PasteZoneNames,     "Paste {many}Zone Name{s}",                  SourceZoneNaming,    PageOnly},
    StepRow{PasteSourceNames,   "Paste {many}Source Name{s}",                SourceZoneNaming,    PageOnly},
    StepRow{PasteFavoriteNames, "Paste {many}Favorite Name{s}",              FavoriteGroupNaming, PageOnly},
    StepRow{PasteGroupNames,    "Paste {many}Group Name{s}",                 FavoriteGroupNaming, PageOnly},
    StepRow{ClearZoneNames,     "Clear {many}Zone Name{s}",                  SourceZoneNaming,    PageOnly},
    StepRow{ClearSourceNames,   "Clear {many}Source Name{s}",                SourceZoneNaming,    PageOnly},
    StepRow{ClearFavoriteNames, "Clear {many}Favorite Name{s}",              FavoriteGroupNaming, PageOnly},
    StepRow{ClearGroupNames,    "Clear {many}Group Name{s}",                 FavoriteGroupNaming, PageOnly},
    StepRow{ImportNames,        "Import {many}Name{s}",                      SourceZoneNaming,    PageOnly},
    StepRow{CopyAudio,          "Copy {parts} of Zone {item} to {count} Zone{s}",
                                                                             ZoneAudioControls,   Zone},
    StepRow{GroupRange,         "Groups of {count} Zone{s}",                 Groups,              PageOnly},
    StepRow{RestrictionRange,   "Restrictions of {count} Zone{s}",           Restrictions,        PageOnly},
    StepRow{FavoriteRange,      "Route {count} Zone{s} in Favorite {item}",  Favorites,           Favorite},
    StepRow{CopyFavorite,       "Copy Favorite {item} to Favorite {detail}", Favorites,           Favorite},
  };
  // clang-format on
}();

constexpr bool EveryKindInItsRow() {
  for (std::size_t i = 0; i < kSteps.size(); ++i)
    if (kSteps[i].kind != static_cast<StepKind>(i)) return false;
  return kSteps.size() == static_cast<std::size_t>(StepKind::CopyFavorite) + 1;
}
static_assert(EveryKindInItsRow(), "kSteps has one row per StepKind, in its order");

const StepRow& RowOf(StepKind kind) { return kSteps.at(static_cast<std::size_t>(kind)); }

// Puts `text` in the place of `field` in a step's name.
void Fill(std::string& name, std::string_view field, const std::string& text) {
  if (const std::size_t at = name.find(field); at != std::string::npos) name.replace(at, field.size(), text);
}

std::uint8_t Byte(int number) { return static_cast<std::uint8_t>(number); }

// The entry a key names, of a const or a changeable configuration.
template <typename Unit>
auto& Entry(Unit& unit, NameKey key) {
  switch (key.table) {
    case NameTable::Zones:
      return unit.ZoneNames[key.number];
    case NameTable::Sources:
      return unit.SourceNames[key.number];
    case NameTable::Favorites:
      return unit.FavoriteNames[key.number];
    case NameTable::Groups:
      break;
  }
  return unit.GroupNames[key.number];
}

template <typename Unit>
auto& Grid(Unit& unit, MarkGrid grid) {
  return grid == MarkGrid::Restrictions ? unit.RestrictionMarks : unit.GroupMarks;
}

template <typename Unit>
auto& Entry(Unit& unit, MarkKey key) {
  return Grid(unit, key.grid).Cell(key.column, key.row);
}

template <typename Unit>
auto& Entry(Unit& unit, FavoriteCellKey key) {
  return unit.FavoriteStore.Cell(key.favorite, key.source, key.zone);
}

template <typename Unit>
auto& Entry(Unit& unit, ZoneKey key) {
  return unit.ZoneAudio[key.zone];
}

template <typename Unit>
auto& Entry(Unit& unit, PresetKey key) {
  return unit.EQPresets[key.preset];
}

template <typename Unit>
auto& Entry(Unit& unit, OptionsKey) {
  return unit.Options;
}

template <typename Key, typename T>
void Compare(std::vector<Change<Key, T>>& out, const UnitConfiguration& a, const UnitConfiguration& b,
             Key at) {
  const T& x = Entry(a, at);
  const T& y = Entry(b, at);
  if (!(x == y)) out.push_back(Change<Key, T>{at, x, y});
}

template <typename Key, typename T>
void Apply(const std::vector<Change<Key, T>>& changes, UnitConfiguration& unit, bool after) {
  for (const Change<Key, T>& c : changes) Entry(unit, c.at) = after ? c.after : c.before;
}

std::size_t HeapBytes(const std::string& text) {
  // Short texts live inside the string itself.
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}
std::size_t HeapBytes(const EQPresetsRec& preset) { return HeapBytes(preset.Name); }
std::size_t HeapBytes(const OptionsRec& options) {
  return HeapBytes(options.IPAddress) + HeapBytes(options.Netmask) + HeapBytes(options.Gateway);
}
std::size_t HeapBytes(Route) { return 0; }
std::size_t HeapBytes(const ZoneAudioRec&) { return 0; }

template <typename Key, typename T>
std::size_t BytesOf(const std::vector<Change<Key, T>>& changes) {
  std::size_t bytes = changes.capacity() * sizeof(Change<Key, T>);
  for (const Change<Key, T>& c : changes) bytes += HeapBytes(c.before) + HeapBytes(c.after);
  return bytes;
}

}  // namespace

std::string StepName(const StepId& id) {
  std::string name = RowOf(id.kind).name;
  Fill(name, "{item}", std::to_string(id.item));
  // Copy Audio's detail is what it copies.
  if (id.kind == StepKind::CopyAudio) Fill(name, "{parts}", AudioPartsName(id.detail));
  Fill(name, "{detail}", std::to_string(id.detail));
  Fill(name, "{count}", std::to_string(id.count));
  // "{many}": the count and a space, left out for one ("Paste Zone Name").
  Fill(name, "{many}", id.count == 1 ? std::string() : std::to_string(id.count) + " ");
  Fill(name, "{s}", id.count == 1 ? "" : "s");
  return name;
}

StepItem ItemOf(StepKind kind) { return RowOf(kind).item; }

Page PageOf(StepKind kind) { return RowOf(kind).page; }

bool UnitDiff::Empty() const {
  return names.empty() && marks.empty() && favorites.empty() && zoneAudio.empty() && presets.empty() &&
         options.empty();
}

bool UnitDiff::OnlyPresets() const {
  return names.empty() && marks.empty() && favorites.empty() && zoneAudio.empty() && options.empty();
}

std::size_t UnitDiff::Bytes() const {
  return sizeof(UnitDiff) + BytesOf(names) + BytesOf(marks) + BytesOf(favorites) + BytesOf(zoneAudio) +
         BytesOf(presets) + BytesOf(options);
}

UnitDiff DiffUnits(const UnitConfiguration& a, const UnitConfiguration& b) {
  UnitDiff diff;
  constexpr std::array<std::pair<NameTable, int>, 4> kNameTables = {{
      {NameTable::Zones, kZones},
      {NameTable::Sources, kSources},
      {NameTable::Favorites, kFavorites},
      {NameTable::Groups, kGroups},
  }};
  for (const auto& [table, count] : kNameTables)
    for (int n = 1; n <= count; ++n) Compare(diff.names, a, b, NameKey{table, Byte(n)});
  for (const MarkGrid grid : {MarkGrid::Restrictions, MarkGrid::Groups}) {
    const TextGrid& marks = Grid(a, grid);
    for (int row = 0; row < marks.Rows(); ++row)
      for (int column = 0; column < marks.Columns(); ++column)
        Compare(diff.marks, a, b, MarkKey{grid, Byte(column), Byte(row)});
  }
  for (int favorite = 1; favorite <= kFavorites; ++favorite)
    for (int source = 1; source <= kSources; ++source)
      for (int zone = 1; zone <= kZones; ++zone)
        Compare(diff.favorites, a, b, FavoriteCellKey{Byte(favorite), Byte(source), Byte(zone)});
  for (int zone = 1; zone <= kZones; ++zone) Compare(diff.zoneAudio, a, b, ZoneKey{Byte(zone)});
  for (int preset = 1; preset <= kPresets; ++preset) Compare(diff.presets, a, b, PresetKey{Byte(preset)});
  Compare(diff.options, a, b, OptionsKey{});
  return diff;
}

void ApplyDiff(const UnitDiff& diff, UnitConfiguration& unit, bool after) {
  Apply(diff.names, unit, after);
  Apply(diff.marks, unit, after);
  Apply(diff.favorites, unit, after);
  Apply(diff.zoneAudio, unit, after);
  Apply(diff.presets, unit, after);
  Apply(diff.options, unit, after);
}

void EditHistory::Changed() {
  if (onChange_) onChange_();
}

void EditHistory::Open(StepId id, const UnitConfiguration& before) {
  open_ = id;
  if (before_)
    *before_ = before;
  else
    before_ = std::make_unique<UnitConfiguration>(before);
  Changed();
}

bool EditHistory::Close(const UnitConfiguration& now) {
  if (!open_) return false;
  const StepId id = *open_;
  open_.reset();
  UnitDiff diff = DiffUnits(*before_, now);
  before_.reset();
  if (diff.Empty()) {
    Changed();
    return false;
  }
  while (steps_.size() > done_) {
    bytes_ -= steps_.back().diff.Bytes();
    steps_.pop_back();
  }
  bytes_ += diff.Bytes();
  steps_.push_back(Step{id, std::move(diff)});
  done_ = steps_.size();
  Trim();
  Changed();
  return true;
}

void EditHistory::Trim() {
  // The oldest steps done go first; with none done, the steps furthest to
  // redo (a redo step applies only after the ones before it). One stays,
  // however large.
  while (steps_.size() > 1 && (steps_.size() > maxSteps_ || bytes_ > maxBytes_)) {
    if (done_ > 0) {
      bytes_ -= steps_.front().diff.Bytes();
      steps_.pop_front();
      --done_;
    } else {
      bytes_ -= steps_.back().diff.Bytes();
      steps_.pop_back();
    }
  }
}

std::optional<StepId> EditHistory::UndoStep() const {
  if (open_) return open_;
  if (!CanUndo()) return std::nullopt;
  return steps_[done_ - 1].id;
}

std::optional<StepId> EditHistory::RedoStep() const {
  if (open_ || !CanRedo()) return std::nullopt;
  return steps_[done_].id;
}

const EditHistory::Step* EditHistory::Undo(UnitConfiguration& unit) {
  if (open_ || !CanUndo()) return nullptr;
  --done_;
  ApplyDiff(steps_[done_].diff, unit, false);
  Changed();
  return &steps_[done_];
}

const EditHistory::Step* EditHistory::Redo(UnitConfiguration& unit) {
  if (open_ || !CanRedo()) return nullptr;
  ApplyDiff(steps_[done_].diff, unit, true);
  ++done_;
  Changed();
  return &steps_[done_ - 1];
}

void EditHistory::Clear() {
  steps_.clear();
  done_ = 0;
  bytes_ = 0;
  open_.reset();
  before_.reset();
  Changed();
}

void EditHistory::Keep() {
  open_.reset();
  before_.reset();
  kept_ = Steps{std::move(steps_), done_, bytes_};
  steps_.clear();
  done_ = 0;
  bytes_ = 0;
  Changed();
}

void EditHistory::TakeBackKept() {
  if (!kept_) return;
  steps_ = std::move(kept_->steps);
  done_ = kept_->done;
  bytes_ = kept_->bytes;
  kept_.reset();
  open_.reset();
  before_.reset();
  Changed();
}

void EditHistory::SetLimits(std::size_t maxSteps, std::size_t maxBytes) {
  maxSteps_ = maxSteps;
  maxBytes_ = maxBytes;
  Trim();
  Changed();
}

}  // namespace zem
