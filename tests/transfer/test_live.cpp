// Live's sending against the simulated unit over TCP and a pty (the window's
// File > Live drives the same): a drag never leaves an older value last, a
// fault ends Live and keeps the edits, switching off sends what waits.
#include <QTest>

#include "command/command_writer.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;

namespace {

using Lines = std::vector<std::string>;

bool Import(Rig& rig) {
  rig.ctl.ImportConfiguration();
  return rig.editor.unitBaseline.For(rig.ctl.LinkKey()) != nullptr;
}

// A rig whose unit was imported, on Telnet or the pty.
bool Ready(Rig& rig, bool serial) { return (serial ? rig.UseSerial() : rig.UseTelnet()) && Import(rig); }

}  // namespace

class TestLive : public QObject {
  Q_OBJECT

 private slots:
  void queueKeepsTheNewestOfEachSetting_data() {
    QTest::addColumn<Lines>("added");
    QTest::addColumn<Lines>("waiting");
    QTest::newRow("a drag") << Lines{"[VO2R-5]", "[VO2R-6]", "[VO2R-7]"} << Lines{"[VO2R-7]"};
    QTest::newRow("the newest goes last")
        << Lines{"[VO2R-5]", "[NO3\"A\"]", "[VO2R-6]"} << Lines{"[NO3\"A\"]", "[VO2R-6]"};
    QTest::newRow("balance, either side") << Lines{"[BO2L3]", "[BO2R1]"} << Lines{"[BO2R1]"};
    QTest::newRow("bands apart") << Lines{"[EO2B1L-3]", "[EO2B2L-3]", "[EO2B1L-4]"}
                                 << Lines{"[EO2B2L-3]", "[EO2B1L-4]"};
    QTest::newRow("entries never stand for each other")
        << Lines{"[RPO3I1]", "[RPO3I2]", "[F1AO2AI3]"} << Lines{"[RPO3I1]", "[RPO3I2]", "[F1AO2AI3]"};
    QTest::newRow("a table again: its entries after the opening line")
        << Lines{"[RAR]", "[RPO1I1]", "[RPO2I1]", "[RAR]", "[RPO2I1]"}
        << Lines{"[RPO1I1]", "[RAR]", "[RPO2I1]"};
    QTest::newRow("no closing line") << Lines{"[SD2]", "", "[EC]"} << Lines{"[SD2]"};
  }
  void queueKeepsTheNewestOfEachSetting() {
    QFETCH(Lines, added);
    QFETCH(Lines, waiting);
    LiveQueue queue;
    for (const std::string& line : added) queue.Add({line});
    QCOMPARE(queue.Size(), waiting.size());
    QCOMPARE(queue.Drop(), waiting);
    QVERIFY(queue.Empty());
  }

