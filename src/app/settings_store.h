#pragma once

#include <QString>
#include <utility>

#include "editor/user_settings.h"

namespace zem {

// The per-user settings file: $XDG_CONFIG_HOME/zem-config/zem-config.conf
// (~/.config unless set). Its own name, not the application's: naming an
// organisation would move the quick EQ folder, which follows those names.
QString DefaultSettingsFile();

// Whether this run reads and writes settings: not with --no-settings, nor
// when ZEM_CONFIG_NO_SETTINGS is set to anything but "" or "0" (tests).
bool SettingsWanted(bool noSettingsOption);

// The remembered values in an INI file through QSettings, which writes it
// atomically. Values are kept as bytes, so a path or host is read back
// exactly as written whatever the locale.
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(QString file) : file_(std::move(file)) {}
  RememberedValues Load() override;
  // A file that cannot be written is reported once on standard error.
  void Save(const RememberedValues& values) override;
  const QString& File() const { return file_; }

 private:
  QString file_;
  bool failureReported_ = false;
};

}  // namespace zem
