// File > Live against the simulated unit over TCP and a pty: edits reach
// the unit as they are made, a drag never leaves an older value last, a
// fault ends Live and keeps the edits.
#include <QTest>

#include "command/command_writer.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;

namespace {

using Lines = std::vector<std::string>;

// An edit on each page, through the page's logic where it has one.
const std::pair<const char*, void (*)(Editor&)> kEdits[] = {
    {"volume",
     [](Editor& e) {
       e.zoneAudio.ZoneChosen(2);
       e.zoneAudio.SetVolumePosition(e.zoneAudio.VolumePosition() == -10 ? -20 : -10);
     }},
    {"zone EQ",
     [](Editor& e) {
       e.zoneAudio.ZoneChosen(3);
       e.zoneAudio.DSPModeChosen(static_cast<int>(DspMode::Equalizer));
       e.zoneAudio.SetBandPosition(4, e.zoneAudio.BandPosition(4) == 4 ? -4 : 4);
     }},
    {"zone name",
     [](Editor& e) {
       e.model.unit.ZoneNames[5] = "Hall";
       e.revision.Bump();
     }},
    {"favorite cell",
     [](Editor& e) {
       e.favorites.ConnectCell(2, 1, e.model.screen.FavoritesGrid.Cell(2, 1) == "A" ? "V" : "A");
     }},
    {"restriction added", [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(3, 1); }},
    {"restrictions cleared", [](Editor& e) { e.matrix.ClearAllRestrictions(); }},
    {"group mark", [](Editor& e) { e.matrix.GroupCellDoubleClicked(2, 5); }},
    {"option",
     [](Editor& e) {
       e.model.unit.Options.IRLockout = !e.model.unit.Options.IRLockout;
       e.revision.Bump();
     }},
};

bool Import(Rig& rig) {
  rig.ctl.ImportConfiguration();
  return rig.editor.unitBaseline.For(rig.ctl.LinkKey()) != nullptr;
}

std::string Exported(const UnitConfiguration& unit) { return ZemFileText(BuildCommandSequence(unit)); }

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

  // Live switched on with a change waiting sends it first as Export Changes
  // does; then each edit goes alone, without "[EC]", until Live is off.
  // Imported again, the unit holds the edited configuration.
  void eachEditReachesTheUnit_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("edit");
    for (const bool serial : {false, true})
      for (int edit = 0; edit < static_cast<int>(std::size(kEdits)); ++edit)
        QTest::addRow("%s, %s", serial ? "serial" : "telnet", kEdits[edit].first) << serial << edit;
  }
  void eachEditReachesTheUnit() {
    QFETCH(bool, serial);
    QFETCH(int, edit);
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    Rig rig(served);
    QVERIFY(Ready(rig, serial));
    rig.editor.model.unit.SourceNames[1] = "Waiting";
    rig.editor.revision.Bump();
    QVERIFY(rig.ctl.StartLive());
    QVERIFY(rig.ctl.LiveOn());
    QVERIFY(!rig.editor.IsModified());
    QCOMPARE(rig.sim.Recorded().back(), std::string("[EC]"));
    rig.sim.ClearRecord();

    kEdits[edit].second(rig.editor);
    rig.ctl.LiveEdit();
    QCOMPARE(rig.ctl.LiveWaiting(), std::size_t{0});
    QVERIFY(!rig.sim.Recorded().empty());
    QVERIFY(std::ranges::find(rig.sim.Recorded(), "[EC]") == rig.sim.Recorded().end());
    QVERIFY(!rig.editor.IsModified());
    const UnitConfiguration edited = rig.editor.model.unit;
    rig.ctl.StopLive();
    QVERIFY(!rig.ctl.LiveOn());
    QCOMPARE(rig.sim.Recorded().back(), std::string("[EC]"));
    QVERIFY(rig.editor.unitBaseline.For(rig.ctl.LinkKey()));
    QVERIFY(Import(rig));
    QCOMPARE(Exported(rig.editor.model.unit), Exported(edited));
  }

  // Edits made while a line is in flight on the paced line: only the newest
  // value waits, so the unit's volume lines only ever move on, and it ends
  // at the last value.
  void aDragNeverSendsAnOlderValueLate() {
    SimOptions served;
    served.configLines = GenerateConfiguration(6, 16);
    served.pace = true;
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
                                  << " Live stopped: the unit reset the connection";
    QTest::newRow("port lost while idle") << true << "close idle"
                                          << " Live stopped: the port was lost";
  }
  void aFaultEndsLiveAndKeepsTheEdits() {
    QFETCH(bool, serial);
    QFETCH(QString, fault);
    QFETCH(QString, status);
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
