#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/numbered_table.h"
#include "model/text_grid.h"
#include "model/text_log.h"

namespace zem {

inline constexpr int kZones = 192;
inline constexpr int kSources = 16;
inline constexpr int kFavorites = 10;
inline constexpr int kGroups = 10;
inline constexpr int kPresets = 10;
inline constexpr int kBands = 10;
inline constexpr int kLevels = 4;
// Names of zones, sources, favorites and groups are kept to this many bytes.
inline constexpr std::size_t kNameLength = 15;

// Audio settings of one zone, as an export writes them. Bass and Treble are kept negated, as the
// vertical sliders hold them; the other values keep the commands' sign.
struct ZoneAudioRec {
  std::uint8_t EQUsed = 0;
  NumberedTable<std::int8_t, kBands> Band;
  std::int8_t Bass = 0;
  std::int8_t Treble = 0;
  std::int8_t Volume = 0;
  std::int8_t Balance = 0;
  std::int8_t DSPMode = 0;
  std::int8_t SystemEQ = 0;
  std::int32_t Lowpass = 0;

  bool operator==(const ZoneAudioRec&) const = default;
};

struct EQPresetsRec {
  NumberedTable<std::int8_t, kBands> Band;
  std::string Name;  // any length: preset names are not cut

  bool operator==(const EQPresetsRec&) const = default;
};

// How a favorite routes a source to a zone. Restricted: the zone may not
// use the source, the same in every favorite.
enum class Route : std::uint8_t { None, Combined, Audio, Video, Restricted };

// The letter of a route that connects, as zemctl's texts and the favorites
// grid give it: "C", "A" or "V"; none for no connection or a restricted pair.
constexpr const char* RouteLetter(Route route) {
  switch (route) {
    case Route::Combined:
      return "C";
    case Route::Audio:
      return "A";
    case Route::Video:
      return "V";
    case Route::None:
    case Route::Restricted:
      break;
  }
  return nullptr;
}

// FavoriteStore: favorite, then source, then zone (zone varies fastest).
class FavoriteStoreTable {
 public:
  Route& Cell(int favorite, int source, int zone) { return cells_[Index(favorite, source, zone)]; }
  const Route& Cell(int favorite, int source, int zone) const {
    return cells_[Index(favorite, source, zone)];
  }
  void ClearAll() { std::fill(cells_.begin(), cells_.end(), Route::None); }
  bool operator==(const FavoriteStoreTable&) const = default;

 private:
  static std::size_t Index(int f, int s, int z) {
    assert((NumberedTable<int, kFavorites>::Contains(f) && NumberedTable<int, kSources>::Contains(s) &&
            NumberedTable<int, kZones>::Contains(z)));
    return (static_cast<std::size_t>(f - 1) * kSources + static_cast<std::size_t>(s - 1)) * kZones +
           static_cast<std::size_t>(z - 1);
  }
  std::vector<Route> cells_ = std::vector<Route>(kFavorites * kSources * kZones, Route::None);
};

// A list box or drop-down list: its entries and the chosen position (-1: none).
struct ListState {
  std::vector<std::string> Items;
  int Selected = -1;

  bool HasSelection() const { return Selected >= 0 && Selected < static_cast<int>(Items.size()); }
  // Chooses `position` when it is an entry of the list, else nothing.
  void Select(int position) {
    Selected = (position >= 0 && position < static_cast<int>(Items.size())) ? position : -1;
  }
  bool operator==(const ListState&) const = default;
};

struct OptionsRec {
  int DisplayLevel = 0;  // position of the brightness track bar, 0 to 3
  bool FrontPanelLock = false;
  bool IRLockout = false;
  bool DHCPEnabled = false;
  std::string IPAddress = "IPAddress";
  std::string Netmask = "Netmask";
  std::string Gateway = "Gateway";

  bool operator==(const OptionsRec&) const = default;
};

struct GridCellPos {
  int Column = 0;
  int Row = 0;
  bool operator==(const GridCellPos&) const = default;
};

// The configuration of one unit: everything an export writes, and what the
// unit reports but an export does not carry (the EQ presets and the zones'
// volume locks).
struct UnitConfiguration {
  NumberedTable<std::string, kZones> ZoneNames;
  NumberedTable<std::string, kSources> SourceNames;
  NumberedTable<std::string, kFavorites> FavoriteNames;
  NumberedTable<std::string, kGroups> GroupNames;

