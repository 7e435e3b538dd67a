#include "app/settings_store.h"

#include "app/settings_file_check.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace zem {

namespace {

constexpr char kTelnetHostKey[] = "telnet/host";
constexpr char kSerialDeviceKey[] = "serial/device";
constexpr char kRecentFilesKey[] = "recentFiles";
constexpr char kPathKey[] = "path";
constexpr char kVerifyTelnetKey[] = "export/verifyTelnet";
constexpr char kVerifySerialKey[] = "export/verifySerial";
constexpr char kBackUpKey[] = "export/backUp";
constexpr char kSheetInstallerKey[] = "sheet/installer";
constexpr char kSheetContactKey[] = "sheet/contact";
// A hand-edited file may list any number; the list keeps eight distinct ones.
constexpr int kRecentEntriesRead = 64;

std::string Bytes(const QVariant& value) {
  const QByteArray bytes = value.toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray Value(const std::string& bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QString DefaultSettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         "/zem-config/zem-config.conf";
}

bool SettingsWanted(bool noSettingsOption) {
  const QByteArray off = qgetenv("ZEM_CONFIG_NO_SETTINGS");
  return !noSettingsOption && (off.isEmpty() || off == "0");
}

bool QtSettingsStore::StillOwn() {
  if (!inUse_) return false;
  if (IsAbsentOrOwnFile(file_)) return true;
  inUse_ = false;
  std::fprintf(stderr, "zem-config: settings not used: %s is not a regular file of this user\n",
               QFile::encodeName(file_).constData());
  return false;
}

RememberedValues QtSettingsStore::Load() {
  if (!StillOwn()) return {};
  QSettings settings(file_, QSettings::IniFormat);
  RememberedValues values;
  values.telnetHost = Bytes(settings.value(kTelnetHostKey));
  values.serialDevice = Bytes(settings.value(kSerialDeviceKey));
  values.sheetInstaller = Bytes(settings.value(kSheetInstallerKey));
  values.sheetContact = Bytes(settings.value(kSheetContactKey));
  values.verifyTelnetExports = settings.value(kVerifyTelnetKey, values.verifyTelnetExports).toBool();
  values.verifySerialExports = settings.value(kVerifySerialKey, values.verifySerialExports).toBool();
  values.backUpBeforeExport = settings.value(kBackUpKey, values.backUpBeforeExport).toBool();
  const int count = std::min(settings.beginReadArray(kRecentFilesKey), kRecentEntriesRead);
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    values.recentFiles.push_back(Bytes(settings.value(kPathKey)));
  }
  settings.endArray();
  return values;
}

void QtSettingsStore::Save(const RememberedValues& values) {
  // Looked at again right before each write: the file may have been
  // replaced since it was read. (QSettings opens it by name, so a swap in
  // the instant between is not caught; only one who may write its folder can.)
  if (!StillOwn()) return;
  // QSettings would write a new file in its place, with the usual mode.
  if (IsWriteProtected(file_)) {
    if (!protectionReported_)
      std::fprintf(stderr, "zem-config: settings not saved: %s is write-protected\n",
                   QFile::encodeName(file_).constData());
    protectionReported_ = true;
    return;
  }
  QSettings settings(file_, QSettings::IniFormat);
  for (const auto& [key, value] :
       {std::pair{kTelnetHostKey, &values.telnetHost}, std::pair{kSerialDeviceKey, &values.serialDevice},
        std::pair{kSheetInstallerKey, &values.sheetInstaller},
        std::pair{kSheetContactKey, &values.sheetContact}}) {
    if (value->empty()) {
      settings.remove(key);
    } else {
      settings.setValue(key, Value(*value));
    }
  }
  settings.setValue(kVerifyTelnetKey, values.verifyTelnetExports);
  settings.setValue(kVerifySerialKey, values.verifySerialExports);
  settings.setValue(kBackUpKey, values.backUpBeforeExport);
  settings.remove(kRecentFilesKey);
  settings.beginWriteArray(kRecentFilesKey, static_cast<int>(values.recentFiles.size()));
  for (std::size_t i = 0; i < values.recentFiles.size(); ++i) {
    settings.setArrayIndex(static_cast<int>(i));
    settings.setValue(kPathKey, Value(values.recentFiles[i]));
  }
  settings.endArray();
  settings.sync();
  if (settings.status() == QSettings::NoError) {
    failureReported_ = false;
  } else if (!failureReported_) {
    failureReported_ = true;
    std::fprintf(stderr, "zem-config: cannot write the settings file %s\n", qPrintable(file_));
  }
}

}  // namespace zem
