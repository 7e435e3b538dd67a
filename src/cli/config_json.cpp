#include "cli/config_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <set>

#include "editor/zone_audio_logic.h"
#include "transfer/latin1.h"

namespace zem {
namespace {

// The route a connection's "kind" names.
std::optional<Route> ConnectionOf(std::string_view kind) {
  for (const Route route : {Route::Combined, Route::Audio, Route::Video})
    if (kind == RouteLetter(route)) return route;
  return std::nullopt;
}

using Audio = ZoneAudioLogic;

// Names go to JSON through Latin1: byte b is the code point U+00bb, so any
// name is valid JSON text and comes back as the same bytes.

QJsonArray Numbers(const NumberedTable<std::int8_t, kBands>& bands) {
  QJsonArray array;
  for (const std::int8_t gain : bands) array.append(int{gain});
  return array;
}

// A mode or preset that is none (any negative value) is -1: the export
// treats them all alike.
int NoneAsMinusOne(int value) { return value < 0 ? -1 : value; }

QJsonObject ZoneToJson(const ConfigModel& m, int z) {
  const ZoneAudioRec& a = m.unit.ZoneAudio[z];
  QJsonArray restricted;
  for (int s = 1; s <= std::min(m.unit.SourceCount, kSources); ++s)
    if (m.unit.RestrictionMark(z, s) == "R") restricted.append(s);
  return QJsonObject{
      {"name", Latin1(m.unit.ZoneNames[z])},
      {"eqUsed", a.EQUsed != 0},
      {"volume", int{a.Volume}},
      {"balance", int{a.Balance}},
      {"dspMode", NoneAsMinusOne(a.DSPMode)},
      {"bands", Numbers(a.Band)},
      // Bass and treble as gains, as the commands carry them and the page's
      // readouts show them: the model keeps them negated.
      {"bass", -int{a.Bass}},
      {"treble", -int{a.Treble}},
      {"systemEq", NoneAsMinusOne(a.SystemEQ)},
      {"lowpass", static_cast<qint64>(a.Lowpass)},
      {"volumeLock", m.unit.VolumeLocks[z] != 0},
      {"restrictedSources", restricted},
  };
}

}  // namespace

QJsonObject ConfigToJson(const ConfigModel& m) {
  const int sources = std::clamp(m.unit.SourceCount, 0, kSources);
  const int zones = std::clamp(m.unit.ZoneCount, 0, kZones);

  QJsonArray sourceArray;
  for (int s = 1; s <= sources; ++s) sourceArray.append(QJsonObject{{"name", Latin1(m.unit.SourceNames[s])}});
  QJsonArray zoneArray;
  for (int z = 1; z <= zones; ++z) zoneArray.append(ZoneToJson(m, z));

  QJsonArray favorites;
  for (int f = 1; f <= kFavorites; ++f) {
    QJsonArray connections;
    for (int z = 1; z <= zones; ++z) {
      for (int s = 1; s <= sources; ++s) {
        if (const char* kind = RouteLetter(m.unit.FavoriteStore.Cell(f, s, z)))
          connections.append(QJsonObject{{"zone", z}, {"source", s}, {"kind", kind}});
      }
    }
    favorites.append(QJsonObject{{"name", Latin1(m.unit.FavoriteNames[f])}, {"connections", connections}});
  }

  QJsonArray groups;
  for (int g = 1; g <= kGroups; ++g) {
    QJsonArray members;
    for (int z = 1; z <= zones; ++z)
      if (m.unit.GroupMark(z, g) == "G") members.append(z);
    groups.append(QJsonObject{{"name", Latin1(m.unit.GroupNames[g])}, {"zones", members}});
  }

  QJsonArray presets;
  for (const EQPresetsRec& p : m.unit.EQPresets)
    presets.append(QJsonObject{{"name", Latin1(p.Name)}, {"bands", Numbers(p.Band)}});

  const OptionsRec& o = m.unit.Options;
  return QJsonObject{
      {"format", kJsonFormatName},
      {"version", kJsonFormatVersion},
      {"sourceCount", sources},
      {"zoneCount", zones},
      {"options", QJsonObject{{"displayLevel", o.DisplayLevel},
                              {"frontPanelLock", o.FrontPanelLock},
                              {"irLockout", o.IRLockout},
                              {"dhcpEnabled", o.DHCPEnabled},
                              {"ipAddress", Latin1(o.IPAddress)},
                              {"netmask", Latin1(o.Netmask)},
                              {"gateway", Latin1(o.Gateway)}}},
      {"sources", sourceArray},
      {"zones", zoneArray},
      {"favorites", favorites},
      {"groups", groups},
      {"eqPresets", presets},
  };
}

namespace {

// The order keys are written in: what tells the file apart first, then as a
// person reads a configuration. Keys not listed follow in sorted order.
constexpr const char* kKeyOrder[] = {"format",       "version",
                                     "sourceCount",  "zoneCount",
                                     "options",      "sources",
                                     "zones",        "favorites",
                                     "groups",       "eqPresets",
                                     "name",         "eqUsed",
                                     "volume",       "balance",
                                     "dspMode",      "bands",
                                     "bass",         "treble",
                                     "systemEq",     "lowpass",
                                     "volumeLock",   "restrictedSources",
                                     "zone",         "source",
                                     "kind",         "connections",
                                     "displayLevel", "frontPanelLock",
                                     "irLockout",    "dhcpEnabled",
                                     "ipAddress",    "netmask",
                                     "gateway"};

int KeyRank(const QString& key) {
  const auto* it = std::find_if(std::begin(kKeyOrder), std::end(kKeyOrder),
                                [&](const char* k) { return key == QLatin1String(k); });
  return static_cast<int>(it - std::begin(kKeyOrder));
}

void AppendString(const QString& text, std::string& out) {
  out += '"';
  for (const QChar qc : text) {
    const char16_t c = qc.unicode();
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += QString(qc).toUtf8().toStdString();
    }
  }
  out += '"';
}

bool IsScalar(const QJsonValue& v) { return !v.isArray() && !v.isObject(); }

// Indented JSON, with an array or object of plain values on one line: a
// zone's bands, a favorite's connection.
void AppendJson(const QJsonValue& v, int indent, std::string& out) {
  const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
  if (v.isObject()) {
    const QJsonObject o = v.toObject();
    QStringList keys = o.keys();
    std::stable_sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
      return KeyRank(a) != KeyRank(b) ? KeyRank(a) < KeyRank(b) : a < b;
    });
    const bool flat =
        o.size() <= 3 && std::all_of(o.begin(), o.end(), [](const QJsonValue& e) { return IsScalar(e); });
    out += '{';
    for (qsizetype i = 0; i < keys.size(); ++i) {
      out += i ? (flat ? ", " : ",\n") : (flat ? "" : "\n");
      if (!flat) out += pad;
      AppendString(keys[i], out);
      out += ": ";
      AppendJson(o.value(keys[i]), indent + 2, out);
    }
    if (!flat && !keys.isEmpty()) out += "\n" + std::string(static_cast<std::size_t>(indent), ' ');
    out += '}';
  } else if (v.isArray()) {
    const QJsonArray a = v.toArray();
    const bool flat = std::all_of(a.begin(), a.end(), [](const QJsonValue& e) { return IsScalar(e); });
    out += '[';
    for (qsizetype i = 0; i < a.size(); ++i) {
      out += i ? (flat ? ", " : ",\n") : (flat ? "" : "\n");
      if (!flat) out += pad;
      AppendJson(a.at(i), indent + 2, out);
    }
    if (!flat && !a.isEmpty()) out += "\n" + std::string(static_cast<std::size_t>(indent), ' ');
    out += ']';
  } else if (v.isString()) {
    AppendString(v.toString(), out);
  } else if (v.isBool()) {
    out += v.toBool() ? "true" : "false";
  } else {
    // Every number written is a whole one within 32 bits.
    out += std::to_string(v.toInteger());
  }
}

}  // namespace

