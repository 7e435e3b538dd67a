// The JSON form of a configuration: dump and build give back the export byte
// for byte, and every kind of bad input is refused with its path.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <functional>
#include <span>
#include <variant>

#include "cli/config_json.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"

namespace {

using zem::ConfigModel;

QByteArray ReadSource(const char* relative) {
  QFile f(QStringLiteral(ZEM_SOURCE_DIR "/") + relative);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What an export right after importing `text` writes, and the model as it
// leaves it (what dump reads).
struct Exported {
  std::vector<std::string> lines;
  ConfigModel model;
};
Exported ImportAndExport(std::string_view text) {
  zem::Editor editor;
  editor.ImportFileText(std::string(text), "test.zem");
  Exported e;
  e.lines = editor.PrepareExport();
  e.model = editor.model;
  return e;
}

ConfigModel FreshModel() {
  ConfigModel m;
  zem::TextLog a, b;
  zem::ResetModel(m, a, b);
  return m;
}

struct Built {
  std::vector<zem::JsonProblem> problems;
  std::vector<std::string> lines;
  ConfigModel model;
};
Built Build(std::string_view json, bool keep = false) {
  Built b{{}, {}, FreshModel()};
  b.problems = zem::ConfigFromJsonText(json, zem::JsonReadOptions{keep}, b.model);
  if (b.problems.empty()) b.lines = zem::BuildCommandSequence(b.model);
  return b;
}

std::string GeneratedText(int sources, int zones) {
  std::string text;
  for (const std::string& line : zem::GenerateConfiguration(sources, zones)) text += line + "\r\n";
  return text;
}

// Sets the value at a path such as {"zones", 1, "volume"}; an undefined
// value removes the key.
using Step = std::variant<const char*, int>;
QJsonValue Changed(const QJsonValue& at, std::span<const Step> path, const QJsonValue& value) {
  if (path.empty()) return value;
  if (std::holds_alternative<int>(path.front())) {
    QJsonArray array = at.toArray();
    const int i = std::get<int>(path.front());
    array[i] = Changed(array[i], path.subspan(1), value);
    return array;
  }
  QJsonObject object = at.toObject();
  const QString key = QString::fromLatin1(std::get<const char*>(path.front()));
  if (path.size() == 1 && value.isUndefined()) {
    object.remove(key);
  } else {
    object[key] = Changed(object.value(key), path.subspan(1), value);
  }
  return object;
}
std::string WithValue(const std::string& json, std::initializer_list<Step> path, const QJsonValue& value) {
  const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
  const QJsonValue changed = Changed(root, std::span<const Step>(path.begin(), path.size()), value);
  return QJsonDocument(changed.toObject()).toJson().toStdString();
}

std::string Problems(const Built& b) {
  std::string all;
  for (const auto& p : b.problems) all += p.Text() + "\n";
  return all;
}

}  // namespace

class TestConfigJson : public QObject {
  Q_OBJECT

 private slots:
  void roundTripGivesBackTheExport_data() {
    QTest::addColumn<QByteArray>("zem");
    QTest::addColumn<bool>("keep");
    QTest::newRow("small example") << ReadSource("examples/small-8x24.zem") << false;
    QTest::newRow("full example") << ReadSource("examples/full-16x192.zem") << false;
    QTest::newRow("golden export") << ReadSource("tests/data/full-16x192.golden.zem") << false;
    // The simulated unit reports band gains up to 12, beyond the window's 10.
    for (const auto& [sources, zones] : {std::pair{1, 1}, {3, 7}, {8, 24}, {16, 1}, {16, 192}})
      QTest::addRow("generated %dx%d", sources, zones)
          << QByteArray::fromStdString(GeneratedText(sources, zones)) << true;
  }
  void roundTripGivesBackTheExport() {
    QFETCH(QByteArray, zem);
    QFETCH(bool, keep);
    QVERIFY(!zem.isEmpty());
    const Exported e = ImportAndExport(zem.toStdString());
    const std::string json = zem::ConfigToJsonText(e.model);
    QVERIFY(QJsonDocument::fromJson(QByteArray::fromStdString(json)).isObject());
    const Built b = Build(json, keep);
    QVERIFY2(b.problems.empty(), Problems(b).c_str());
    QVERIFY(b.lines == e.lines);
    // A dump of the build is the same dump.
    QCOMPARE(zem::ConfigToJsonText(b.model), json);
  }

