// File > Export Changes against the simulated unit over TCP and a
// pseudo-terminal: what the unit is known to hold, and the changes alone
// bringing it to the edited configuration.
#include <QTest>

#include "command/change_set.h"
#include "support/transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

std::vector<std::string> Config() { return GenerateConfiguration(6, 16); }

SimOptions Serving(std::vector<std::string> lines) {
  SimOptions o;
  o.configLines = std::move(lines);
  return o;
}

// Edits on the pages, each through the page's own logic where it has one.
enum class Edit {
  ZoneEq,
  TenZoneNames,
  FavoriteCell,
  RestrictionAdded,
  RestrictionsCleared,
  Groups,
  Options
};

void ApplyEdit(Editor& e, Edit edit) {
  UnitConfiguration& u = e.model.unit;
  switch (edit) {
    case Edit::ZoneEq:
      e.zoneAudio.ZoneChosen(2);
      e.zoneAudio.DSPModeChosen(static_cast<int>(DspMode::Equalizer));
      for (int b = 1; b <= kBands; ++b) {
        const int target = b % 2 ? b : -b;
        e.zoneAudio.SetBandPosition(b, e.zoneAudio.BandPosition(b) == target ? -target : target);
      }
      break;
    case Edit::TenZoneNames:
      for (int z = 1; z <= 10; ++z) u.ZoneNames[z] = "Hall " + std::to_string(z);
      e.revision.Bump();
      break;
    case Edit::FavoriteCell:
      // A cell no restriction hides, set to a feed it does not have.
      for (int z = 1; z <= u.ZoneCount; ++z) {
        if (!u.RestrictionMark(z, 2).empty()) continue;
        e.favorites.ConnectCell(2, z, e.model.screen.FavoritesGrid.Cell(2, z) == "A" ? "V" : "A");
        return;
      }
      break;
    case Edit::RestrictionAdded:
      for (int z = 1; z <= u.ZoneCount; ++z) {
        if (!u.RestrictionMark(z, 3).empty()) continue;
        e.matrix.RestrictionCellDoubleClicked(3, z);
        return;
      }
      break;
    case Edit::RestrictionsCleared:
      e.matrix.ClearAllRestrictions();
      break;
    case Edit::Groups:
      e.matrix.GroupCellDoubleClicked(2, 5);
      u.GroupNames[2] = "Upstairs";
      e.revision.Bump();
      break;
    case Edit::Options:
      u.Options.DisplayLevel = (u.Options.DisplayLevel + 1) % 4;
      u.Options.DHCPEnabled = false;
      u.Options.IPAddress = "10.1.2.3";
      e.revision.Bump();
      break;
  }
}

const std::pair<const char*, Edit> kEdits[] = {
    {"one zone's EQ", Edit::ZoneEq},
    {"ten zone names", Edit::TenZoneNames},
    {"a favorite cell", Edit::FavoriteCell},
    {"a restriction added", Edit::RestrictionAdded},
    {"all restrictions cleared", Edit::RestrictionsCleared},
    {"a group mark and name", Edit::Groups},
    {"options and network", Edit::Options},
};

bool ImportFromUnit(Rig& rig) {
  rig.ctl.ImportConfiguration();
  return rig.ctl.LastOutcome() == Outcome::Completed;
}

bool Known(Rig& rig) { return rig.editor.unitBaseline.For(rig.ctl.LinkKey()) != nullptr; }

// What happens after the configuration was read from the unit.
enum class Step {
  ImportAgain,
  ImportCutShort,
  ImportReadNothing,
  FileModeChosen,
  SameHostChosen,
  OtherHostChosen,
  HostPromptCancelled,
  FileImported,
  ExportTaken,
  ExportOneRefused,
  ExportCutShort,
  ExportCancelled,
  ExportUnanswered,
  ExportSilentBeforeFirstLine,
  ChangesTaken,
  ChangesOneRefused,
  ChangesCancelled,
  ChangesRefusedByReadBack,
};

}  // namespace