std::string ConfigToJsonText(const ConfigModel& model) {
  std::string text;
  text.reserve(1 << 18);
  AppendJson(ConfigToJson(model), 0, text);
  text += '\n';
  return text;
}

namespace {

struct Range {
  long long low;
  long long high;
};

constexpr Range kInt8{-128, 127};
// Bass and treble gains: minus an 8-bit value.
constexpr Range kMinusInt8{-127, 128};
constexpr Range kInt32{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};

// "U+0000"
std::string CodePoint(QChar c) {
  return "U+" + QString::number(c.unicode(), 16).toUpper().rightJustified(4, '0').toStdString();
}

const char* TypeName(const QJsonValue& v) {
  // In the order of QJsonValue::Type, Null (0) to Object (5).
  static constexpr std::array<const char*, 6> kNames = {"null",     "a boolean", "a number",
                                                        "a string", "an array",  "an object"};
  const auto type = static_cast<std::size_t>(v.type());
  return type < kNames.size() ? kNames[type] : "nothing";
}

std::string NumberText(double d) {
  if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15)
    return std::to_string(static_cast<long long>(d));
  return QString::number(d, 'g', 17).toStdString();
}

// Reads the JSON tree into the model, collecting every problem with its path.
class JsonReader {
 public:
  JsonReader(const JsonReadOptions& options, ConfigModel& model, std::size_t maxProblems)
      : options_(options), m_(model), maxProblems_(maxProblems) {}