  void generatedValuesBeyondTheWindowNeedKeepOutOfRange() {
    // Zone 16 is in ZQ mode with band gains ((16 + b) % 25) - 12: bands 7 to
    // 10 hold 11, 12, -12 and -11, beyond the sliders' -10 to 10.
    const std::string json = zem::ConfigToJsonText(ImportAndExport(GeneratedText(4, 16)).model);
    const Built strict = Build(json);
    QCOMPARE(strict.problems.size(), std::size_t{4});
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(strict.problems[i].path, "zones[15].bands[" + std::to_string(6 + i) + "]");
      QVERIFY(strict.problems[i].message.find("--keep-out-of-range") != std::string::npos);
    }
    QVERIFY(Build(json, true).problems.empty());
  }

  // A unit's names may hold any byte, and a dump keeps every one; build
  // takes any but the control bytes, which it names.
  void namesKeepEveryByte_data() {
    QTest::addColumn<bool>("controlBytes");
    QTest::newRow("bytes 32 to 255") << false;
    QTest::newRow("control bytes too") << true;
  }

  void namesKeepEveryByte() {
    QFETCH(bool, controlBytes);
    // Names of single bytes (quotes, backslash, "]", Latin-1 letters...),
    // each at the 15-byte limit.
    ConfigModel m = FreshModel();
    m.unit.SourceCount = 16;
    m.unit.ZoneCount = 17;
    std::string all;
    for (int b = 1; b < 256; ++b)
      if (b != '\r' && b != '\n' && (controlBytes || !zem::IsControlByte(static_cast<unsigned char>(b))))
        all += static_cast<char>(b);
    auto piece = [&](int n) { return all.substr(static_cast<std::size_t>(n) * 15 % (all.size() - 15), 15); };
    for (int s = 1; s <= 16; ++s) m.unit.SourceNames[s] = piece(s);
    for (int z = 1; z <= 17; ++z) m.unit.ZoneNames[z] = piece(100 + z);
    for (int n = 1; n <= 10; ++n) {
      m.unit.FavoriteNames[n] = piece(200 + n);
      m.unit.GroupNames[n] = piece(300 + n);
    }
    m.unit.ZoneNames[1] = "\"]\"]\"]\"]\"]\"]\"]\"";
    m.unit.ZoneNames[2] = controlBytes ? std::string("\0x\0y", 4) : std::string("x y");
    m.unit.ZoneNames[3] = "\xfe\xe9\xc3\xa9\x80";  // not UTF-8 as bytes
    const std::string file = zem::ZemFileText(zem::BuildCommandSequence(m));
    const Exported e = ImportAndExport(file);
    QCOMPARE(QByteArray::fromStdString(e.model.unit.ZoneNames[2]).toHex(),
             QByteArray::fromStdString(m.unit.ZoneNames[2]).toHex());
    QCOMPARE(QByteArray::fromStdString(e.model.unit.ZoneNames[3]).toHex(),
             QByteArray::fromStdString(m.unit.ZoneNames[3]).toHex());
    const std::string json = zem::ConfigToJsonText(e.model);
    // Valid UTF-8 JSON (Qt refuses anything else), and byte b is U+00bb.
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    QVERIFY(doc.isObject());
    QCOMPARE(doc["zones"][2]["name"].toString(), QString::fromUtf8("\u00fe\u00e9\u00c3\u00a9\u0080"));
    const Built b = Build(json);
    if (controlBytes) {
      QVERIFY(!b.problems.empty());
      QCOMPARE(b.problems.front().path, std::string("sources[0].name"));
      const bool zone2 = std::any_of(b.problems.begin(), b.problems.end(), [](const zem::JsonProblem& p) {
        return p.Text() ==
               "zones[1].name: holds the control byte U+0000, which a unit's command does not carry";
      });
      QVERIFY2(zone2, Problems(b).c_str());
      return;
    }
    QVERIFY2(b.problems.empty(), Problems(b).c_str());
    QVERIFY(b.lines == e.lines);
    QCOMPARE(b.model.unit.ZoneNames[2], e.model.unit.ZoneNames[2]);
  }

