// File > Live through the real window against the simulated unit: when it
// may be switched on, each edit reaching the unit, the unit field, each
// way of switching off. Faults: tests/transfer/test_live.cpp.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "command/command_writer.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "support/transfer_rig.h"
#include "support/window_fixture.h"
#include "transfer/latin1.h"

using namespace zem;

namespace {

using Lines = std::vector<std::string>;

// An edit on each page, through the page's logic, as the pages' widgets
// make them; the window hears of it as of any edit.
const std::pair<const char*, void (*)(Editor&)> kEdits[] = {
    {"volume",
     [](Editor& e) { e.zoneAudio.SetVolumePosition(e.zoneAudio.VolumePosition() == -10 ? -20 : -10); }},
    {"DSP mode",
     [](Editor& e) {
       e.zoneAudio.ZoneChosen(3);
       e.zoneAudio.DSPModeChosen(static_cast<int>(DspMode::Equalizer));
     }},
    {"favorite cell",
     [](Editor& e) {
       const Route held = e.model.unit.FavoriteStore.Cell(e.model.screen.CurrentFavorite, 2, 1);
       e.favorites.ConnectCell(2, 1, held == Route::Audio ? Route::Video : Route::Audio);
     }},
    {"restriction", [](Editor& e) { e.matrix.RestrictionCellDoubleClicked(3, 1); }},
    {"group", [](Editor& e) { e.matrix.GroupCellDoubleClicked(2, 5); }},
    {"front-panel lock",
     [](Editor& e) {
       e.Step(StepId{StepKind::FrontPanelLock},
              [&] { e.options.SetFlag(&OptionsRec::FrontPanelLock, !e.model.unit.Options.FrontPanelLock); });
     }},
    {"undo", [](Editor& e) { e.Undo(); }},
};

}  // namespace