  std::vector<JsonProblem> Read(const QJsonObject& root);

 private:
  void Problem(const std::string& path, std::string message) {
    if (problems_.size() < maxProblems_) problems_.push_back({path, std::move(message)});
    ++problemCount_;
  }

  // The object at `path`, or nothing (the problem told) when `v` is not an
  // object; a key other than `keys` is told as unknown.
  std::optional<QJsonObject> Object(const QJsonValue& v, const std::string& path,
                                    std::initializer_list<const char*> keys);
  std::optional<QJsonArray> Array(const QJsonValue& v, const std::string& path,
                                  std::optional<qsizetype> length = std::nullopt);
  std::optional<long long> Integer(const QJsonValue& v, const std::string& path, Range field,
                                   std::optional<Range> window = std::nullopt);
  std::optional<bool> Bool(const QJsonValue& v, const std::string& path);
  // What a text may hold besides single-byte characters: anything but a
  // line break; a name no control byte either; an address field no control
  // byte and no bracket, which would end its command or start another.
  enum class TextRule { Plain, Name, Network };
  // Single-byte text: no code point above U+00FF, no line break (it would
  // split the command's line), nothing else `rule` refuses, at most
  // `maxBytes` bytes when given.
  std::optional<std::string> Text(const QJsonValue& v, const std::string& path,
                                  TextRule rule = TextRule::Plain,
                                  std::optional<std::size_t> maxBytes = std::nullopt);
  std::optional<std::string> Name(const QJsonValue& v, const std::string& path) {
    return Text(v, path, TextRule::Name, kNameLength);
  }
  bool TypeIs(const QJsonValue& v, QJsonValue::Type type, const char* expected, const std::string& path);
  // Numbers 1 to `count`, each once: the members of a list such as a zone's
  // restricted sources.
  std::vector<int> NumberList(const QJsonValue& v, const std::string& path, int count, const char* what);

  void ReadOptions(const QJsonValue& v);
  void ReadZone(const QJsonValue& v, int z, int sources);
  void ReadBands(const QJsonValue& v, const std::string& path, NumberedTable<std::int8_t, kBands>& bands,
                 bool written);
  void ReadFavorite(const QJsonValue& v, int f, int sources, int zones);

  const JsonReadOptions& options_;
  ConfigModel& m_;
  std::size_t maxProblems_;
  std::vector<JsonProblem> problems_;
  std::size_t problemCount_ = 0;
};

std::string At(const std::string& path, qsizetype index) { return path + "[" + std::to_string(index) + "]"; }
std::string Key(const std::string& path, const char* key) { return path.empty() ? key : path + "." + key; }

bool JsonReader::TypeIs(const QJsonValue& v, QJsonValue::Type type, const char* expected,
                        const std::string& path) {
  if (v.type() == type) return true;
  Problem(path, v.isUndefined() ? std::string("missing")
                                : std::string(expected) + " is expected, not " + TypeName(v));
  return false;
}

