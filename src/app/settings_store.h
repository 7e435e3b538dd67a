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
//
// QSettings follows links, replaces whatever it writes (a device, a
// hard-linked file) and blocks reading a FIFO, so the file is looked at
// before reading and before each save: it must be absent or, links
// followed, a regular file with one hard link owned by the user. Anything
// else is said once on standard error and the store is no longer used: the
// run goes on as with --no-settings.
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(QString file) : file_(std::move(file)) {}
  RememberedValues Load() override;
  // A file that cannot be written is reported once on standard error; a
  // write-protected one (mode 0444) is left as it is, said once too.
  void Save(const RememberedValues& values) override;
  const QString& File() const { return file_; }

 private:
  // Whether the file may still be read or written; stops using it if not.
  bool StillOwn();

  QString file_;
  bool inUse_ = true;
  bool failureReported_ = false;
  bool protectionReported_ = false;
};

}  // namespace zem
