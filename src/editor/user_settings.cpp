#include "editor/user_settings.h"

#include <algorithm>
#include <utility>

namespace zem {

RememberedValues UserSettings::Cleaned(RememberedValues values) {
  if (values.telnetHost.size() > kHostLimit) values.telnetHost.clear();
  if (values.serialDevice.size() > kPathLimit) values.serialDevice.clear();
  if (values.sheetInstaller.size() > kSheetFieldLimit) values.sheetInstaller.clear();
  if (values.sheetContact.size() > kSheetFieldLimit) values.sheetContact.clear();
  std::vector<std::string> recent;
  for (std::string& path : values.recentFiles) {
    if (recent.size() == kRecentFileLimit) break;
    if (path.empty() || path.size() > kPathLimit) continue;
    if (std::find(recent.begin(), recent.end(), path) != recent.end()) continue;
    recent.push_back(std::move(path));
  }
  values.recentFiles = std::move(recent);
  return values;
}

void UserSettings::Attach(SettingsStore* store) {
  store_ = store;
  if (store_) values_ = Cleaned(store_->Load());
}

void UserSettings::SetTelnetHost(const std::string& host) {
  if (host == values_.telnetHost || host.size() > kHostLimit) return;
  values_.telnetHost = host;
  Save();
}

void UserSettings::SetSerialDevice(const std::string& device) {
  if (device == values_.serialDevice || device.size() > kPathLimit) return;
  values_.serialDevice = device;
  Save();
}

void UserSettings::AddRecentFile(const std::string& path) {
  if (path.empty() || path.size() > kPathLimit) return;
  std::vector<std::string>& recent = values_.recentFiles;
  if (!recent.empty() && recent.front() == path) return;
  std::erase(recent, path);
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentFileLimit) recent.resize(kRecentFileLimit);
  Save();
}

void UserSettings::ClearRecentFiles() {
  if (values_.recentFiles.empty()) return;
  values_.recentFiles.clear();
  Save();
}

void UserSettings::SetVerifyExports(bool serial, bool on) {
  bool& value = serial ? values_.verifySerialExports : values_.verifyTelnetExports;
  if (value == on) return;
  value = on;
  Save();
}

void UserSettings::SetBackUpBeforeExport(bool on) {
  if (values_.backUpBeforeExport == on) return;
  values_.backUpBeforeExport = on;
  Save();
}

void UserSettings::SetSheetInstaller(const std::string& installer, const std::string& contact) {
  RememberedValues next = values_;
  next.sheetInstaller = installer;
  next.sheetContact = contact;
  next = Cleaned(std::move(next));
  if (next == values_) return;
  values_ = std::move(next);
  Save();
}

void UserSettings::Save() {
  if (store_) store_->Save(values_);
}

}  // namespace zem