std::optional<QJsonObject> JsonReader::Object(const QJsonValue& v, const std::string& path,
                                              std::initializer_list<const char*> keys) {
  if (!TypeIs(v, QJsonValue::Object, "an object", path)) return std::nullopt;
  QJsonObject object = v.toObject();
  for (auto it = object.begin(); it != object.end(); ++it) {
    const QString key = it.key();
    if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key == QLatin1String(k); }))
      Problem(Key(path, key.toUtf8().constData()), "unknown key");
  }
  return object;
}

std::optional<QJsonArray> JsonReader::Array(const QJsonValue& v, const std::string& path,
                                            std::optional<qsizetype> length) {
  if (!TypeIs(v, QJsonValue::Array, "an array", path)) return std::nullopt;
  QJsonArray array = v.toArray();
  if (length && array.size() != *length) {
    Problem(path, std::to_string(*length) + " entries expected, not " + std::to_string(array.size()));
    return std::nullopt;
  }
  return array;
}

std::optional<long long> JsonReader::Integer(const QJsonValue& v, const std::string& path, Range field,
                                             std::optional<Range> window) {
  if (!TypeIs(v, QJsonValue::Double, "a number", path)) return std::nullopt;
  // JSON numbers arrive as doubles: only a whole number that the field
  // holds exactly is taken, never a rounded or saturated one (-0 is 0).
  const double d = v.toDouble();
  if (!std::isfinite(d) || d != std::trunc(d)) {
    Problem(path, NumberText(d) + " is not a whole number");
    return std::nullopt;
  }
  const Range range = window && !options_.keepOutOfRange ? *window : field;
  if (d < static_cast<double>(range.low) || d > static_cast<double>(range.high)) {
    std::string message =
        NumberText(d) + " is outside " + std::to_string(range.low) + " to " + std::to_string(range.high);
    if (window && !options_.keepOutOfRange && d >= static_cast<double>(field.low) &&
        d <= static_cast<double>(field.high))
      message += " (the window's range; --keep-out-of-range keeps such a value)";
    Problem(path, message);
    return std::nullopt;
  }
  return static_cast<long long>(d);
}

std::optional<bool> JsonReader::Bool(const QJsonValue& v, const std::string& path) {
  if (!TypeIs(v, QJsonValue::Bool, "true or false", path)) return std::nullopt;
  return v.toBool();
}

std::optional<std::string> JsonReader::Text(const QJsonValue& v, const std::string& path, TextRule rule,
                                            std::optional<std::size_t> maxBytes) {
  if (!TypeIs(v, QJsonValue::String, "a string", path)) return std::nullopt;
  const QString text = v.toString();
  for (const QChar c : text) {
    if (c.unicode() > 0xFF) {
      Problem(path, CodePoint(c) + " is not a single byte: text holds U+0000 to U+00FF only");
      return std::nullopt;
    }
    if (c == QChar('\r') || c == QChar('\n')) {
      Problem(path, "holds a line break, which would split its command line");
      return std::nullopt;
    }
    if (rule != TextRule::Plain && IsControlByte(static_cast<unsigned char>(c.unicode()))) {
      Problem(path, "holds the control byte " + CodePoint(c) + ", which a unit's command does not carry");
      return std::nullopt;
    }
    if (rule == TextRule::Network && (c == QChar('[') || c == QChar(']'))) {
      Problem(path, "holds \"" + std::string(1, static_cast<char>(c.unicode())) +
                        "\", which would end its command or start another");
      return std::nullopt;
    }
  }
  if (maxBytes && static_cast<std::size_t>(text.size()) > *maxBytes) {
    Problem(path, std::to_string(text.size()) + " bytes; a name holds at most " + std::to_string(*maxBytes));
    return std::nullopt;
  }
  return Latin1Bytes(text);
}

