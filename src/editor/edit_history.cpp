#include "editor/edit_history.h"

#include <array>

#include "editor/editor.h"

namespace zem {

namespace {

// What each kind of step is called and where it is made.
struct KindInfo {
  const char* before;  // the words of its name before the item's number
  const char* after;   // the words after it; nullptr: the name has no number
  Page page;           // the page it is made on
  StepItem item;       // what its item number names
};

// Indexed by StepKind.
constexpr std::array<KindInfo, 28> kKinds = {{
    {"Rename Zone ", "", Page::SourceZoneNaming, StepItem::None},           // RenameZone
    {"Rename Source ", "", Page::SourceZoneNaming, StepItem::None},         // RenameSource
    {"Rename Favorite ", "", Page::FavoriteGroupNaming, StepItem::None},    // RenameFavorite
    {"Rename Group ", "", Page::FavoriteGroupNaming, StepItem::None},       // RenameGroup
    {"Route Zone ", " in Favorite ", Page::Favorites, StepItem::Favorite},  // FavoriteCell
    {"Groups of Zone ", "", Page::Groups, StepItem::None},                  // GroupCell
    {"Restrictions of Zone ", "", Page::Restrictions, StepItem::None},      // RestrictionCell
    {"Restrict All", nullptr, Page::Restrictions, StepItem::None},          // RestrictAll
    {"Clear All", nullptr, Page::Restrictions, StepItem::None},             // ClearAll
    {"Band ", " of Zone ", Page::ZoneAudioControls, StepItem::Zone},        // Band
    {"Bass of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},         // Bass
    {"Treble of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},       // Treble
    {"Volume of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},       // Volume
    {"Balance of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},      // Balance
    {"Lowpass of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},      // Lowpass
    {"DSP Mode of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},     // DspMode
    {"System EQ of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},    // SystemEQ
    {"Quick EQ of Zone ", "", Page::ZoneAudioControls, StepItem::Zone},     // ZoneQuickEQ
    {"Band ", " of Preset ", Page::EQPresets, StepItem::Preset},            // PresetBand
    {"Rename Preset ", "", Page::EQPresets, StepItem::Preset},              // PresetName
    {"Quick EQ of Preset ", "", Page::EQPresets, StepItem::Preset},         // PresetQuickEQ
    {"DHCP", nullptr, Page::Options, StepItem::None},                       // Dhcp
    {"IP Address", nullptr, Page::Options, StepItem::None},                 // IPAddress
    {"Netmask", nullptr, Page::Options, StepItem::None},                    // Netmask
    {"Gateway", nullptr, Page::Options, StepItem::None},                    // Gateway
    {"Front Panel Lock", nullptr, Page::Options, StepItem::None},           // FrontPanelLock
    {"IR Lockout", nullptr, Page::Options, StepItem::None},                 // IRLockout
    {"Display Brightness", nullptr, Page::Options, StepItem::None},         // DisplayLevel
}};
static_assert(static_cast<std::size_t>(StepKind::DisplayLevel) + 1 == kKinds.size());

const KindInfo& InfoOf(StepKind kind) { return kKinds.at(static_cast<std::size_t>(kind)); }

// Where the entries of each table are in Change::at.
constexpr std::uint32_t kNameTableStride = 256;
constexpr std::uint32_t kMarkGridStride = 65536;
constexpr std::uint32_t kMarkRowStride = 256;

// Each table's entry `at`, of a const or a changeable configuration.
constexpr auto kNameAt = [](auto& unit, std::uint32_t at) -> decltype(auto) {
  const int n = static_cast<int>(at % kNameTableStride) + 1;
  switch (at / kNameTableStride) {
    case 0:
      return unit.ZoneNames[n];
    case 1:
      return unit.SourceNames[n];
    case 2:
      return unit.FavoriteNames[n];
    default:
      return unit.GroupNames[n];
  }
};

constexpr auto kMarkAt = [](auto& unit, std::uint32_t at) -> decltype(auto) {
  auto& grid = at / kMarkGridStride == 0 ? unit.RestrictionMarks : unit.GroupMarks;
  const std::uint32_t cell = at % kMarkGridStride;
  return grid.Cell(static_cast<int>(cell % kMarkRowStride), static_cast<int>(cell / kMarkRowStride));
};

constexpr auto kFavoriteAt = [](auto& unit, std::uint32_t at) -> decltype(auto) {
  const int zone = static_cast<int>(at % kZones) + 1;
  const int source = static_cast<int>(at / kZones % kSources) + 1;
  const int favorite = static_cast<int>(at / kZones / kSources) + 1;
  return unit.FavoriteStore.Cell(favorite, source, zone);
};

constexpr auto kZoneAudioAt = [](auto& unit, std::uint32_t at) -> decltype(auto) {
  return unit.ZoneAudio[static_cast<int>(at) + 1];
};
constexpr auto kPresetAt = [](auto& unit, std::uint32_t at) -> decltype(auto) {
  return unit.EQPresets[static_cast<int>(at) + 1];
};
constexpr auto kOptionsAt = [](auto& unit, std::uint32_t) -> auto& { return unit.Options; };

template <typename T, typename Entry>
void Compare(std::vector<Change<T>>& out, const UnitConfiguration& a, const UnitConfiguration& b,
             std::uint32_t at, Entry entry) {
  const T& x = entry(a, at);
  const T& y = entry(b, at);
  if (!(x == y)) out.push_back(Change<T>{at, x, y});
}

template <typename T, typename Entry>
void Apply(const std::vector<Change<T>>& changes, UnitConfiguration& unit, bool after, Entry entry) {
  for (const Change<T>& c : changes) entry(unit, c.at) = after ? c.after : c.before;
}

std::size_t HeapBytes(const std::string& text) {
  // Short texts live inside the string itself.
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}
std::size_t HeapBytes(const EQPresetsRec& preset) { return HeapBytes(preset.Name); }
std::size_t HeapBytes(const OptionsRec& options) {
  return HeapBytes(options.IPAddress) + HeapBytes(options.Netmask) + HeapBytes(options.Gateway);
}
std::size_t HeapBytes(const FavoriteCell&) { return 0; }
std::size_t HeapBytes(const ZoneAudioRec&) { return 0; }

template <typename T>
std::size_t BytesOf(const std::vector<Change<T>>& changes) {
  std::size_t bytes = changes.capacity() * sizeof(Change<T>);
  for (const Change<T>& c : changes) bytes += HeapBytes(c.before) + HeapBytes(c.after);
  return bytes;
}

}  // namespace

std::string StepName(const StepId& id) {
  const KindInfo& text = InfoOf(id.kind);
  if (!text.after) return text.before;
  std::string name = text.before;
  // A favorite's cell and a band name the zone or band first.
  const bool detailFirst =
      id.kind == StepKind::FavoriteCell || id.kind == StepKind::Band || id.kind == StepKind::PresetBand;
  name += std::to_string(detailFirst ? id.detail : id.item);
  if (*text.after) name += text.after + std::to_string(id.item);
  return name;
}

StepItem ItemOf(StepKind kind) { return InfoOf(kind).item; }

Page PageOf(StepKind kind) { return InfoOf(kind).page; }

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
  const std::array<int, 4> nameCounts = {kZones, kSources, kFavorites, kGroups};
  for (std::uint32_t table = 0; table < nameCounts.size(); ++table)
    for (std::uint32_t n = 0; n < static_cast<std::uint32_t>(nameCounts[table]); ++n)
      Compare(diff.names, a, b, table * kNameTableStride + n, kNameAt);
  for (std::uint32_t grid = 0; grid < 2; ++grid) {
    const TextGrid& marks = grid == 0 ? a.RestrictionMarks : a.GroupMarks;
    for (std::uint32_t row = 0; row < static_cast<std::uint32_t>(marks.Rows()); ++row)
      for (std::uint32_t column = 0; column < static_cast<std::uint32_t>(marks.Columns()); ++column)
        Compare(diff.marks, a, b, grid * kMarkGridStride + row * kMarkRowStride + column, kMarkAt);
  }
  for (std::uint32_t at = 0; at < std::uint32_t{kFavorites} * kSources * kZones; ++at)
    Compare(diff.favorites, a, b, at, kFavoriteAt);
  for (std::uint32_t at = 0; at < kZones; ++at) Compare(diff.zoneAudio, a, b, at, kZoneAudioAt);
  for (std::uint32_t at = 0; at < kPresets; ++at) Compare(diff.presets, a, b, at, kPresetAt);
  Compare(diff.options, a, b, 0, kOptionsAt);
  return diff;
}

void ApplyDiff(const UnitDiff& diff, UnitConfiguration& unit, bool after) {
  Apply(diff.names, unit, after, kNameAt);
  Apply(diff.marks, unit, after, kMarkAt);
  Apply(diff.favorites, unit, after, kFavoriteAt);
  Apply(diff.zoneAudio, unit, after, kZoneAudioAt);
  Apply(diff.presets, unit, after, kPresetAt);
  Apply(diff.options, unit, after, kOptionsAt);
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