class TestExportChanges : public QObject {
  Q_OBJECT

 private slots:
  // Which events leave the unit's configuration known, and as what.
  void baselineFollowsWhatTheUnitHolds_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("known");
    const auto row = [](const char* name, Step step, bool known) {
      QTest::newRow(name) << static_cast<int>(step) << known;
    };
    row("import again", Step::ImportAgain, true);
    row("import without end marker", Step::ImportCutShort, false);
    row("import reads nothing", Step::ImportReadNothing, false);
    row("File Mode chosen", Step::FileModeChosen, false);
    row("same host chosen again", Step::SameHostChosen, true);
    row("another host chosen", Step::OtherHostChosen, false);
    row("host prompt cancelled", Step::HostPromptCancelled, false);
    row("file imported", Step::FileImported, false);
    row("export taken whole", Step::ExportTaken, true);
    row("export with one (ERROR)", Step::ExportOneRefused, false);
    row("export cut short", Step::ExportCutShort, false);
    row("export cancelled", Step::ExportCancelled, false);
    row("export unanswered", Step::ExportUnanswered, false);
    row("export silent before any command", Step::ExportSilentBeforeFirstLine, true);
    row("changes taken", Step::ChangesTaken, true);
    row("changes with one (ERROR)", Step::ChangesOneRefused, false);
    row("changes cancelled", Step::ChangesCancelled, false);
    row("changes refused by the read-back check", Step::ChangesRefusedByReadBack, true);
  }
  void baselineFollowsWhatTheUnitHolds() {
    QFETCH(int, step);
    QFETCH(bool, known);
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    const std::string host = "127.0.0.1:" + std::to_string(rig.sim.TcpPort());
    QVERIFY(ImportFromUnit(rig));
    QVERIFY(Known(rig));
    const UnitConfiguration imported = rig.editor.model.unit;
    SimOptions& unit = rig.sim.Options();
    const Step s = static_cast<Step>(step);
    if (s >= Step::ExportTaken) ApplyEdit(rig.editor, Edit::TenZoneNames);
    const UnitConfiguration edited = rig.editor.ConfigurationToExport().unit;
    // The unit stops answering once the first command came.
    const auto silenceAfterFirstCommand = [&] {
      QObject::connect(&rig.sim, &UnitSim::CommandRecorded, &rig.sim, [&unit] { unit.silent = true; });
      rig.ctl.SetWaitLimitMs(300);
    };
    const auto cancelAtFirstCommand = [&] {
      QObject::connect(&rig.sim, &UnitSim::CommandRecorded, &rig.ctl, [&rig] { rig.ctl.Cancel(); });
    };
    switch (s) {
      case Step::ImportAgain:
        QVERIFY(ImportFromUnit(rig));
        break;
      case Step::ImportCutShort:
        unit.noEndMarker = true;
        rig.ctl.SetWaitLimitMs(300);
        rig.ctl.ImportConfiguration();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
        break;
      case Step::ImportReadNothing:
        unit.silent = true;
        rig.ctl.SetWaitLimitMs(300);
        rig.ctl.ImportConfiguration();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
        break;
      case Step::FileModeChosen:
        rig.ctl.ChooseFileMode();
        rig.prompts.hostAnswers.push_back(host);
        rig.ctl.ChooseTelnetMode();  // back to the same unit: it may have changed meanwhile
        break;
      case Step::SameHostChosen:
        rig.prompts.hostAnswers.push_back(host);
        rig.ctl.ChooseTelnetMode();
        break;
      case Step::OtherHostChosen:
        rig.prompts.hostAnswers.push_back("127.0.0.2:" + std::to_string(rig.sim.TcpPort()));
        rig.ctl.ChooseTelnetMode();
        break;
      case Step::HostPromptCancelled:
        rig.prompts.hostAnswers.push_back(std::nullopt);
        rig.ctl.ChooseTelnetMode();
        rig.prompts.hostAnswers.push_back(host);
        rig.ctl.ChooseTelnetMode();
        break;
      case Step::FileImported:
        rig.editor.ImportFileText(ZemFileText(Config()), "unit.zem");
        break;
      case Step::ExportTaken:
        rig.ctl.ExportConfiguration();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
        break;
      case Step::ExportOneRefused:
      case Step::ChangesOneRefused:
        unit.refuseCommands = {rig.sim.CommandsReceived() + 2};
        s == Step::ExportOneRefused ? rig.ctl.ExportConfiguration() : rig.ctl.ExportChanges();
        QCOMPARE(rig.ctl.ErrorReplies(), 1);
        break;
      case Step::ExportCutShort:
        unit.closeAfter = 3;
        rig.ctl.ExportConfiguration();
        QVERIFY(rig.ctl.LastOutcome() != Outcome::Completed && rig.ctl.LinesSent() > 0);
        break;
      case Step::ExportCancelled:
      case Step::ChangesCancelled:
        cancelAtFirstCommand();
        s == Step::ExportCancelled ? rig.ctl.ExportConfiguration() : rig.ctl.ExportChanges();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
        break;
      case Step::ExportUnanswered:
        silenceAfterFirstCommand();
        rig.ctl.ExportConfiguration();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::NoReply);
        break;
      case Step::ExportSilentBeforeFirstLine:
        // No command reached the unit: it holds what it held.
        unit.silent = true;
        rig.ctl.SetWaitLimitMs(300);
        rig.ctl.ExportConfiguration();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::NoReply);
        QCOMPARE(rig.ctl.LinesSent(), 0);
        break;
      case Step::ChangesTaken:
        rig.ctl.ExportChanges();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
        QCOMPARE(rig.ctl.ErrorReplies(), 0);
        break;
      case Step::ChangesRefusedByReadBack:
        rig.editor.model.unit.ZoneNames[2] = "[VO1R0]";
        rig.editor.revision.Bump();
        rig.ctl.ExportChanges();
        QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
        QCOMPARE(rig.prompts.errors.size(), std::size_t(1));
        QVERIFY(rig.sim.Recorded().empty());
        break;
    }
    QCOMPARE(Known(rig), known);
    if (!known) return;
    const bool sentWhole = s == Step::ExportTaken || s == Step::ChangesTaken;
    QVERIFY(*rig.editor.unitBaseline.For(rig.ctl.LinkKey()) == (sentWhole ? edited : imported));
    // Unsaved changes clear only with the unit taking them.
    QCOMPARE(rig.editor.IsModified(), s >= Step::ExportTaken && !sentWhole);
  }

  // Whatever answers on the port once it is back may be another unit.
  void lostSerialPortForgetsTheUnit() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseSerial());
    QVERIFY(ImportFromUnit(rig));
    QVERIFY(Known(rig));
    rig.sim.ClosePty();
    QTRY_VERIFY(!rig.ctl.Serial().IsPortOpen());
    QVERIFY(!Known(rig));
  }

  // An export refused in part keeps the edits marked unsaved.
  void refusedChangesStayUnsaved() {
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    QVERIFY(ImportFromUnit(rig));
    ApplyEdit(rig.editor, Edit::Groups);
    rig.sim.Options().reply = SimOptions::Reply::Error;
    rig.ctl.ExportChanges();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.ctl.ErrorReplies(), static_cast<int>(rig.sim.Recorded().size()));
    QVERIFY(rig.editor.IsModified());
    QVERIFY(!Known(rig));
    QVERIFY(rig.statuses.back().starts_with(" Telnet Export Complete: "));
    QCOMPARE(rig.ctl.ExportChangesState(), ChangesState::NoBaseline);
  }

  // When there is nothing to send, or it cannot be sent as changes, the
  // status line says why and the unit hears nothing.
  void refusedBeforeAnythingIsSent_data() {
    QTest::addColumn<int>("setUp");  // 0: nothing changed, 1: counts differ, 2: File Mode
    QTest::addColumn<std::string>("status");
    QTest::newRow("nothing changed") << 0 << std::string(" No changes to export");
    QTest::newRow("zone count changed")
        << 1 << std::string(" The source or zone count changed: a full export is needed");
    QTest::newRow("File Mode") << 2
                               << std::string(
                                      " What the unit holds is not known: import from it or export the whole "
                                      "configuration first");
  }
  void refusedBeforeAnythingIsSent() {
    QFETCH(int, setUp);
    QFETCH(std::string, status);
    Rig rig(Serving(Config()));
    QVERIFY(rig.UseTelnet());
    QVERIFY(ImportFromUnit(rig));
    if (setUp == 1) {
      ApplyEdit(rig.editor, Edit::TenZoneNames);
      --rig.editor.model.unit.ZoneCount;
      rig.editor.revision.Bump();
    }
    if (setUp == 2) {
      ApplyEdit(rig.editor, Edit::TenZoneNames);
      rig.ctl.ChooseFileMode();
    }
    const int connections = rig.sim.Connections();
    const bool modified = rig.editor.IsModified();
    rig.ctl.ExportChanges();
    QCOMPARE(rig.statuses.back(), status);
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);  // the import's: no run started
    QCOMPARE(rig.sim.Connections(), connections);
    QCOMPARE(rig.editor.IsModified(), modified);
    QVERIFY(rig.prompts.saveDialogs.empty() && rig.prompts.errors.empty());
  }

  // Import, edit, Export Changes, import again: the unit holds the edit.
  void changesBringTheUnitToTheEdit_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<int>("edit");
    for (const bool serial : {false, true})
      for (const auto& [name, edit] : kEdits)
        QTest::addRow("%s, %s", serial ? "serial" : "telnet", name) << serial << static_cast<int>(edit);
  }
  void changesBringTheUnitToTheEdit() {
    QFETCH(bool, serial);
    QFETCH(int, edit);
    Rig rig(Serving(Config()));
    QVERIFY(serial ? rig.UseSerial() : rig.UseTelnet());
    QVERIFY(ImportFromUnit(rig));
    QCOMPARE(rig.ctl.ExportChangesState(), ChangesState::NothingChanged);
    const std::size_t fullCommands = NonEmpty(BuildCommandSequence(rig.editor.model)).size();
    ApplyEdit(rig.editor, static_cast<Edit>(edit));
    QCOMPARE(rig.ctl.ExportChangesState(), ChangesState::Ready);
    const std::string expected = ZemFileText(BuildCommandSequence(rig.editor.ConfigurationToExport().unit));

    rig.sim.ClearRecord();
    rig.ctl.ExportChanges();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    QCOMPARE(rig.ctl.ErrorReplies(), 0);
    QCOMPARE(rig.statuses.back(),
             std::string(serial ? " Serial Export Complete" : " Telnet Export Complete"));
    const std::vector<std::string>& sent = rig.sim.Recorded();
    QVERIFY(!sent.empty() && sent.size() < fullCommands);
    QCOMPARE(sent.back(), std::string("[EC]"));
    QCOMPARE(rig.ctl.LinesSent(), static_cast<int>(sent.size()));
    // Memo3 shows what went, between the link's own messages.
    std::vector<std::string> shown;
    for (const std::string& line : rig.editor.messageLog.Lines())
      if (line.starts_with('[')) shown.push_back(line);
    QCOMPARE(shown, sent);
    QVERIFY(!rig.editor.IsModified());
    QCOMPARE(rig.ctl.ExportChangesState(), ChangesState::NothingChanged);

    QVERIFY(ImportFromUnit(rig));
    QCOMPARE(ZemFileText(BuildCommandSequence(rig.editor.model)), expected);
  }
};

QTEST_MAIN(TestExportChanges)
#include "test_export_changes.moc"