std::vector<int> JsonReader::NumberList(const QJsonValue& v, const std::string& path, int count,
                                        const char* what) {
  std::vector<int> numbers;
  const std::optional<QJsonArray> array = Array(v, path);
  if (!array) return numbers;
  if (array->size() > count) {
    Problem(path, std::to_string(array->size()) + " entries; there are only " + std::to_string(count) + " " +
                      what + "s");
    return numbers;
  }
  for (qsizetype i = 0; i < array->size(); ++i) {
    const std::string at = At(path, i);
    const std::optional<long long> n = Integer(array->at(i), at, Range{1, std::max(count, 0)});
    if (!n) continue;
    if (std::find(numbers.begin(), numbers.end(), *n) != numbers.end()) {
      Problem(at, what + std::string(" ") + std::to_string(*n) + " is listed twice");
      continue;
    }
    numbers.push_back(static_cast<int>(*n));
  }
  return numbers;
}

void JsonReader::ReadOptions(const QJsonValue& v) {
  const std::string path = "options";
  const auto o = Object(
      v, path,
      {"displayLevel", "frontPanelLock", "irLockout", "dhcpEnabled", "ipAddress", "netmask", "gateway"});
  if (!o) return;
  OptionsRec& options = m_.unit.Options;
  if (auto level = Integer(o->value("displayLevel"), Key(path, "displayLevel"), Range{0, kLevels - 1})) {
    options.DisplayLevel = static_cast<int>(*level);
    m_.screen.DisplayLabel = "Level:" + m_.screen.LevelNames[static_cast<std::size_t>(*level)];
  }
  if (auto b = Bool(o->value("frontPanelLock"), Key(path, "frontPanelLock"))) options.FrontPanelLock = *b;
  if (auto b = Bool(o->value("irLockout"), Key(path, "irLockout"))) options.IRLockout = *b;
  if (auto b = Bool(o->value("dhcpEnabled"), Key(path, "dhcpEnabled"))) options.DHCPEnabled = *b;
  if (auto t = Text(o->value("ipAddress"), Key(path, "ipAddress"), TextRule::Network)) options.IPAddress = *t;
  if (auto t = Text(o->value("netmask"), Key(path, "netmask"), TextRule::Network)) options.Netmask = *t;
  if (auto t = Text(o->value("gateway"), Key(path, "gateway"), TextRule::Network)) options.Gateway = *t;
}

void JsonReader::ReadBands(const QJsonValue& v, const std::string& path,
                           NumberedTable<std::int8_t, kBands>& bands, bool written) {
  const std::optional<QJsonArray> array = Array(v, path, kBands);
  if (!array) return;
  const std::optional<Range> window =
      written ? std::optional<Range>(Range{Audio::kBandMin, Audio::kBandMax}) : std::nullopt;
  for (int b = 1; b <= kBands; ++b)
    if (auto gain = Integer(array->at(b - 1), At(path, b - 1), kInt8, window))
      bands[b] = static_cast<std::int8_t>(*gain);
}