  NumberedTable<ZoneAudioRec, kZones> ZoneAudio;
  FavoriteStoreTable FavoriteStore;

  // Addressed (column, row) as the matrices show them, so RestrictionMark
  // (zone z, source s) is cell (s, z) and GroupMark (zone z, group g) cell
  // (g, z). Row 0 and column 0 are the grids' labels, which are not the
  // unit's: here they stay empty.
  TextGrid RestrictionMarks{kSources + 1, kZones + 1};
  TextGrid GroupMarks{kGroups + 1, kZones + 1};

  std::string& RestrictionMark(int zone, int source) { return RestrictionMarks.Cell(source, zone); }
  const std::string& RestrictionMark(int zone, int source) const {
    return RestrictionMarks.Cell(source, zone);
  }
  std::string& GroupMark(int zone, int group) { return GroupMarks.Cell(group, zone); }
  const std::string& GroupMark(int zone, int group) const { return GroupMarks.Cell(group, zone); }

  OptionsRec Options;

  int ZoneCount = -1;
  int SourceCount = -1;

  // Reported by the unit, never exported.
  NumberedTable<EQPresetsRec, kPresets> EQPresets;
  NumberedTable<std::uint8_t, kZones> VolumeLocks;

  // Every entry alike, what an export leaves out included.
  bool operator==(const UnitConfiguration&) const = default;
};

// Whether an export of the one writes the same as an export of the other:
// the EQ presets and volume locks are left out, and so are stored favorite
// cells of sources and zones beyond the counts (a file may route them; an
// export writes none).
bool WritesSameExport(const UnitConfiguration& a, const UnitConfiguration& b);

// What the editor shows of a configuration and the state of its controls:
// the grids' labels, the lists, the display label and the items being edited.
struct ScreenState {
  ScreenState();

  // Row 0 and column 0 of the matrices; their other cells are favorite
  // CurrentFavorite and the unit's marks. The favorites grid's corner (0, 0)
  // holds the name of the source selected last.
  GridLabels FavoriteLabels{kSources + 1, kZones + 1};
  GridLabels RestrictionLabels{kSources + 1, kZones + 1};
  GridLabels GroupLabels{kGroups + 1, kZones + 1};

  std::array<std::string, kLevels> LevelNames;
  std::string DisplayLabel = "Level: 0";  // the brightness level's name

  // Lists whose entries the model's operations fill.
  ListState FavoriteList;
  ListState ZoneList;
  ListState PresetList;
  ListState SystemEQList;  // the zone's system EQ: the presets' names

  // Rows shown by the zone-name and source-name grids.
  int ZoneNameRows = kZones;
  int SourceNameRows = kSources;

  // Editor state.
  int CurrentFavorite = 1;
  int CurrentZone = 1;
  int CurrentEQPreset = 1;
  // Whether the sources and zones beyond the counts show as not used: from
  // the import on, not after a reset.
  bool UnusedMarked = false;
  GridCellPos PopupCell;
  bool PopupFromMouse = false;

  bool operator==(const ScreenState&) const = default;
};

// A configuration as the editor holds it: the unit's data, and the state of
// the controls that show it.
struct ConfigModel {
  UnitConfiguration unit;
  ScreenState screen;

  // Every byte alike: the unit's data and the screen.
  bool operator==(const ConfigModel&) const = default;
};

// The model's part of the reset: every table and list back to its defaults,
// the two text areas emptied. Names of zones and sources, the EQ presets and
// the options are kept, as the unit overwrites them on the next import.
void ResetModel(ConfigModel& model, TextLog& receivedText, TextLog& messageLog);

// "Zone 7", "Source 3", ...
std::string NumberedLabel(std::string_view word, int n);
// The first kNameLength bytes of a name.
std::string CutName(std::string_view name);
// Bytes 0 to 31 and 127: not text, and CR and LF end a command's line.
constexpr bool IsControlByte(unsigned char byte) { return byte < 32 || byte == 127; }

}  // namespace zem