  void badValuesAreRefusedWithTheirPath_data() {
    QTest::addColumn<std::string>("json");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("says");
    const std::string ok =
        zem::ConfigToJsonText(ImportAndExport(ReadSource("examples/small-8x24.zem").toStdString()).model);
    // Zone 2 is in ZQ mode, zone 3 in preset mode, zone 4 tone controls, zone 5
    // unused (eqUsed false), zone 1 restricts source 6.
    const auto row = [&](const char* name, std::initializer_list<Step> path, const QJsonValue& value,
                         const char* expectedPath, const char* says) {
      QTest::newRow(name) << WithValue(ok, path, value) << expectedPath << says;
    };
    row("name of 16 bytes", {"zones", 11, "name"}, "Sixteen bytes!!!", "zones[11].name", "16 bytes");
    row("code point above U+00FF", {"sources", 0, "name"}, QString::fromUtf8("Caf\u20ac"), "sources[0].name",
        "U+20AC");
    row("surrogate pair", {"groups", 0, "name"}, QString::fromUtf8("\U0001F600"), "groups[0].name", "U+D83D");
    row("line break in a name", {"favorites", 2, "name"}, "a\nb", "favorites[2].name", "line break");
    row("line break in an address", {"options", "gateway"}, "1.2.3.4\r", "options.gateway", "line break");
    row("volume above the window", {"zones", 1, "volume"}, 20, "zones[1].volume", "outside -80 to 0");
    row("fraction", {"zones", 1, "volume"}, 1.5, "zones[1].volume", "not a whole number");
    row("huge", {"zones", 1, "balance"}, 1e300, "zones[1].balance", "outside -80 to 80");
    row("string for a number", {"zones", 1, "volume"}, "loud", "zones[1].volume", "not a string");
    row("number for a boolean", {"options", "dhcpEnabled"}, 1, "options.dhcpEnabled", "true or false");
    row("missing key", {"zones", 1, "volume"}, QJsonValue(QJsonValue::Undefined), "zones[1].volume",
        "missing");
    row("unknown key", {"zones", 1, "colour"}, "red", "zones[1].colour", "unknown key");
    row("unknown top-level key", {"comment"}, "x", "comment", "unknown key");
    row("short bands", {"zones", 1, "bands"}, QJsonArray{1, 2, 3}, "zones[1].bands",
        "10 entries expected, not 3");
    row("band of a ZQ zone", {"zones", 1, "bands", 4}, 11, "zones[1].bands[4]", "outside -10 to 10");
    row("bass of a tone zone", {"zones", 3, "bass"}, -13, "zones[3].bass", "outside -12 to 12");
    row("system preset", {"zones", 2, "systemEq"}, 10, "zones[2].systemEq", "outside -1 to 9");
    row("DSP mode", {"zones", 1, "dspMode"}, 5, "zones[1].dspMode", "outside -1 to 4");
    row("beyond an 8-bit field", {"zones", 4, "volume"}, 128, "zones[4].volume", "outside -128 to 127");
    row("preset band beyond 8 bits", {"eqPresets", 9, "bands", 0}, -129, "eqPresets[9].bands[0]",
        "outside -128 to 127");
    row("display level", {"options", "displayLevel"}, 4, "options.displayLevel", "outside 0 to 3");
    row("zone count and array", {"zoneCount"}, 25, "zones", "25 entries expected, not 24");
    row("source count", {"sourceCount"}, 17, "sourceCount", "outside 0 to 16");
    row("restricted source beyond the count", {"zones", 0, "restrictedSources"}, QJsonArray{6, 9},
        "zones[0].restrictedSources[1]", "outside 1 to 8");
    row("more restrictions than sources", {"zones", 0, "restrictedSources"},
        QJsonArray{1, 2, 3, 4, 5, 6, 7, 8, 1}, "zones[0].restrictedSources",
        "9 entries; there are only 8 sources");
    QJsonArray tooMany;
    for (int i = 0; i < 24 * 8 + 1; ++i) tooMany.append(QJsonObject{});
    row("more connections than cells", {"favorites", 1, "connections"}, tooMany, "favorites[1].connections",
        "193 entries; there are only 192 zone and source pairs");
    row("group member twice", {"groups", 2, "zones"}, QJsonArray{3, 4, 3}, "groups[2].zones[2]", "twice");
    row("connection kind", {"favorites", 0, "connections", 0, "kind"}, "R",
        "favorites[0].connections[0].kind", "none of");
    row("connection zone", {"favorites", 0, "connections", 0, "zone"}, 25, "favorites[0].connections[0].zone",
        "outside 1 to 24");
    row("connection on a restriction", {"favorites", 0, "connections", 0},
        QJsonObject{{"zone", 1}, {"source", 6}, {"kind", "A"}}, "favorites[0].connections[0]",
        "source 6 is restricted for zone 1");
    row("favorites count", {"favorites"}, QJsonArray{}, "favorites", "10 entries expected, not 0");
    row("format", {"format"}, "other", "format", "is not \"zem-config\"");
    row("version", {"version"}, 2, "version", "not a version this zemctl reads");
    row("lowpass of a lowpass zone", {"zones", 1, "dspMode"}, 4, "zones[1].lowpass", "outside 40 to 240");
  }
  void badValuesAreRefusedWithTheirPath() {
    QFETCH(std::string, json);
    QFETCH(QString, path);
    QFETCH(QString, says);
    const Built b = Build(json);
    QVERIFY2(!b.problems.empty(), "accepted");
    const zem::JsonProblem& p = b.problems.front();
    QVERIFY2(p.path == path.toStdString() && p.message.find(says.toStdString()) != std::string::npos,
             Problems(b).c_str());
  }