  // Edits made while a line is in flight on the paced line: only the newest
  // value waits, so the unit's volume lines only ever move on, and it ends
  // at the last value.
  void aDragNeverSendsAnOlderValueLate() {
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    served.pace = true;
    if (!kSimHasPty) QSKIP(kNoPty);
    Rig rig(served);
    QVERIFY(Ready(rig, true));
    QVERIFY(rig.ctl.StartLive());
    rig.sim.ClearRecord();
    rig.editor.zoneAudio.ZoneChosen(2);
    int position = 0;
    connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&] {
      for (int i = 0; i < 3 && position < 40; ++i) {
        rig.editor.zoneAudio.SetVolumePosition(-++position);
        rig.ctl.LiveEdit();
      }
    });
    rig.editor.zoneAudio.SetVolumePosition(-++position);
    rig.ctl.LiveEdit();
    QCOMPARE(position, 40);
    QCOMPARE(rig.ctl.LiveWaiting(), std::size_t{0});
    const Lines sent = rig.sim.Recorded();
    QVERIFY(sent.size() < 40);
    std::vector<int> levels;
    for (const std::string& line : sent) levels.push_back(std::stoi(line.substr(line.find('R') + 1)));
    QVERIFY(std::ranges::is_sorted(levels) || std::ranges::is_sorted(levels, std::greater<>()));
    const UnitConfiguration edited = rig.editor.model.unit;
    rig.ctl.StopLive();
    QVERIFY(Import(rig));
    QCOMPARE(rig.editor.model.unit.ZoneAudio[3].Volume, edited.ZoneAudio[3].Volume);
  }

  // Switched off while a line is in flight: the edit made meanwhile still
  // goes, then "[EC]", and Live is off.
  void switchingOffSendsWhatWaits() {
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    Rig rig(served);
    QVERIFY(Ready(rig, false));
    QVERIFY(rig.ctl.StartLive());
    rig.sim.ClearRecord();
    rig.editor.zoneAudio.ZoneChosen(2);
    connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&] {
      if (rig.editor.model.unit.ZoneNames[1] == "Den") return;
      rig.editor.SetName(NameTable::Zones, 1, "Den");
      rig.ctl.LiveEdit();
      rig.ctl.StopLive();
      QVERIFY(rig.ctl.LiveOn());  // until the line in flight is answered
    });
    rig.editor.zoneAudio.SetVolumePosition(-33);
    rig.ctl.LiveEdit();
    QVERIFY(!rig.ctl.LiveOn());
    QCOMPARE(rig.sim.Recorded(), (Lines{"[VO3R-33]", "[NO1\"Den\"]", "[EC]"}));
    QCOMPARE(rig.statuses.back(), std::string(" Live off"));
  }

  // Each fault ends Live with its text, names what was dropped and forgets
  // what the unit holds; the configuration stays as edited.
  void aFaultEndsLiveAndKeepsTheEdits_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status");
    QTest::newRow("telnet refused") << false << "refuse"
                                    << " Live stopped: the unit refused [VO3R-33]";
    QTest::newRow("serial refused") << true << "refuse"
                                    << " Live stopped: the unit refused [VO3R-33]";
    QTest::newRow("telnet no answer") << false << "silent"
                                      << " Live stopped: no answer to [VO3R-33] in 1 second";
    QTest::newRow("serial no answer") << true << "silent"
                                      << " Live stopped: no answer to [VO3R-33] in 1 second";
    // The unit answers the edit's line, then ends the connection.
    QTest::newRow("telnet closed") << false << "close"
                                   << " Live stopped: the unit closed the connection";
    QTest::newRow("telnet reset") << false << "reset"
                                  << (kTellsReset ? " Live stopped: the unit reset the connection"
                                                  : " Live stopped: the unit closed the connection");
    QTest::newRow("port lost while idle") << true << "close idle"
                                          << " Live stopped: the port was lost";
  }
  void aFaultEndsLiveAndKeepsTheEdits() {
    QFETCH(bool, serial);
    QFETCH(QString, fault);
    QFETCH(QString, status);
    if (serial && !kSimHasPty) QSKIP(kNoPty);
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    Rig rig(served);
    QVERIFY(Ready(rig, serial));
    rig.ctl.SetLiveReplyLimitsMs(1000, 1000);
    QVERIFY2(rig.ctl.StartLive(), rig.statuses.back().c_str());
    SimOptions& unit = rig.sim.Options();
    if (fault == "refuse") unit.refuseCommands = {rig.sim.CommandsReceived() + 1};
    unit.silent = fault == "silent";
    if (fault == "close" || fault == "reset") unit.closeAfter = 1;
    unit.resetOnClose = fault == "reset";
    if (fault == "close idle") {
      rig.sim.ClosePty();
    } else {
      rig.editor.zoneAudio.ZoneChosen(2);
      rig.editor.zoneAudio.SetVolumePosition(-33);
      rig.ctl.LiveEdit();
    }
    QTRY_VERIFY(!rig.ctl.LiveOn());
    QCOMPARE(QString::fromLatin1(rig.statuses.back()), status);
    QVERIFY(!rig.editor.unitBaseline.For(rig.ctl.LinkKey()));
    QCOMPARE(rig.editor.messageLog.Lines().back(), status.mid(1).toStdString());
    if (fault != "close idle") QCOMPARE(rig.editor.model.unit.ZoneAudio[3].Volume, -33);
  }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
