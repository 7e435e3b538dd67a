// The unit checks the window and zemctl share (the read-back that verifies
// an export), and what the controller tells of the last run when the jobs
// follow one another.
#include <QTest>

#include "sim/sim_config.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;

class TestUnitChecks : public QObject {
  Q_OBJECT

 private slots:
  // ReadBack compares what was sent with what the unit holds; a read that
  // is not whole compares nothing. The window's configuration stays.
  void readBackComparesWithTheUnit_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("renamed");  // what was sent names zone 1 otherwise
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("differences");
    const int completed = static_cast<int>(TransferOutcome::Completed);
    QTest::newRow("holds what was sent") << "whole" << false << completed << 0;
    QTest::newRow("zone name differs") << "whole" << true << completed << 1;
    QTest::newRow("cut short") << "half" << true << static_cast<int>(TransferOutcome::Incomplete) << 0;
    QTest::newRow("no source") << "empty" << true << static_cast<int>(TransferOutcome::NothingRead) << 0;
  }
  void readBackComparesWithTheUnit() {
    QFETCH(QString, unit);
    QFETCH(bool, renamed);
    QFETCH(int, read);
    QFETCH(int, differences);
    const std::vector<std::string> lines = GenerateConfiguration(2, 4);
    Rig rig(Serving(lines));
    QVERIFY(rig.UseTelnet());
    QVERIFY(Import(rig));
    rig.sim.Options().closeMidImport = unit == "half";
    if (unit == "empty") rig.sim.Options().configLines.clear();
    ConfigModel sent = rig.editor.model;
    if (renamed) sent.unit.ZoneNames[1] = "Renamed";
    const ConfigModel before = rig.editor.model;

    Editor unitRead;
    const UnitChecks::ReadBackFindings found = rig.ctl.Checks().ReadBack(sent, unitRead);
    QCOMPARE(static_cast<int>(found.read), read);
    QCOMPARE(static_cast<int>(rig.ctl.LastOutcome()), read);
    QCOMPARE(static_cast<int>(found.differences.size()), differences);
    if (differences > 0) QVERIFY(found.differences.front().before.find("Renamed") != std::string::npos);
    QCOMPARE(ModelDifference(rig.editor.model, before), std::string());
  }

  // LastOutcome() and the rest speak of the last run, import or export: a
  // read after an export sent no line, an export after a cut import left no
  // import warning, and the read that verifies an export leaves the
  // export's figures.
  void lastRunIsWhatTheControllerTells_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("linesSent");
    QTest::addColumn<bool>("importWarnings");
    QTest::newRow("export") << "export" << true << false;
    QTest::newRow("read after export") << "export read" << false << false;
    QTest::newRow("export after cut import") << "cut export" << true << false;
    QTest::newRow("cut import after export") << "export cut" << false << true;
    QTest::newRow("verified export") << "verify export" << true << false;
  }
  void lastRunIsWhatTheControllerTells() {
    QFETCH(QString, steps);
    QFETCH(bool, linesSent);
    QFETCH(bool, importWarnings);
    Rig rig(Serving(GenerateConfiguration(2, 4)));
    QVERIFY(rig.UseTelnet());
    QVERIFY(Import(rig));
    Editor read;
    for (const QString& step : steps.split(' ')) {
      rig.sim.Options().closeMidImport = step == "cut";
      if (step == "verify") {
        rig.ctl.UseUnitChecks(true);
        rig.ctl.SetVerifyAfterExport(true);
      } else if (step == "export") {
        rig.ctl.ExportConfiguration();
      } else if (step == "read") {
        QCOMPARE(rig.ctl.ReadUnit(read, " Reading"), TransferOutcome::Completed);
      } else {
        rig.ctl.ImportConfiguration();
      }
    }
    QCOMPARE(rig.ctl.LinesSent() > 0, linesSent);
    QCOMPARE(rig.ctl.LastLineSent().empty(), !linesSent);
    QCOMPARE(rig.ctl.ImportWarnings().empty(), !importWarnings);
    QCOMPARE(rig.ctl.LastOutcome(),
             importWarnings ? TransferOutcome::Incomplete : TransferOutcome::Completed);
    if (steps.startsWith("verify")) QVERIFY(AnyContains({rig.editor.status.Text()}, "verified"));
  }

 private:
  static bool Import(Rig& rig) {
    rig.ctl.ImportConfiguration();
    return rig.ctl.LastOutcome() == TransferOutcome::Completed;
  }
};

QTEST_GUILESS_MAIN(TestUnitChecks)
#include "test_unit_checks.moc"