  void problemsAreAllToldButBounded() {
    std::string json = zem::ConfigToJsonText(ImportAndExport(GeneratedText(16, 192)).model);
    for (int z = 0; z < 192; ++z) json = WithValue(json, {"zones", z, "volume"}, 200 + z);
    ConfigModel m = FreshModel();
    const auto problems = zem::ConfigFromJsonText(json, {true}, m, 20);
    QCOMPARE(problems.size(), std::size_t{21});
    QCOMPARE(problems[19].path, std::string("zones[19].volume"));
    QCOMPARE(problems[20].message, std::string("and 172 more problems"));
  }

  void valuesAnExportLeavesOutNeedOnlyFitTheirField() {
    // Zone 5 uses no EQ: its volume is not written, so it may hold anything
    // an import may leave there; the zones' lowpass is -1 after a reset.
    const Exported e = ImportAndExport(ReadSource("examples/small-8x24.zem").toStdString());
    const std::string ok = zem::ConfigToJsonText(e.model);
    const Built b = Build(WithValue(ok, {"zones", 4, "volume"}, 100));
    QVERIFY2(b.problems.empty(), Problems(b).c_str());
    QVERIFY(b.lines == e.lines);
    QCOMPARE(int{b.model.unit.ZoneAudio[5].Volume}, 100);
    // What build writes from an edited dump is what the window exports after
    // importing it: edits within the ranges are exported unchanged.
    std::string edited = WithValue(ok, {"zones", 0, "bass"}, -12);  // zone 1, shown first, in mode 0
    edited = WithValue(edited, {"zones", 1, "bands", 9}, -10);
    edited = WithValue(edited, {"zones", 3, "dspMode"}, 4);
    edited = WithValue(edited, {"zones", 3, "lowpass"}, 240);
    edited = WithValue(edited, {"zones", 2, "systemEq"}, 9);
    edited = WithValue(edited, {"favorites", 0, "connections"},
                       QJsonArray{QJsonObject{{"zone", 24}, {"source", 8}, {"kind", "V"}}});
    const Built changed = Build(edited);
    QVERIFY2(changed.problems.empty(), Problems(changed).c_str());
    QVERIFY(changed.lines != e.lines);
    QVERIFY(ImportAndExport(zem::ZemFileText(changed.lines)).lines == changed.lines);
    // Outside the window but within the field: kept on request, written as is.
    const Built kept = Build(WithValue(ok, {"zones", 1, "volume"}, 20), true);
    QVERIFY2(kept.problems.empty(), Problems(kept).c_str());
    QVERIFY(std::find(kept.lines.begin(), kept.lines.end(), "[VO2R20]") != kept.lines.end());
    QVERIFY(!Build(WithValue(ok, {"zones", 1, "volume"}, 128), true).problems.empty());
  }