void JsonReader::ReadZone(const QJsonValue& v, int z, int sources) {
  const std::string path = At("zones", z - 1);
  const auto o = Object(v, path,
                        {"name", "eqUsed", "volume", "balance", "dspMode", "bands", "bass", "treble",
                         "systemEq", "lowpass", "volumeLock", "restrictedSources"});
  if (!o) return;
  const auto key = [&](const char* k) { return Key(path, k); };
  if (auto name = Name(o->value("name"), key("name"))) m_.unit.ZoneNames[z] = *name;

  // The window's ranges apply to the values the export writes for the zone;
  // one it leaves out (the lowpass of a zone in another mode...) need only
  // fit its field, as an import may leave anything there.
  ZoneAudioRec& a = m_.unit.ZoneAudio[z];
  const std::optional<bool> eqUsed = Bool(o->value("eqUsed"), key("eqUsed"));
  if (eqUsed) a.EQUsed = *eqUsed ? 1 : 0;
  const bool used = eqUsed.value_or(false);
  const auto dspMode = Integer(o->value("dspMode"), key("dspMode"), Range{-1, kInt8.high},
                               used ? std::optional<Range>(Range{-1, 4}) : std::nullopt);
  if (dspMode) a.DSPMode = static_cast<std::int8_t>(*dspMode);
  const int mode = used ? static_cast<int>(dspMode.value_or(-1)) : -1;
  const auto windowIf = [](bool written, Range window) {
    return written ? std::optional<Range>(window) : std::nullopt;
  };

  if (auto n = Integer(o->value("volume"), key("volume"), kInt8,
                       windowIf(used, {Audio::kVolumeMin, Audio::kVolumeMax})))
    a.Volume = static_cast<std::int8_t>(*n);
  if (auto n = Integer(o->value("balance"), key("balance"), kInt8,
                       windowIf(mode >= 0, {Audio::kBalanceMin, Audio::kBalanceMax})))
    a.Balance = static_cast<std::int8_t>(*n);
  ReadBands(o->value("bands"), key("bands"), a.Band, mode == 1);
  if (auto n = Integer(o->value("bass"), key("bass"), kMinusInt8,
                       windowIf(mode == 3, {Audio::kToneMin, Audio::kToneMax})))
    a.Bass = static_cast<std::int8_t>(-*n);
  if (auto n = Integer(o->value("treble"), key("treble"), kMinusInt8,
                       windowIf(mode == 3, {Audio::kToneMin, Audio::kToneMax})))
    a.Treble = static_cast<std::int8_t>(-*n);
  // The system EQ list holds the ten presets, positions 0 to 9.
  if (auto n = Integer(o->value("systemEq"), key("systemEq"), Range{-1, kInt8.high},
                       windowIf(mode == 2, {-1, kPresets - 1})))
    a.SystemEQ = static_cast<std::int8_t>(*n);
  if (auto n = Integer(o->value("lowpass"), key("lowpass"), kInt32,
                       windowIf(mode == 4, {Audio::kLowpassMin, Audio::kLowpassMax})))
    a.Lowpass = static_cast<std::int32_t>(*n);
  if (auto b = Bool(o->value("volumeLock"), key("volumeLock"))) m_.unit.VolumeLocks[z] = *b ? 1 : 0;

  for (const int s : NumberList(o->value("restrictedSources"), key("restrictedSources"), sources, "source"))
    m_.unit.RestrictionMark(z, s) = "R";
}

void JsonReader::ReadFavorite(const QJsonValue& v, int f, int sources, int zones) {
  const std::string path = At("favorites", f - 1);
  const auto o = Object(v, path, {"name", "connections"});
  if (!o) return;
  if (auto name = Name(o->value("name"), Key(path, "name"))) m_.unit.FavoriteNames[f] = *name;
  const std::optional<QJsonArray> connections = Array(o->value("connections"), Key(path, "connections"));
  if (!connections) return;
  if (connections->size() > static_cast<qsizetype>(zones) * sources) {
    Problem(Key(path, "connections"), std::to_string(connections->size()) + " entries; there are only " +
                                          std::to_string(zones * sources) + " zone and source pairs");
    return;
  }
  for (qsizetype i = 0; i < connections->size(); ++i) {
    const std::string at = At(Key(path, "connections"), i);
    const auto c = Object(connections->at(i), at, {"zone", "source", "kind"});
    if (!c) continue;
    const auto zone = Integer(c->value("zone"), Key(at, "zone"), Range{1, zones});
    const auto source = Integer(c->value("source"), Key(at, "source"), Range{1, sources});
    const auto kind = Text(c->value("kind"), Key(at, "kind"));
    const std::optional<Route> route = kind ? ConnectionOf(*kind) : std::nullopt;
    if (kind && !route) Problem(Key(at, "kind"), "\"" + *kind + "\" is none of \"C\", \"A\", \"V\"");
    if (!zone || !source || !route) continue;
    const int z = static_cast<int>(*zone), s = static_cast<int>(*source);
    // The window puts a restriction over every favorite: a connection there
    // would be dropped from the export without a word.
    if (m_.unit.RestrictionMark(z, s) == "R") {
      Problem(at, "source " + std::to_string(s) + " is restricted for zone " + std::to_string(z));
      continue;
    }
    Route& cell = m_.unit.FavoriteStore.Cell(f, s, z);
    if (cell != Route::None) {
      Problem(at, "zone " + std::to_string(z) + " source " + std::to_string(s) + " is connected twice");
      continue;
    }
    cell = *route;
  }
}

