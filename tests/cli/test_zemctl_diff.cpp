// zemctl diff, the real binary: files, and units on an in-process simulated
// unit over TCP and a pseudo-terminal.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "support/transfer_rig.h"
#include "support/zemctl_runner.h"

using namespace zem;
using namespace zem::test;

namespace {

// zemctl in the locale `locale` (C unless said), while the event loop keeps
// serving the simulated unit.
Run ZemctlIn(const QStringList& args, const QString& locale = QStringLiteral("C")) {
  return zem::test::Zemctl(args, {}, locale);
}

// The configuration with `from` replaced by `to` in its lines.
std::vector<std::string> Replaced(std::vector<std::string> lines, const std::string& from,
                                  const std::string& to) {
  for (std::string& line : lines)
    if (line == from) line = to;
  return lines;
}

const std::vector<std::string>& Config() {
  static const std::vector<std::string> config = GenerateConfiguration(4, 12);
  return config;
}

// The configuration with zone 2 quieter and zone 3 renamed.
std::vector<std::string> Changed() {
  return Replaced(Replaced(Config(), "[VO2R-2]", "[VO2R-30]"), "[NO3\"Room 3\"]", "[NO3\"Caf\xE9\"]");
}
const char kChangedLines[] = "zone 2 volume: -2 dB -> -30 dB\nzone 3 name: \"Room 3\" -> \"Caf\xE9\"\n";

}  // namespace

class TestZemctlDiff : public QObject {
  Q_OBJECT

 private slots:
  void filesEqualAndDifferent() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.zem"), b = dir.filePath("b.zem"), same = dir.filePath("same.zem");
    Write(a, ZemFileText(Config()));
    Write(b, ZemFileText(Changed()));
    // The same configuration in another order and with LF line ends.
    std::string reordered;
    for (auto it = Config().rbegin(); it != Config().rend(); ++it) reordered += *it + "\n";
    Write(same, reordered);

    const Run equal = ZemctlIn({"diff", a, same});
    QCOMPARE(equal.status, 0);
    QCOMPARE(equal.out, QByteArray());
    QCOMPARE(equal.err, QByteArray());

