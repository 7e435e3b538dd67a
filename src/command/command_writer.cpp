#include "command/command_writer.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "command/command_table.h"

namespace zem {
namespace {

// The lines that open the blocks of restrictions, groups and favorites, and
// the one that ends the sequence: commands to the unit that carry no data
// and that the reader does not take.
constexpr std::string_view kRestrictionsBlock = "[RAR]";
constexpr std::string_view kGroupsBlock = "[GAR]";
constexpr std::string_view kFavoritesBlock = "[FAR]";
constexpr std::string_view kEnd = "[EC]";

// The audio lines of zone z's block.
std::vector<std::string> ZoneAudioLines(const UnitConfiguration& u, int z) {
  std::vector<std::string> out;
  const ZoneAudioRec& a = u.ZoneAudio[z];
  if (a.EQUsed == 0) return out;
  out.push_back(CommandLine(CommandForm::ZoneVolume, {z, a.Volume}));
  if (a.DSPMode < 0) return out;
  out.push_back(CommandLine(CommandForm::ZoneDspMode, {z, a.DSPMode}));
  if (a.Balance < 0) {
    out.push_back(CommandLine(CommandForm::ZoneBalanceLeft, {z, -a.Balance}));
  } else {
    out.push_back(CommandLine(CommandForm::ZoneBalanceRight, {z, a.Balance}));
  }
  switch (a.DSPMode) {
    case 1:
      for (int b = 1; b <= kBands; ++b)
        out.push_back(CommandLine(CommandForm::ZoneEqBand, {z, b, a.Band[b]}));
      break;
    case 2:
      if (a.SystemEQ > 0) out.push_back(CommandLine(CommandForm::ZoneSystemEq, {z, a.SystemEQ}));
      break;
    case 3:
      out.push_back(CommandLine(CommandForm::ZoneBassTreble, {z, -a.Bass, -a.Treble}));
      break;
    case 4:
      out.push_back(CommandLine(CommandForm::ZoneLowpass, {z, a.Lowpass}));
      break;
    default:
      break;
  }
  return out;
}

}  // namespace

std::string WrittenName(std::string_view name) {
  std::string cut = CutName(name);
  if (cut.empty()) cut = " ";
  return cut;
}

std::vector<ExportPiece> ExportPieces(const UnitConfiguration& u) {
  std::vector<ExportPiece> out;
  out.reserve(1024);
  const auto piece = [&out](std::vector<std::string> lines, PieceKind kind = PieceKind::Plain) {
    out.push_back(ExportPiece{std::move(lines), kind});
  };
  // The counts never exceed the tables, but a model edited by hand might.
  const int zones = std::min(u.ZoneCount, kZones);
  const int sources = std::min(u.SourceCount, kSources);

  piece({CommandLine(CommandForm::DisplayLevel, {u.Options.DisplayLevel})});
  piece({CommandLine(CommandForm::FrontPanelLock, {u.Options.FrontPanelLock ? 1 : 0})});
  piece({CommandLine(CommandForm::IrLockout, {u.Options.IRLockout ? 1 : 0})});
  piece({""});

  for (int s = 1; s <= sources; ++s)
    piece({CommandLine(CommandForm::SourceName, {s, WrittenName(u.SourceNames[s])})});
  for (int z = 1; z <= zones; ++z) {
    piece({""});
    piece({CommandLine(CommandForm::ZoneName, {z, WrittenName(u.ZoneNames[z])})});
    piece(ZoneAudioLines(u, z), PieceKind::ZoneAudio);
  }

  std::vector<std::string> block{std::string(kRestrictionsBlock), ""};
  for (int z = 1; z <= zones; ++z)
    for (int s = 1; s <= sources; ++s)
      if (u.RestrictionMark(z, s) == "R") block.push_back(CommandLine(CommandForm::ZoneRestriction, {z, s}));
  piece(std::move(block), PieceKind::Table);

  block = {std::string(kGroupsBlock)};
  for (int z = 1; z <= zones; ++z)
    for (int g = 1; g <= kGroups; ++g)
      if (u.GroupMark(z, g) == "G") block.push_back(CommandLine(CommandForm::GroupMember, {g, z}));
  block.emplace_back();
  piece(std::move(block), PieceKind::Table);

  block = {std::string(kFavoritesBlock)};
  for (int f = 1; f <= kFavorites; ++f) {
    for (int z = 1; z <= zones; ++z) {
      for (int s = 1; s <= sources; ++s) {
        switch (u.FavoriteStore.Cell(f, s, z)) {
          case Route::Combined:
            block.push_back(CommandLine(CommandForm::FavoriteAudioVideo, {f, z, s}));
            break;
          case Route::Audio:
            block.push_back(CommandLine(CommandForm::FavoriteAudio, {f, z, s}));
            break;
          case Route::Video:
            block.push_back(CommandLine(CommandForm::FavoriteVideo, {f, z, s}));
            break;
          case Route::None:
          case Route::Restricted:
            break;
        }
      }
    }
  }
  piece(std::move(block), PieceKind::Table);

  for (int n = 1; n <= kFavorites; ++n)
    piece({CommandLine(CommandForm::FavoriteName, {n, WrittenName(u.FavoriteNames[n])})});
  for (int n = 1; n <= kGroups; ++n)
    piece({CommandLine(CommandForm::GroupName, {n, WrittenName(u.GroupNames[n])})});

  if (u.Options.DHCPEnabled) {
    piece({CommandLine(CommandForm::Dhcp, {1})});
  } else {
    piece({CommandLine(CommandForm::Dhcp, {0}), CommandLine(CommandForm::IpAddress, {u.Options.IPAddress}),
           CommandLine(CommandForm::Netmask, {u.Options.Netmask}),
           CommandLine(CommandForm::Gateway, {u.Options.Gateway})});
  }
  piece({std::string(kEnd)});
  return out;
}

std::vector<std::string> BuildCommandSequence(const UnitConfiguration& u) {
  std::vector<std::string> out;
  out.reserve(8192);
  for (ExportPiece& piece : ExportPieces(u))
    for (std::string& line : piece.lines) out.push_back(std::move(line));
  return out;
}

std::string ZemFileText(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace zem