class TestWindowLive : public QObject, private test::WindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dataHome_.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
  }
  void init() { OpenWindow(true); }
  void cleanup() {
    CloseWindow();
    sim.reset();
  }

  void liveIsOfferedWhileTheUnitIsKnown_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("file mode") << "file" << false << "Live works in Serial or Telnet Mode";
    QTest::newRow("unit not known")
        << "unknown" << false
        << "What the unit holds is not known: import from it or export the whole configuration first";
    QTest::newRow("counts differ") << "counts" << false
                                   << "The source or zone count changed: a full export is needed";
    QTest::newRow("known") << "known" << true << "The unit follows every change as it is made";
  }
  void liveIsOfferedWhileTheUnitIsKnown() {
    QFETCH(QString, state);
    QFETCH(bool, enabled);
    QFETCH(QString, tooltip);
    QVERIFY(Imported());
    if (state == "file") Action("File2")->trigger();
    if (state == "unknown") QVERIFY(UseTelnet());
    if (state == "counts") {
      editor->Change([](ConfigModel& m) {
        --m.unit.ZoneCount;
        return true;
      });
    }
    emit window->findChild<QMenu*>("File1")->aboutToShow();
    QCOMPARE(Action("Live1")->isEnabled(), enabled);
    QCOMPARE(Action("Live1")->toolTip(), tooltip);
    QVERIFY(Action("Live1")->isCheckable() && !Action("Live1")->isChecked());
    QCOMPARE(Action("Live1")->shortcut(), QKeySequence("Ctrl+L"));
  }

  // Switched on with a rename waiting: it goes first, as Export Changes
  // sends it. Then each edit goes alone, the unit field says the unit is in
  // step and nothing is marked unsaved. Imported afterwards, the unit holds
  // the edits.
  void eachEditReachesTheUnit_data() {
    QTest::addColumn<int>("edit");
    for (int edit = 0; edit < static_cast<int>(std::size(kEdits)); ++edit)
      QTest::newRow(kEdits[edit].first) << edit;
  }
  void eachEditReachesTheUnit() {
    QFETCH(int, edit);
    QVERIFY(Imported());
    Rename(0, "Kitchen");
    QVERIFY(window->isWindowModified());
    Trigger("Live1");
    QVERIFY(Action("Live1")->isChecked());
    QCOMPARE(UnitField(), QString("Live: in step"));
    QVERIFY(!window->isWindowModified());
    QCOMPARE(sim->Recorded(), (Lines{"[NO1\"Kitchen\"]", "[EC]"}));
    sim->ClearRecord();

    editor->zoneAudio.ZoneChosen(2);
    kEdits[edit].second(*editor);
    QCOMPARE(UnitField(), QString("Live: in step"));
    QVERIFY(!window->isWindowModified());
    const Lines sent = sim->Recorded();
    QVERIFY(!sent.empty());
    QVERIFY(std::ranges::find(sent, "[EC]") == sent.end());
    const UnitConfiguration edited = editor->model.unit;
    Trigger("Live1");
    QVERIFY(!Action("Live1")->isChecked());
    QCOMPARE(sim->Recorded().back(), std::string("[EC]"));
    QCOMPARE(UnitField(), QString("Unit: in step"));
    Trigger("Import1");
    QCOMPARE(ZemFileText(BuildCommandSequence(editor->model.unit)),
             ZemFileText(BuildCommandSequence(edited)));
  }

  // A slider moved while Live is on is sent where it is: the page stays,
  // and the message log is not replaced by an export's sequence.
  void anEditKeepsThePageAndTheLog() {
    QVERIFY(Imported());
    Trigger("Live1");
    auto* tabs = window->findChild<QTabWidget*>("PageControl1");
    tabs->setCurrentIndex(static_cast<int>(Page::ZoneAudioControls));
    const std::size_t logLines = editor->messageLog.Lines().size();
    sim->ClearRecord();
    auto* volume = window->findChild<QSlider*>("TrackBar13");
    volume->setValue(volume->value() == -10 ? -20 : -10);
    QCOMPARE(sim->Recorded().size(), std::size_t(1));
    window->EditorChanged();
    QCOMPARE(tabs->currentIndex(), static_cast<int>(Page::ZoneAudioControls));
    QCOMPARE(editor->messageLog.Lines().size(), logLines);
  }

  // EQ presets are no part of an export: moving a preset's band while Live
  // is on sends nothing, though the preset changed.
  void presetEditsAreNotSent() {
    QVERIFY(Imported());
    Trigger("Live1");
    sim->ClearRecord();
    editor->presets.PresetChosen(0);
    auto* band = window->findChild<QSlider*>("TrackBar24");
    QVERIFY(band);
    const std::int8_t before = editor->model.unit.EQPresets[1].Band[1];
    band->setValue(band->value() == 5 ? 4 : 5);
    QVERIFY(editor->model.unit.EQPresets[1].Band[1] != before);
    QTest::qWait(50);
    QCOMPARE(sim->Recorded(), Lines{});
    QCOMPARE(UnitField(), QString("Live: in step"));
  }

  // A fault ends Live in the window too: the item unchecked, the unit not
  // known, the edit kept and marked unsaved. (Each fault: test_live.)
  void aRefusalEndsLiveAndKeepsTheEdit() {
    QVERIFY(Imported());
    Trigger("Live1");
    sim->Options().refuseCommands = {sim->CommandsReceived() + 1};
    Rename(1, "Den");
    QTRY_VERIFY(!Action("Live1")->isChecked());
    QCOMPARE(Status(), QString(" Live stopped: the unit refused [NO2\"Den\"]"));
    QCOMPARE(UnitField(), QString("Unit: not known"));
    QVERIFY(window->isWindowModified());
    QCOMPARE(editor->model.unit.ZoneNames[2], std::string("Den"));
  }

  // Every action that talks to the unit or replaces the configuration
  // switches Live off first: "[EC]" right after the last edit's line.
  void eachWaySwitchesLiveOff_data() {
    QTest::addColumn<QString>("action");
    for (const char* action :
         {"Live1", "Import1", "CompareWithUnit1", "Export1", "ExportChanges1", "File2", "Telnet1", "close"})
      QTest::newRow(action) << action;
  }
  void eachWaySwitchesLiveOff() {
    QFETCH(QString, action);
    QVERIFY(Imported());
    Trigger("Live1");
    sim->ClearRecord();
    Rename(1, "Den");
    QCOMPARE(sim->Recorded(), Lines{"[NO2\"Den\"]"});
    if (action == "Telnet1") prompts->hostAnswers.push_back(host.toStdString());
    // Export Changes is greyed while the unit is in step: its slot still
    // switches Live off first.
    if (action == "close") {
      window->close();
    } else if (action == "ExportChanges1") {
      window->ExportChanges();
    } else {
      Trigger(action.toLatin1().constData());
    }
    QVERIFY(!window->Controller().LiveOn());
    QVERIFY(sim->Recorded().size() >= 2);
    QCOMPARE(sim->Recorded()[1], std::string("[EC]"));
  }

  // What the window says of the unit while Live sends and after: each row
  // a case in which the unit field, the title, the status line or the
  // message log said something untrue, or a name went out once per key.
  void theWindowSaysWhatTheUnitHolds_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("said");  // a pattern of the unit field, status line, log line or title
    const char* const rows[][3] = {
        {"off at once after three volume steps", "volume", "Unit: in step"},
        {"off at once during a favorites rewrite", "favorite", "Unit: in step"},
        {"a rewrite shows its progress", "progress",
         R"(rewriting the favorites table, 1 of (\d+)\|Live: sending \(\1 waiting\))"},
        {"Live cut short in a table", "live cut",
         "the connection. The unit's restrictions are incomplete: 1 of 3 entries sent"},
        {"export cut short in a table", "export cut",
         "the connection after .*\\. The unit's favorites are incomplete: 5 of \\d+ entries sent"},
        {"Escape puts the name back", "escape", "Room 2"},
        {"a name goes once, when Enter closes it", "enter", R"(\[NO2"Room 2XY"\])"},
        {"Live off closes an open name editor", "off typing", R"(\[NO2"Room 2XY"\])"},
        {"the title names the unit on the link", "title", "127.0.0.1:%1 - ZEM Configuration"},
    };
    for (const auto& row : rows) QTest::newRow(row[0]) << row[1] << row[2];
  }
  void theWindowSaysWhatTheUnitHolds() {
    QFETCH(QString, run);
    QFETCH(QString, said);
    QVERIFY(Imported());
    if (run == "title") {
      UnitSim other;
      QVERIFY(other.ListenTcp(0, QHostAddress::LocalHost, nullptr));
      prompts->hostAnswers.push_back("127.0.0.1:" + std::to_string(other.TcpPort()));
      Trigger("Telnet1");
      QCOMPARE(window->windowTitle(), said.arg(other.TcpPort()) + "[*]");
      return;
    }
    const Lines commands = test::NonEmpty(BuildCommandSequence(editor->model.unit));
    // Export: cut past the favorites' opening line and 5 entries.
    if (run == "export cut")
      sim->Options().closeAfter = int(std::ranges::find(commands, "[FAR]") - commands.begin()) + 6;
    Trigger(run == "export cut" ? "Export1" : "Live1");
    sim->ClearRecord();
    QStringList seen;  // the status line and the unit field, each time Live moves
    const QObject watching;
    connect(&window->Controller(), &TransferController::LiveChanged, &watching, [&] {
      seen << Status() + "|" + UnitField();
      if (seen.size() != 2) return;
      // Keys pressed while the edit's first line waits for its answer.
      if (run == "volume" || run == "favorite" || run == "progress") editor->zoneAudio.SetVolumePosition(-11);
      if (run == "volume" || run == "favorite") Action("Live1")->trigger();
    });
    if (run == "volume") editor->zoneAudio.SetVolumePosition(-12);
    if (run == "favorite" || run == "progress")
      editor->favorites.ConnectCell(4, 2, Route::None);  // a "C" of favorite 1
    if (run == "live cut") {
      sim->Options().closeAfter = 2;  // the opening line and one entry of the 3 left
      editor->matrix.RestrictionCellDoubleClicked(4, 3);
    }
    if (run == "escape" || run == "enter" || run == "off typing") {
      auto* grid = window->findChild<QTableView*>("StringGrid2");
      grid->setCurrentIndex(grid->model()->index(1, 1));
      grid->edit(grid->currentIndex());
      auto* cell = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
      QVERIFY(cell);
      QTest::keyClick(cell, Qt::Key_End);
      QTest::keyClicks(cell, "XY");
      if (run == "off typing")
        Trigger("Live1");
      else
        QTest::keyClick(cell, run == "escape" ? Qt::Key_Escape : Qt::Key_Return);
      QTRY_VERIFY(!grid->indexWidget(grid->currentIndex()));  // Enter closes it once its key is taken
      const QStringList sent = Latin1(ZemFileText(sim->Recorded())).split("\r\n", Qt::SkipEmptyParts);
      QCOMPARE(sent.filter(QRegularExpression("^\\[NO")),
               run == "escape" ? QStringList{} : QStringList{said.remove('\\')});
      if (run == "escape") {
        QCOMPARE(Latin1(editor->model.unit.ZoneNames[2]), said);
        QVERIFY(!editor->history.CanUndo() && !window->isWindowModified());
      }
      return;
    }
    QTRY_VERIFY(run == "progress" || !window->Controller().LiveOn());
    if (run == "volume" || run == "favorite") {
      QCOMPARE(UnitField(), said);
      QVERIFY(sim->Recorded().back() == "[EC]" && !window->isWindowModified() &&
              !Action("ExportChanges1")->isEnabled());
      return;
    }
    // Said while it sent, and after in the status line and the message log.
    const QStringList told = seen + QStringList{Status()} + Latin1(editor->messageLog.Text()).split('\n');
    QVERIFY2(told.indexOf(QRegularExpression(".*" + said + ".*")) >= 0, qPrintable(told.join('\n')));
    if (run.endsWith("cut"))  // the message log has it on a line of its own
      QVERIFY(told.indexOf(QRegularExpression(said.section(". ", -1) + "\\s*")) >= 0);
    if (run == "progress") QCOMPARE(Status(), QString(" Live: the unit follows every change"));
  }

 private:
  QAction* Action(const char* name) { return window->findChild<QAction*>(name); }
  void Trigger(const char* name) {
    QAction* action = Action(name);
    QVERIFY2(action && action->isEnabled(), name);
    action->trigger();
  }
  QString Status() { return window->findChild<QLabel*>("StatusText")->text(); }
  QString UnitField() { return window->findChild<QLabel*>("UnitState1")->text(); }
  void Rename(int row, const char* name) {
    auto* zoneNames = window->findChild<QTableView*>("StringGrid2");
    QVERIFY(zoneNames->model()->setData(zoneNames->model()->index(row, 1), name));
  }
  bool UseTelnet() {
    if (!sim) {
      SimOptions options;
      options.configLines = GenerateConfiguration(4, 8);
      sim = std::make_unique<UnitSim>(options);
      std::string error;
      if (!sim->ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
      host = "127.0.0.1:" + QString::number(sim->TcpPort());
    }
    prompts->hostAnswers.push_back(host.toStdString());
    Action("Telnet1")->trigger();
    return Action("Telnet1")->isChecked();
  }
  // A unit served and imported over Telnet.
  bool Imported() {
    if (!UseTelnet()) return false;
    Action("Import1")->trigger();
    return UnitField() == "Unit: in step";
  }

  QTemporaryDir dataHome_;
  std::unique_ptr<UnitSim> sim;
  QString host;
};

QTEST_MAIN(TestWindowLive)
#include "test_window_live.moc"
