// The site file: what a good one gives, and where a bad one is wrong.
#include <QTemporaryDir>
#include <QtTest>
#include <string>

#include "transfer/site_file.h"

namespace zem {

class TestSiteFile : public QObject {
  Q_OBJECT

 private slots:
  void Errors_data();
  void Errors();
  void Units();
  void SerialPortNamedTwice();
  void FileErrors();
};

namespace {

// A site of one unit around `unit`, so each row shows only what it is about.
std::string OneUnit(const std::string& unit) { return "{\"name\": \"S\", \"units\": [" + unit + "]}"; }

const char kGood[] = R"({"name": "a", "link": {"telnet": "10.0.0.1"}, "file": "a.zem"})";

}  // namespace

void TestSiteFile::Errors_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QString>("error");
  // Parse errors stand where the parser stopped: line and column from 1.
  QTest::newRow("unclosed object") << QByteArray("{\n  \"name\": \"S\",\n  \"units\": [\n")
                                   << "line 4, column 1";
  QTest::newRow("missing comma") << QByteArray("{\"name\": \"S\"\n \"units\": []}")
                                 << "line 2, column 3: unterminated object";
  QTest::newRow("not an object") << QByteArray("[1]") << "a site file holds one JSON object";
  QTest::newRow("unknown top key") << QByteArray::fromStdString(OneUnit(kGood).insert(1, "\"nmae\": 1, "))
                                   << "nmae: unknown key";
  QTest::newRow("no units") << QByteArray(R"({"name": "S"})") << "units: missing";
  QTest::newRow("units empty") << QByteArray(R"({"name": "S", "units": []})")
                               << "units: a site has at least one unit";
  QTest::newRow("unit key misspelt") << QByteArray::fromStdString(OneUnit(
                                            R"({"name": "a", "link": {"telnet": "h"}, "flie": "a.zem"})"))
                                     << "units[0].flie: unknown key";
  QTest::newRow("file missing") << QByteArray::fromStdString(
                                       OneUnit(R"({"name": "a", "link": {"telnet": "h"}})"))
                                << "units[0].file: missing";
  QTest::newRow("both links")
      << QByteArray::fromStdString(
             OneUnit(R"({"name": "a", "link": {"telnet": "h", "serial": "/dev/x"}, "file": "a.zem"})"))
      << "units[0].link: give either \"telnet\" or \"serial\"";
  QTest::newRow("port out of range") << QByteArray::fromStdString(OneUnit(
                                            std::string(kGood) +
                                            R"(, {"name": "b", "link": {"telnet": "h:70000"}, "file": "b"})"))
                                     << "units[1].link.telnet: port 70000 is outside 1-65535";
  QTest::newRow("host with blank") << QByteArray::fromStdString(
                                          OneUnit(R"({"name": "a", "link": {"telnet": "a b"}, "file": "a"})"))
                                   << "units[0].link.telnet: a host holds no blank";
  // A unit's name is a folder: no separator, no climbing out, no device.
  QTest::newRow("name with slash") << QByteArray::fromStdString(
                                          OneUnit(R"({"name": "a/b", "link": {"telnet": "h"}, "file": "a"})"))
                                   << "units[0].name: only letters";
  QTest::newRow("name dot dot") << QByteArray::fromStdString(
                                       OneUnit(R"({"name": "..", "link": {"telnet": "h"}, "file": "a"})"))
                                << "units[0].name: a unit's name may not start with '.'";
  QTest::newRow("name accented") << QByteArray::fromStdString(
                                        OneUnit("{\"name\": \"K\xc3\xbc\", \"link\": {\"telnet\": \"h\"}, "
                                                "\"file\": \"a\"}"))
                                 << "units[0].name: only letters";
  QTest::newRow("name a device") << QByteArray::fromStdString(
                                        OneUnit(R"({"name": "nul", "link": {"telnet": "h"}, "file": "a"})"))
                                 << "units[0].name: a device's name";
  QTest::newRow("name too long") << QByteArray::fromStdString(
                                        OneUnit("{\"name\": \"" + std::string(65, 'n') +
                                                R"(", "link": {"telnet": "h"}, "file": "a"})"))
                                 << "units[0].name: longer than 64";
  QTest::newRow("name twice, other case")
      << QByteArray::fromStdString(
             OneUnit(std::string(kGood) + R"(, {"name": "A", "link": {"telnet": "h2"}, "file": "b"})"))
      << "units[1].name: \"A\" is named twice";
  QTest::newRow("serial twice") << QByteArray::fromStdString(OneUnit(
                                       R"({"name": "a", "link": {"serial": "/dev/ttyS0"}, "file": "a"},
                             {"name": "b", "link": {"serial": "/dev/../dev/ttyS0"}, "file": "b"})"))
                                << "units[1].link.serial: /dev/../dev/ttyS0 is the port of another unit";
}

void TestSiteFile::Errors() {
  QFETCH(QByteArray, text);
  QFETCH(QString, error);
  std::string problem;
  const std::optional<Site> site = ParseSite(text.toStdString(), "/sites", &problem);
  QVERIFY(!site);
  QVERIFY2(QString::fromStdString(problem).startsWith(error), problem.c_str());
}

void TestSiteFile::Units() {
  std::string problem;
  const std::optional<Site> site = ParseSite(R"({"name": "Hotel \u00e9", "units": [
      {"name": "lobby", "link": {"telnet": "10.0.0.1:2323"}, "file": "units/lobby.zem"},
      {"name": "bar", "link": {"serial": "/dev/ttyUSB0"}, "file": "/abs/bar.zem"}]})",
                                             "/sites/hotel", &problem);
  QVERIFY2(site, problem.c_str());
  QCOMPARE(site->name, std::string("Hotel \xc3\xa9"));
  QCOMPARE(site->units.size(), std::size_t{2});
  QCOMPARE(site->units[0].LinkText(), std::string("telnet 10.0.0.1:2323"));
  QCOMPARE(site->units[0].path, std::string("/sites/hotel/units/lobby.zem"));
  QCOMPARE(site->units[1].LinkText(), std::string("serial /dev/ttyUSB0"));
  QCOMPARE(site->units[1].path, std::string("/abs/bar.zem"));
}