std::vector<JsonProblem> JsonReader::Read(const QJsonObject& root) {
  // Another version has another layout: its keys and values would only
  // give misleading problems.
  const QJsonValue version = root.value("version");
  if (version.isDouble() && version.toDouble() != kJsonFormatVersion) {
    Problem("version", NumberText(version.toDouble()) + " is not a version this zemctl reads (" +
                           std::to_string(kJsonFormatVersion) + ")");
    return problems_;
  }
  const auto o = Object(QJsonValue(root), "",
                        {"format", "version", "sourceCount", "zoneCount", "options", "sources", "zones",
                         "favorites", "groups", "eqPresets"});
  const std::optional<std::string> format = Text(o->value("format"), "format");
  if (format && *format != kJsonFormatName)
    Problem("format", "\"" + *format + "\" is not \"" + kJsonFormatName + "\"");
  Integer(version, "version", Range{kJsonFormatVersion, kJsonFormatVersion});

  const auto sourceCount = Integer(o->value("sourceCount"), "sourceCount", Range{0, kSources});
  const auto zoneCount = Integer(o->value("zoneCount"), "zoneCount", Range{0, kZones});
  m_.unit.SourceCount = static_cast<int>(sourceCount.value_or(0));
  m_.unit.ZoneCount = static_cast<int>(zoneCount.value_or(0));
  const int sources = m_.unit.SourceCount, zones = m_.unit.ZoneCount;

  ReadOptions(o->value("options"));
  if (auto array = Array(o->value("sources"), "sources",
                         sourceCount ? std::optional<qsizetype>(sources) : std::nullopt)) {
    for (qsizetype i = 0; i < array->size() && i < kSources; ++i) {
      const std::string at = At("sources", i);
      if (auto s = Object(array->at(i), at, {"name"}))
        if (auto name = Name(s->value("name"), Key(at, "name")))
          m_.unit.SourceNames[static_cast<int>(i) + 1] = *name;
    }
  }
  // Zones first: favorites are checked against their restrictions.
  if (auto array =
          Array(o->value("zones"), "zones", zoneCount ? std::optional<qsizetype>(zones) : std::nullopt)) {
    for (qsizetype i = 0; i < array->size() && i < kZones; ++i)
      ReadZone(array->at(i), static_cast<int>(i) + 1, sources);
  }
  if (auto array = Array(o->value("favorites"), "favorites", kFavorites)) {
    for (int f = 1; f <= kFavorites; ++f) ReadFavorite(array->at(f - 1), f, sources, zones);
  }
  if (auto array = Array(o->value("groups"), "groups", kGroups)) {
    for (int g = 1; g <= kGroups; ++g) {
      const std::string at = At("groups", g - 1);
      const auto group = Object(array->at(g - 1), at, {"name", "zones"});
      if (!group) continue;
      if (auto name = Name(group->value("name"), Key(at, "name"))) m_.unit.GroupNames[g] = *name;
      for (const int z : NumberList(group->value("zones"), Key(at, "zones"), zones, "zone"))
        m_.unit.GroupMark(z, g) = "G";
    }
  }
  if (auto array = Array(o->value("eqPresets"), "eqPresets", kPresets)) {
    for (int n = 1; n <= kPresets; ++n) {
      const std::string at = At("eqPresets", n - 1);
      const auto preset = Object(array->at(n - 1), at, {"name", "bands"});
      if (!preset) continue;
      // Preset names are not cut: a unit may report longer ones.
      if (auto name = Text(preset->value("name"), Key(at, "name"))) m_.unit.EQPresets[n].Name = *name;
      ReadBands(preset->value("bands"), Key(at, "bands"), m_.unit.EQPresets[n].Band, false);
    }
  }
  if (problemCount_ > problems_.size())
    problems_.push_back({"", "and " + std::to_string(problemCount_ - problems_.size()) + " more problems"});
  return problems_;
}

}  // namespace