    const Run different = ZemctlIn({"diff", a, b});
    QCOMPARE(different.status, 1);
    QCOMPARE(different.out, QByteArray(kChangedLines));
    // Swapped sides, swapped values.
    QCOMPARE(ZemctlIn({"diff", b, a}).out,
             QByteArray("zone 2 volume: -30 dB -> -2 dB\nzone 3 name: \"Caf\xE9\" -> \"Room 3\"\n"));
    // A UTF-8 terminal gets Latin-1 as UTF-8.
    const Run utf8 = ZemctlIn({"diff", a, b}, QStringLiteral("C.UTF-8"));
    QVERIFY2(utf8.out.contains("\"Caf\xC3\xA9\"\n"), utf8.out.constData());
  }

  void jsonKeepsEveryByteAndTypesValues() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.zem"), b = dir.filePath("b.zem");
    const std::string name("\x01\"\\\x7F\x80\xE9\xFE z", 9);
    Write(a, ZemFileText(Config()));
    Write(b, ZemFileText(Replaced(Changed(), "[NO3\"Caf\xE9\"]", "[NO3\"" + name + "\"]")));
    const Run run = ZemctlIn({"diff", "--json", a, b}, QStringLiteral("C.UTF-8"));
    QCOMPARE(run.status, 1);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray array = doc.array();
    QCOMPARE(array.size(), 2);
    const QJsonObject volume = array[0].toObject();
    QCOMPARE(volume["table"].toString(), QStringLiteral("zone"));
    QCOMPARE(volume["indices"].toArray(), QJsonArray{2});
    QCOMPARE(volume["field"].toString(), QStringLiteral("volume"));
    QVERIFY(volume["before"].isDouble());
    QCOMPARE(volume["before"].toInteger(), -2);
    QCOMPARE(volume["after"].toInteger(), -30);
    const QJsonObject renamed = array[1].toObject();
    QCOMPARE(renamed["before"].toString(), QStringLiteral("Room 3"));
    const QByteArray bytes = renamed["after"].toString().toLatin1();
    QCOMPARE(bytes.toStdString(), name);

    // none is null, on/off are booleans; equal sides give an empty array.
    Write(b, ZemFileText(Replaced(Replaced(Config(), "[FPL1]", "[FPL0]"), "[NO12\"Room 12\"]", "")));
    const Run more = ZemctlIn({"diff", "--json", a, b});
    const QJsonArray values = QJsonDocument::fromJson(more.out).array();
    QVERIFY(values.size() > 2);
    QCOMPARE(values[0].toObject()["table"].toString(), QStringLiteral("zones"));
    QCOMPARE(values[0].toObject()["after"].toInteger(), 11);
    bool sawNull = false;
    for (const auto& v : values) sawNull = sawNull || v.toObject()["after"].isNull();
    QVERIFY(sawNull);
    const QJsonObject lock = values.last().toObject();
    QCOMPARE(lock["field"].toString(), QStringLiteral("front panel lock"));
    QCOMPARE(lock["before"], QJsonValue(true));
    QCOMPARE(lock["after"], QJsonValue(false));
    const Run equal = ZemctlIn({"diff", a, a, "--json"});
    QCOMPARE(equal.status, 0);
    QCOMPARE(QJsonDocument::fromJson(equal.out).array().size(), 0);
  }

  void badArgumentsAndUnreadableSides() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.zem");
    Write(a, ZemFileText(Config()));
    for (const QStringList& args :
         {QStringList{"diff", a}, QStringList{"diff", a, a, a}, QStringList{"diff", a, a, "--bogus"},
          QStringList{"diff", a, a, "--timeout", "0"}, QStringList{"diff", a, "--telnet", ""}}) {
      const Run run = ZemctlIn(args);
      QCOMPARE(run.status, 2);
      QVERIFY(run.err.contains("Usage: zemctl diff"));
      QCOMPARE(run.out, QByteArray());
    }
    const Run missing = ZemctlIn({"diff", a, dir.filePath("missing.zem")});
    QCOMPARE(missing.status, 2);
    QVERIFY(missing.err.contains("cannot read"));

    const QString empty = dir.filePath("empty.zem");
    Write(empty, "[VO1R-5]\r\n");
    const Run none = ZemctlIn({"diff", empty, a});
    QCOMPARE(none.status, 2);
    QVERIFY(none.err.contains("names no source"));
    QCOMPARE(none.out, QByteArray());

    // A file past the line limit is not compared from its beginning alone.
    const QString huge = dir.filePath("huge.zem");
    Write(huge, ZemFileText(Config()) + std::string(1000001, '\n'));
    const Run cut = ZemctlIn({"diff", a, huge});
    QCOMPARE(cut.status, 2);
    QVERIFY(cut.err.contains("not read in full"));
    QCOMPARE(cut.out, QByteArray());

    const Run help = ZemctlIn({"diff", "--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("--json"));
  }

  void unitComparedWithFile_data() { AddLinkRows(); }
  void unitComparedWithFile() {
    QFETCH(bool, serial);
    QTemporaryDir dir;
    const QString same = dir.filePath("same.zem"), changed = dir.filePath("changed.zem");
    Write(same, ZemFileText(Config()));
    Write(changed, ZemFileText(Changed()));
    SimOptions options;
    options.configLines = Config();
    UnitSim sim(options);
    std::string error;
    QStringList unit;
    if (serial) {
      QVERIFY(sim.OpenPty(&error));
      unit << "--serial" << QString::fromStdString(sim.PtyPath());
    } else {
      QVERIFY(sim.ListenTcp(0, QHostAddress::LocalHost, &error));
      unit << "--telnet" << QStringLiteral("127.0.0.1:%1").arg(sim.TcpPort());
    }
    const Run different = ZemctlIn(QStringList{"diff"} << unit << changed << "--timeout"
                                                       << "20");
    QCOMPARE(different.status, 1);
    QCOMPARE(different.out, QByteArray(kChangedLines));
    const Run equal = ZemctlIn(QStringList{"diff", same} << unit);
    QCOMPARE(equal.status, 0);
    QCOMPARE(equal.out, QByteArray());
    QCOMPARE(sim.Queries(), 2);
  }

  void unitThatAnsweredPartlyIsNotCompared() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.zem");
    Write(a, ZemFileText(Config()));
    SimOptions options;
    options.configLines = Config();
    options.closeMidImport = true;
    UnitSim broken(options);
    UnitSim empty;
    std::string error;
    QVERIFY(broken.ListenTcp(0, QHostAddress::LocalHost, &error));
    QVERIFY(empty.ListenTcp(0, QHostAddress::LocalHost, &error));
    const Run partly =
        ZemctlIn({"diff", a, "--telnet", QStringLiteral("127.0.0.1:%1").arg(broken.TcpPort())});
    QCOMPARE(partly.status, 2);
    QVERIFY2(partly.err.contains("only part of its configuration"), partly.err.constData());
    QCOMPARE(partly.out, QByteArray());
    const Run nothing =
        ZemctlIn({"diff", "--telnet", QStringLiteral("127.0.0.1:%1").arg(empty.TcpPort()), a});
    QCOMPARE(nothing.status, 2);
    QCOMPARE(nothing.out, QByteArray());
  }
};

QTEST_MAIN(TestZemctlDiff)
#include "test_zemctl_diff.moc"