// A link to a port is that port.
void TestSiteFile::SerialPortNamedTwice() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString port = dir.filePath("port");
  QFile made(port);
  QVERIFY(made.open(QIODevice::WriteOnly));
  QVERIFY(QFile::link(port, dir.filePath("link")));
  std::string problem;
  const std::string text = OneUnit(R"({"name": "a", "link": {"serial": ")" + port.toStdString() +
                                   R"("}, "file": "a"}, {"name": "b", "link": {"serial": ")" +
                                   dir.filePath("link").toStdString() + R"("}, "file": "b"})");
  QVERIFY(!ParseSite(text, "/", &problem));
  QVERIFY2(problem.find("is the port of another unit") != std::string::npos, problem.c_str());
}

void TestSiteFile::FileErrors() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string path = dir.filePath("big.zemsite").toStdString();
  QFile big(QString::fromStdString(path));
  QVERIFY(big.open(QIODevice::WriteOnly));
  QVERIFY(big.write(QByteArray(kSiteFileMaxBytes + 1, ' ')) > 0);
  big.close();
  std::string problem;
  QVERIFY(!ReadSiteFile(path, &problem));
  QVERIFY2(problem.rfind(path + ": larger than a site file can be", 0) == 0, problem.c_str());
  QVERIFY(!ReadSiteFile(dir.filePath("none.zemsite").toStdString(), &problem));
  QVERIFY2(problem.rfind(dir.filePath("none.zemsite").toStdString() + ": ", 0) == 0, problem.c_str());
}

}  // namespace zem

QTEST_GUILESS_MAIN(zem::TestSiteFile)
#include "test_site_file.moc"
