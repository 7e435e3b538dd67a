#include "transfer/site_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <set>

#include "transfer/file_io.h"
#include "transfer/reserved_names.h"
#include "transfer/telnet_link.h"

namespace zem {

namespace {

// A wrong value: the JSON path where it stands and what is wrong with it.
struct SiteProblem {
  std::string path;
  std::string text;
};

std::string Bytes(const QString& text) { return QFile::encodeName(text).toStdString(); }

// Only the keys `known` are taken: a misspelt key would otherwise pass unseen.
void CheckKeys(const QJsonObject& object, const QStringList& known, const std::string& path) {
  for (const QString& key : object.keys())
    if (!known.contains(key))
      throw SiteProblem{path.empty() ? key.toStdString() : path + "." + key.toStdString(), "unknown key"};
}

QString Text(const QJsonObject& object, const QString& key, const std::string& path) {
  const std::string where = path.empty() ? key.toStdString() : path + "." + key.toStdString();
  if (!object.contains(key)) throw SiteProblem{where, "missing"};
  const QJsonValue value = object.value(key);
  if (!value.isString()) throw SiteProblem{where, "not a string"};
  if (value.toString().isEmpty()) throw SiteProblem{where, "empty"};
  if (value.toString().contains(QChar(0))) throw SiteProblem{where, "holds a NUL character"};
  return value.toString();
}

// A unit's name becomes a folder (backups, reads) and a word of every
// report: plain letters, digits, ".", "_" and "-", not hidden, not a
// device name of any system.
std::string NameProblem(const QString& name) {
  if (static_cast<std::size_t>(name.size()) > kSiteUnitNameMax)
    return "longer than " + std::to_string(kSiteUnitNameMax) + " characters";
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                       u == '.' || u == '_' || u == '-';
    if (!plain) return "only letters A-Z and a-z, digits, '.', '_' and '-' make a unit's name";
  }
  if (name.startsWith('.')) return "a unit's name may not start with '.'";
  if (IsReservedDeviceName(name.toStdString())) return "a device's name on Windows, not a folder's";
  return {};
}

SiteUnit ReadUnit(const QJsonValue& value, const std::string& path, const QDir& folder) {
  if (!value.isObject()) throw SiteProblem{path, "not an object"};
  const QJsonObject object = value.toObject();
  CheckKeys(object, {"name", "link", "file"}, path);
  SiteUnit unit;
  const QString name = Text(object, "name", path);
  if (const std::string problem = NameProblem(name); !problem.empty())
    throw SiteProblem{path + ".name", problem};
  unit.name = name.toStdString();

  const std::string linkPath = path + ".link";
  if (!object.contains("link")) throw SiteProblem{linkPath, "missing"};
  if (!object.value("link").isObject()) throw SiteProblem{linkPath, "not an object"};
  const QJsonObject link = object.value("link").toObject();
  CheckKeys(link, {"telnet", "serial"}, linkPath);
  if (link.size() != 1) throw SiteProblem{linkPath, "give either \"telnet\" or \"serial\""};
  unit.serial = link.contains("serial");
  const QString address = Text(link, unit.serial ? "serial" : "telnet", linkPath);
  unit.address = Bytes(address);
  if (!unit.serial) {
    const std::string where = linkPath + ".telnet";
    if (address.contains(QRegularExpression("[\\s\\x00-\\x1f]")))
      throw SiteProblem{where, "a host holds no blank or control character"};
    if (const std::string problem = TelnetLink::PortProblem(unit.address); !problem.empty())
      throw SiteProblem{where, problem};
  }
  const QString file = Text(object, "file", path);
  unit.file = Bytes(file);
  unit.path = Bytes(QDir::cleanPath(folder.absoluteFilePath(file)));
  return unit;
}

// Two names of one serial port (a link to it, "/dev/../dev/ttyS0") are one port.
std::string PortIdentity(const std::string& device) {
  const QString name = QFile::decodeName(device.c_str());
  const QString canonical = QFileInfo(name).canonicalFilePath();
  return Bytes(canonical.isEmpty() ? QDir::cleanPath(name) : canonical);
}

Site ReadSite(const QJsonDocument& document, const QDir& folder) {
  if (!document.isObject()) throw SiteProblem{"", "a site file holds one JSON object"};
  const QJsonObject object = document.object();
  CheckKeys(object, {"$schema", "name", "units"}, "");
  Site site;
  site.name = Text(object, "name", "").toUtf8().toStdString();
  if (!object.contains("units")) throw SiteProblem{"units", "missing"};
  if (!object.value("units").isArray()) throw SiteProblem{"units", "not an array"};
  const QJsonArray units = object.value("units").toArray();
  if (units.isEmpty()) throw SiteProblem{"units", "a site has at least one unit"};
  std::set<std::string> names, ports;
  for (qsizetype i = 0; i < units.size(); ++i) {
    const std::string path = "units[" + std::to_string(i) + "]";
    SiteUnit unit = ReadUnit(units.at(i), path, folder);
    // Folders of two names that differ only in case are one folder on Windows and macOS.
    const std::string folded = QString::fromStdString(unit.name).toLower().toStdString();
    if (!names.insert(folded).second)
      throw SiteProblem{path + ".name", "\"" + unit.name + "\" is named twice"};
    if (unit.serial && !ports.insert(PortIdentity(unit.address)).second)
      throw SiteProblem{path + ".link.serial", unit.address + " is the port of another unit"};
    site.units.push_back(std::move(unit));
  }
  return site;
}

// Where a parse error stands, counted from 1: lines by line feeds, columns
// by bytes.
std::string Position(const std::string& text, int offset) {
  const auto end = static_cast<std::size_t>(std::clamp(offset, 0, static_cast<int>(text.size())));
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'));
  const std::size_t lineStart = text.rfind('\n', end == 0 ? 0 : end - 1);
  const std::size_t column = lineStart == std::string::npos || end == 0 ? end + 1 : end - lineStart;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

std::optional<Site> ParseSite(const std::string& text, const std::string& folder, std::string* error) {
  QJsonParseError parse{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parse);
  if (parse.error != QJsonParseError::NoError) {
    *error = Position(text, parse.offset) + ": " + parse.errorString().toStdString();
    return std::nullopt;
  }
  try {
    return ReadSite(document, QDir(QFile::decodeName(folder.c_str())));
  } catch (const SiteProblem& problem) {
    *error = problem.path.empty() ? problem.text : problem.path + ": " + problem.text;
    return std::nullopt;
  }
}

std::optional<Site> ReadSiteFile(const std::string& path, std::string* error) {
  std::string cut;
  const std::optional<std::string> text = ReadWholeFile(path, error, &cut, {kSiteFileMaxBytes, 100000});
  if (!text) {
    *error = path + ": " + *error;
    return std::nullopt;
  }
  if (!cut.empty()) {
    *error = path + ": larger than a site file can be (" + cut + ")";
    return std::nullopt;
  }
  const QFileInfo info(QFile::decodeName(path.c_str()));
  std::optional<Site> site = ParseSite(*text, Bytes(info.absolutePath()), error);
  if (!site) *error = path + ": " + *error;
  return site;
}

}  // namespace zem
