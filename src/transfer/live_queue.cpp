#include "transfer/live_queue.h"

#include <algorithm>

#include "command/command_matcher.h"

namespace zem {

std::string LiveSettingKey(const std::string& line) {
  const CommandMatch m = MatchCommand(line);
  const std::string zone(m.fields.F1);
  switch (m.form) {
    case CommandForm::ZoneBalanceLeft:
    case CommandForm::ZoneBalanceRight:
      return "BO" + zone;
    case CommandForm::ZoneEqBand:
      return "EOB" + zone + "/" + std::string(m.fields.F2);
    case CommandForm::ZoneVolume:
    case CommandForm::ZoneDspMode:
    case CommandForm::ZoneLowpass:
    case CommandForm::ZoneSystemEq:
    case CommandForm::ZoneBassTreble:
    case CommandForm::ZoneName:
    case CommandForm::SourceName:
    case CommandForm::FavoriteName:
    case CommandForm::GroupName:
      return std::to_string(static_cast<int>(m.form)) + "/" + zone;
    case CommandForm::FrontPanelLock:
    case CommandForm::IrLockout:
    case CommandForm::DisplayLevel:
    case CommandForm::Dhcp:
    case CommandForm::IpAddress:
    case CommandForm::Netmask:
    case CommandForm::Gateway:
      return std::to_string(static_cast<int>(m.form));
    default:
      return line;
  }
}

void LiveQueue::Add(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.empty() || line == "[EC]") continue;
    std::string key = LiveSettingKey(line);
    std::erase_if(items_, [&](const auto& item) { return item.first == key; });
    items_.emplace_back(std::move(key), line);
  }
}

std::string LiveQueue::Take() {
  std::string line = std::move(items_.front().second);
  items_.pop_front();
  return line;
}

std::vector<std::string> LiveQueue::Drop() {
  std::vector<std::string> lines;
  for (auto& item : items_) lines.push_back(std::move(item.second));
  items_.clear();
  return lines;
}

std::size_t LiveQueue::EntriesWaiting(TableOnUnit table) const {
  std::size_t entries = 0;
  for (const auto& item : items_) {
    const TableLine kind = ClassifyTableLine(item.second);
    if (kind.table != table) continue;
    if (kind.opening) break;
    ++entries;
  }
  return entries;
}

}  // namespace zem
