// File > Open Site...: the list filled by a real 'zemctl site status --json'
// against simulated units in this process, and a unit opened from it.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/window_fixture.h"
#include "support/zemctl_runner.h"
#include "ui/window/site_dialog.h"

namespace zem {

class TestWindowSite : public QObject, public test::WindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { qputenv("ZEM_ZEMCTL", ZEMCTL_PATH); }
  void init();
  void cleanup() { CloseWindow(); }
  void OpenUnit_data();
  void OpenUnit();
  void BadSiteFile_data();
  void BadSiteFile();

 private:
  // The list's state column, once every unit has answered.
  QStringList States();
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<UnitSim> same_, changed_;
  QString site_;
};

void TestWindowSite::init() {
  OpenWindow(false);
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  const QString file = dir_->filePath("unit.zem");
  QVERIFY(QFile::copy(test::Source("examples/small-8x24.zem"), file));
  SimOptions held;
  held.configLines = ConfigurationLines(test::Read(file).toStdString());
  same_ = std::make_unique<UnitSim>(held);
  for (std::string& line : held.configLines)
    if (line.rfind("[NO3", 0) == 0) line = "[NO3\"Changed\"]";
  changed_ = std::make_unique<UnitSim>(held);
  std::string error;
  QVERIFY(same_->ListenTcp(0, QHostAddress::LocalHost, &error));
  QVERIFY(changed_->ListenTcp(0, QHostAddress::LocalHost, &error));
  site_ = dir_->filePath("hotel.zemsite");
  test::Write(site_, QString(R"({"name": "Hotel", "units": [
  {"name": "same", "link": {"telnet": "127.0.0.1:%1"}, "file": "unit.zem"},
  {"name": "changed", "link": {"telnet": "127.0.0.1:%2"}, "file": "unit.zem"},
  {"name": "gone", "link": {"telnet": "127.0.0.1:1"}, "file": "unit.zem"}]})")
                         .arg(same_->TcpPort())
                         .arg(changed_->TcpPort())
                         .toUtf8());
}

QStringList TestWindowSite::States() {
  QStringList states;
  SiteDialog* dialog = window->SiteList();
  if (!dialog) return states;
  auto* list = dialog->findChild<QTableWidget*>("SiteList1");
  for (int row = 0; row < list->rowCount(); ++row) states << list->item(row, 2)->text();
  return states;
}

void TestWindowSite::OpenUnit_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<bool>("refreshFirst");
  QTest::addColumn<int>("state");  // ChangesState after opening
  QTest::addColumn<int>("lines");  // changes not sent
  QTest::newRow("in step") << 0 << false << static_cast<int>(ChangesState::NothingChanged) << 0;
  QTest::newRow("changed behind the site's back") << 1 << false << static_cast<int>(ChangesState::Ready) << 1;
  QTest::newRow("changed, after Refresh mid-run") << 1 << true << static_cast<int>(ChangesState::Ready) << 1;
  QTest::newRow("unreachable: no read") << 2 << false << static_cast<int>(ChangesState::NoBaseline) << 0;
}

void TestWindowSite::OpenUnit() {
  QFETCH(int, row);
  QFETCH(bool, refreshFirst);
  QFETCH(int, state);
  QFETCH(int, lines);
  prompts->openAnswers.push_back(site_.toStdString());
  window->findChild<QAction*>("OpenSite1")->trigger();
  SiteDialog* dialog = window->SiteList();
  QVERIFY(dialog);
  if (refreshFirst) dialog->findChild<QPushButton*>("SiteRefresh1")->click();
  // The window answers while the list fills.
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->Running(), 60000);
  QCOMPARE(States(), QStringList({"in step", "1 difference", "unreachable: refused"}));
  // What to do about it, in the connection check's words.
  QVERIFY(dialog->findChild<QTableWidget*>("SiteList1")->item(2, 2)->toolTip().contains("Nothing listens"));
  QCOMPARE(dialog->findChild<QLabel*>("SiteSummary1")->text(), QString("3 units: 2 read, 1 not"));

  auto* list = dialog->findChild<QTableWidget*>("SiteList1");
  list->selectRow(row);
  dialog->findChild<QPushButton*>("SiteOpen1")->click();
  QVERIFY(editor->HasConfiguration());
  QCOMPARE(window->Controller().CheckedMode(), TransferController::Mode::Telnet);
  const quint16 port = row == 0 ? same_->TcpPort() : row == 1 ? changed_->TcpPort() : 1;
  QCOMPARE(window->Controller().UnitName(), "127.0.0.1:" + std::to_string(port));
  QVERIFY(prompts->hostAnswers.empty());  // no prompt was needed
  QVERIFY(prompts->errors.empty());
  std::size_t notSent = 0;
  QCOMPARE(static_cast<int>(window->Controller().ExportChangesState(&notSent)), state);
  QCOMPARE(static_cast<int>(notSent), lines);
  // What opening did to the units: nothing but reading them.
  QCOMPARE(same_->CommandsReceived() + changed_->CommandsReceived(), 0);
}

void TestWindowSite::BadSiteFile_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QString>("error");
  QTest::newRow("not JSON") << QByteArray("{\"name\": \"S\",\n\"units\": [}") << ": line 2, column ";
}

void TestWindowSite::BadSiteFile() {
  QFETCH(QByteArray, text);
  QFETCH(QString, error);
  test::Write(site_, text);
  prompts->openAnswers.push_back(site_.toStdString());
  window->findChild<QAction*>("OpenSite1")->trigger();
  QVERIFY(!window->SiteList());
  QCOMPARE(prompts->errors.size(), std::size_t{1});
  QVERIFY2(QString::fromStdString(prompts->errors[0]).startsWith("Not a site file: " + site_ + error),
           prompts->errors[0].c_str());
}

}  // namespace zem

QTEST_MAIN(zem::TestWindowSite)
#include "test_window_site.moc"