  void bassAndTrebleAreGains() {
    const Exported e = ImportAndExport("[NI1\"s\"]\r\n[NO1\"z\"]\r\n[EO1M3]\r\n[TO1B-4T6]\r\n");
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(zem::ConfigToJsonText(e.model)));
    QCOMPARE(doc["zones"][0]["bass"].toInt(), -4);
    QCOMPARE(doc["zones"][0]["treble"].toInt(), 6);
    QCOMPARE(int{e.model.unit.ZoneAudio[1].Bass}, 4);  // the model keeps them negated
  }

  void textThatIsNoConfiguration() {
    const auto first = [](std::string_view text) { return Build(text).problems.front().Text(); };
    QVERIFY(first("[1, 2]").find("a JSON object is expected") != std::string::npos);
    QVERIFY(first("{\"format\": ").find("not valid JSON at byte 11") != std::string::npos);
    // Bytes that are not UTF-8: refused with the place, never guessed at.
    QVERIFY(first("{\"format\": \"zem\xff\"}").find("not valid JSON at byte") != std::string::npos);
    // A number no double holds is no JSON number to Qt.
    QVERIFY(first("{\"version\": 1e400}").find("illegal number") != std::string::npos);
    QCOMPARE(first("{\"format\": 1, \"format\": 2}"),
             std::string("format: this key appears twice in its object"));
    QVERIFY(first("{}").find("format: missing") != std::string::npos);
    // Another version is told as such, not as keys this one does not know.
    const Built other = Build("{\"format\": \"zem-config\", \"version\": 2, \"zoneTable\": []}");
    QCOMPARE(Problems(other), std::string("version: 2 is not a version this zemctl reads (1)\n"));
    QVERIFY(first("\xEF\xBB\xBF{}").find("format: missing") != std::string::npos);  // a byte order mark
  }

  void duplicateKeysAreFound() {
    const auto found = [](const char* text) { return zem::FindDuplicateKey(text).value_or("-"); };
    const char* nested = "{\"zones\": [{\"name\": \"a\"}, {\"name\": \"b\", \"name\": \"c\"}]}";
    QCOMPARE(found(nested), std::string("zones[1].name"));
    const char* deep = "{\"a\": {\"b\": [1, [2, 3], {\"c\": 1}]}, \"d\": [{\"c\": 1, \"c\": 2}]}";
    QCOMPARE(found(deep), std::string("d[0].c"));
    const char* escaped = "{\"name\": 1, \"na\\u006de\": 2}";
    QCOMPARE(found(escaped), std::string("name"));
    // Equal keys in different objects, and key-like text inside strings.
    const char* apart = "{\"a\": {\"x\": 1}, \"b\": {\"x\": 1}, \"c\": \"{\\\"y\\\": 1, \\\"y\\\": 2}\"}";
    QCOMPARE(found(apart), std::string("-"));
    const char* quoted = "{\"a\\\"\": 1, \"a\": [true, false, null, -1.5e3]}";
    QCOMPARE(found(quoted), std::string("-"));
  }

  void theSchemaDescribesEveryKeyDumpWrites() {
    const QJsonDocument schema = QJsonDocument::fromJson(ReadSource("docs/zem-config.schema.json"));
    QVERIFY(schema.isObject());
    QCOMPARE(schema["$schema"].toString(), QString("https://json-schema.org/draft/2020-12/schema"));
    const QJsonObject defs = schema["$defs"].toObject();
    const QJsonDocument dump = QJsonDocument::fromJson(QByteArray::fromStdString(
        zem::ConfigToJsonText(ImportAndExport(ReadSource("examples/small-8x24.zem").toStdString()).model)));
    // Walks a dump and the schema together: every object is closed, requires
    // exactly the keys dump writes, and describes each of them.
    std::function<void(const QJsonValue&, QJsonObject, const QString&)> walk =
        [&](const QJsonValue& value, QJsonObject node, const QString& path) {
          if (node.contains("$ref")) node = defs[node["$ref"].toString().section('/', -1)].toObject();
          QVERIFY2(!node.isEmpty(), qPrintable(path));
          if (value.isObject()) {
            QVERIFY2(node["additionalProperties"] == QJsonValue(false), qPrintable(path));
            QStringList required;
            for (const QJsonValue& r : node["required"].toArray()) required << r.toString();
            QStringList keys = value.toObject().keys();
            required.sort();
            QVERIFY2(required == keys, qPrintable(path + ": " + required.join(',') + " / " + keys.join(',')));
            for (const QString& key : keys)
              walk(value[key], node["properties"][key].toObject(), path + "." + key);
          } else if (value.isArray()) {
            for (const QJsonValue& item : value.toArray()) walk(item, node["items"].toObject(), path + "[]");
          }
        };
    walk(dump.object(), schema.object(), "");
    QCOMPARE(schema["properties"]["version"]["const"].toInt(), zem::kJsonFormatVersion);
  }
};

QTEST_GUILESS_MAIN(TestConfigJson)
#include "test_config_json.moc"
