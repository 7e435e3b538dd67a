#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zem {

// What the program remembers between runs, and nothing more: where the unit
// was last reached and the files last imported or exported. Paths and the
// host are bytes as the system and the host prompt gave them.
struct RememberedValues {
  std::string telnetHost;                // as typed: "host" or "host:port"
  std::string serialDevice;              // the device last opened, e.g. "/dev/ttyUSB0"
  std::vector<std::string> recentFiles;  // newest first
  // Exports to the unit: a read-back over Telnet is quick, over a serial
  // port it takes as long as an import.
  bool verifyTelnetExports = true;
  bool verifySerialExports = false;
  bool backUpBeforeExport = false;
  // The installer's own lines of the sheet's title block (UTF-8).
  std::string sheetInstaller{};
  std::string sheetContact{};
  bool operator==(const RememberedValues&) const = default;
};

// Where the remembered values are kept (the per-user settings file).
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual RememberedValues Load() = 0;
  // Writes the values; a store that cannot says so itself.
  virtual void Save(const RememberedValues& values) = 0;
};

// The remembered values while the program runs. Without a store they last
// for this run only; with one they are read once and written on each change.
class UserSettings {
 public:
  static constexpr std::size_t kRecentFileLimit = 8;
  // Longer values in a settings file are not ours: they are dropped.
  static constexpr std::size_t kHostLimit = 255;
  static constexpr std::size_t kPathLimit = 4096;
  static constexpr std::size_t kSheetFieldLimit = 1024;

  // Reads the store's values, cleaned; nullptr: nothing is read or written.
  void Attach(SettingsStore* store);

  const std::string& TelnetHost() const { return values_.telnetHost; }
  const std::string& SerialDevice() const { return values_.serialDevice; }
  const std::vector<std::string>& RecentFiles() const { return values_.recentFiles; }

  void SetTelnetHost(const std::string& host);
  void SetSerialDevice(const std::string& device);
  // `path` goes first; an earlier mention of it goes, and the oldest beyond the limit.
  void AddRecentFile(const std::string& path);
  void ClearRecentFiles();
  // Verify After Export, one choice for each link (`serial` or Telnet).
  bool VerifyExports(bool serial) const {
    return serial ? values_.verifySerialExports : values_.verifyTelnetExports;
  }
  void SetVerifyExports(bool serial, bool on);
  bool BackUpBeforeExport() const { return values_.backUpBeforeExport; }
  void SetBackUpBeforeExport(bool on);
  const std::string& SheetInstaller() const { return values_.sheetInstaller; }
  const std::string& SheetContact() const { return values_.sheetContact; }
  // Both at once, so one change is one write; an over-long value is not kept.
  void SetSheetInstaller(const std::string& installer, const std::string& contact);

  // The values as kept: over-long ones dropped, the recent list without
  // empty entries or repeats and no longer than the limit.
  static RememberedValues Cleaned(RememberedValues values);

 private:
  void Save();

  SettingsStore* store_ = nullptr;
  RememberedValues values_;
};

}  // namespace zem