std::vector<JsonProblem> ConfigFromJsonText(std::string_view text, const JsonReadOptions& options,
                                            ConfigModel& model, std::size_t maxProblems) {
  // Some editors open UTF-8 text with a byte order mark; it carries nothing.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // JSON strings carry control characters escaped only; the parser lets a raw
  // NUL through, which would then reach a name.
  if (const std::optional<std::size_t> at = FindRawControlByte(text)) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[*at]));
    return {{"", "not valid JSON at byte " + std::to_string(*at) + ": the control byte " + hex +
                     " stands unescaped inside a string"}};
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
  if (error.error != QJsonParseError::NoError)
    return {{"", "not valid JSON at byte " + std::to_string(error.offset) + ": " +
                     error.errorString().toStdString()}};
  if (!document.isObject()) return {{"", "a JSON object is expected"}};
  if (const std::optional<std::string> duplicate = FindDuplicateKey(text))
    return {{*duplicate, "this key appears twice in its object"}};
  return JsonReader(options, model, std::max<std::size_t>(maxProblems, 1)).Read(document.object());
}

std::optional<std::size_t> FindRawControlByte(std::string_view text) {
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!inString) {
      inString = c == '"';
    } else if (c == '\\') {
      ++i;  // the escaped character, whatever it is
    } else if (c == '"') {
      inString = false;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> FindDuplicateKey(std::string_view text) {
  // A small scan of text already known to be valid JSON: strings, and the
  // brackets that open and close objects and arrays.
  struct Frame {
    bool object = false;
    bool expectKey = true;
    std::set<std::string> keys;
    std::string key;
    long long index = -1;
  };
  std::vector<Frame> stack;
  const auto path = [&] {
    std::string p;
    for (const Frame& f : stack)
      p = f.object ? Key(p, f.key.c_str()) : At(p, static_cast<qsizetype>(f.index));
    return p;
  };
  // A value starts: in an array it is the next element.
  const auto valueStarts = [&] {
    if (!stack.empty() && !stack.back().object) ++stack.back().index;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '{':
      case '[':
        valueStarts();
        stack.emplace_back().object = c == '{';
        break;
      case '}':
      case ']':
        if (!stack.empty()) stack.pop_back();
        break;
      case ',':
        if (!stack.empty() && stack.back().object) stack.back().expectKey = true;
        break;
      case ':':
        if (!stack.empty()) stack.back().expectKey = false;
        break;
      case '"': {
        std::string s;
        for (++i; i < text.size() && text[i] != '"'; ++i) {
          if (text[i] != '\\' || i + 1 >= text.size()) {
            s += text[i];
            continue;
          }
          const char e = text[++i];
          if (e == 'u' && i + 4 < text.size()) {
            unsigned unit = 0;
            for (int k = 0; k < 4; ++k) {
              const char h = text[++i];
              unit = unit * 16 + static_cast<unsigned>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
            }
            // Keys are compared as UTF-16 units spelt out: equal keys stay equal.
            if (unit < 0x80)
              s += static_cast<char>(unit);
            else
              s += "\\u" + std::to_string(unit);
          } else {
            s += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
          }
        }
        if (!stack.empty() && stack.back().object && stack.back().expectKey) {
          Frame& frame = stack.back();
          if (!frame.keys.insert(s).second) {
            frame.key = s;
            return path();
          }
          frame.key = s;
        } else {
          valueStarts();
        }
        break;
      }
      default:
        if (c == '-' || (c >= '0' && c <= '9') || c == 't' || c == 'f' || c == 'n') {
          valueStarts();
          while (i + 1 < text.size() &&
                 std::string_view(",]} \t\r\n").find(text[i + 1]) == std::string_view::npos)
            ++i;
        }
        break;
    }
  }
  return std::nullopt;
}

std::vector<std::string> ValuesNotWritten(const ConfigModel& model) {
  std::vector<std::string> keys;
  for (int n = 1; n <= kPresets; ++n)
    if (!(model.unit.EQPresets[n] == EQPresetsRec{})) keys.push_back(At("eqPresets", n - 1));
  for (int z = 1; z <= std::min(model.unit.ZoneCount, kZones); ++z)
    if (model.unit.VolumeLocks[z]) keys.push_back(Key(At("zones", z - 1), "volumeLock"));
  return keys;
}

}  // namespace zem
