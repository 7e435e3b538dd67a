// The "Options" page through its real widgets, offscreen: initial texts,
// every control writing its option at once, the brightness label and what
// the export sends for the network settings.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QtTest>
#include <algorithm>

#include "editor/editor.h"
#include "editor/options_logic.h"
#include "transfer/scripted_prompts.h"
#include "ui/options/options_view.h"

using namespace zem;

namespace {

const std::string kNamed = "[NI1\"Tuner\"]\r\n[NO1\"Hall\"]\r\n";

struct OptionsPage : Editor::Listener {
  OptionsPage() : view(editor, prompts) {
    editor.SetListener(this);
    view.resize(689, 381);
    view.show();
  }
  ~OptionsPage() override { editor.SetListener(nullptr); }
  void EditorChanged() override { view.SyncFromEditor(); }

  template <typename T>
  T* Find(const char* name) {
    T* widget = view.findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QString Level() { return Find<QLabel>("DisplayLvl")->text(); }
  // The lines of the export that carry options.
  std::vector<std::string> OptionLines() {
    std::vector<std::string> lines = editor.PrepareExport();
    std::vector<std::string> options;
    for (const std::string& l : lines)
      for (const char* head : {"[SD", "[FPL", "[IRL", "[DHCP", "[IP", "[NM", "[GW"})
        if (l.rfind(head, 0) == 0) options.push_back(l);
    return options;
  }

  Editor editor;
  zem::ScriptedPrompts prompts;
  OptionsView view;
};

}  // namespace

class TestOptionsPage : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QApplication::setFont(QFont("MS Sans Serif", 8));
  }

  void startsWithThePlaceholdersAndExportsThem() {
    OptionsPage p;
    QCOMPARE(p.Edit("IPAddress")->text(), QString("IPAddress"));
    QCOMPARE(p.Edit("Netmask")->text(), QString("Netmask"));
    QCOMPARE(p.Edit("Gateway")->text(), QString("Gateway"));
    QCOMPARE(p.Level(), QString("Level: 0"));
    QCOMPARE(p.Find<QCheckBox>("DHCPCheckbox")->text(), QString("Enable DHCP?"));
    QCOMPARE(p.Find<QCheckBox>("IRCheckbox")->text(), QString("Front Panel IR Lockout?"));
    QVERIFY(p.Find<QLabel>("Label24")->font().bold());
    QCOMPARE(p.Find<QLabel>("Label42")->font().pointSize(), 10);
    for (const char* name : {"DHCPCheckbox", "IPAddress", "Display", "Label24", "DisplayLvl"})
      QVERIFY2(!p.Find<QWidget>(name)->isEnabled(), name);

    p.editor.ImportFileText(kNamed, "x.zem");
    QVERIFY(p.Find<QWidget>("Gateway")->isEnabled());
    QVERIFY(p.Find<QWidget>("Display")->isEnabled());
    QCOMPARE(p.Level(), QString("Level: 0"));
    const std::vector<std::string> expected = {"[SD0]",         "[FPL0]",      "[IRL0]",     "[DHCP0]",
                                               "[IPIPAddress]", "[NMNetmask]", "[GWGateway]"};
    QCOMPARE(p.OptionLines(), expected);
  }

  void editsReachTheModelAtOnce() {
    OptionsPage p;
    p.editor.ImportFileText(kNamed + "[IP10.0.0.5]\r\n[NM255.0.0.0]\r\n", "x.zem");
    QCOMPARE(p.Edit("IPAddress")->text(), QString("10.0.0.5"));

    // An emptied field exports its command with nothing in it.
    p.Edit("IPAddress")->setFocus();
    p.Edit("IPAddress")->selectAll();
    QTest::keyClick(p.Edit("IPAddress"), Qt::Key_Delete);
    QCOMPARE(p.editor.model.unit.Options.IPAddress, std::string());
    p.Edit("Gateway")->selectAll();
    QTest::keyClicks(p.Edit("Gateway"), "10.0.0.1");
    QCOMPARE(p.editor.model.unit.Options.Gateway, std::string("10.0.0.1"));
    // Any characters, kept as single bytes.
    p.Edit("Netmask")->setText(QString::fromLatin1("255.\xE9"));
    QCOMPARE(p.editor.model.unit.Options.Netmask, std::string("255.\xE9"));

    QTest::mouseClick(p.Find<QCheckBox>("FPCheckbox"), Qt::LeftButton);
    p.Find<QCheckBox>("IRCheckbox")->setFocus();
    QTest::keyClick(p.Find<QCheckBox>("IRCheckbox"), Qt::Key_Space);
    QVERIFY(p.editor.model.unit.Options.FrontPanelLock);
    QVERIFY(p.editor.model.unit.Options.IRLockout);

    std::vector<std::string> expected = {"[SD0]", "[FPL1]",       "[IRL1]",      "[DHCP0]",
                                         "[IP]",  "[NM255.\xE9]", "[GW10.0.0.1]"};
    QCOMPARE(p.OptionLines(), expected);
    // The export's page refresh leaves the page as it was.
    QCOMPARE(p.Edit("IPAddress")->text(), QString());

    // With DHCP on, the address fields stay usable but are not sent.
    QTest::mouseClick(p.Find<QCheckBox>("DHCPCheckbox"), Qt::LeftButton);
    QVERIFY(p.editor.model.unit.Options.DHCPEnabled);
    QVERIFY(p.Edit("IPAddress")->isEnabled());
    expected = {"[SD0]", "[FPL1]", "[IRL1]", "[DHCP1]"};
    QCOMPARE(p.OptionLines(), expected);
  }

  // The address fields refuse, typed or pasted, brackets and control bytes.
  void addressFieldsRefuseBracketsAndControlBytes() {
    OptionsPage p;
    p.editor.ImportFileText(kNamed, "x.zem");
    for (const char* name : {"IPAddress", "Netmask", "Gateway"}) {
      p.Edit(name)->selectAll();
      QTest::keyClicks(p.Edit(name), "1[0.]0.0.9");
      for (const QString& pasted : {QString("[VO1R0]"), QString("1\t2"), QString("3\r\n"), QString(QChar(0))})
        p.Edit(name)->insert(pasted);
      QCOMPARE(p.Edit(name)->text(), QString("10.0.0.9"));
    }
    QCOMPARE(p.editor.model.unit.Options.Gateway, std::string("10.0.0.9"));
  }

  // While DHCP is off, a field whose text a unit cannot use is framed in red
  // and says why in its tooltip; the mark goes with DHCP on or a sound text.
  void unsoundAddressesAreMarked_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dhcp");
    QTest::addColumn<QString>("tooltip");  // empty: no mark
    QTest::newRow("placeholder") << "Gateway" << false << "Gateway \"Gateway\" is not an IPv4 address";
    QTest::newRow("sound") << "10.0.0.1" << false << "";
    QTest::newRow("placeholder, DHCP on") << "Gateway" << true << "";
  }

  void unsoundAddressesAreMarked() {
    QFETCH(QString, text);
    QFETCH(bool, dhcp);
    QFETCH(QString, tooltip);
    OptionsPage p;
    // Marked from the start, before anything is imported.
    QCOMPARE(p.Edit("IPAddress")->toolTip(), QString("IP address \"IPAddress\" is not an IPv4 address"));
    p.editor.ImportFileText(kNamed + "[IP10.0.0.5]\r\n[NM255.0.0.0]\r\n", "x.zem");
    QVERIFY(p.Edit("IPAddress")->toolTip().isEmpty());
    QVERIFY(p.Edit("IPAddress")->styleSheet().isEmpty());
    QCOMPARE(p.Edit("Netmask")->toolTip(), QString());
    QLineEdit* gateway = p.Edit("Gateway");
    gateway->selectAll();
    QTest::keyClick(gateway, Qt::Key_Delete);
    QTest::keyClicks(gateway, text);
    if (dhcp) QTest::mouseClick(p.Find<QCheckBox>("DHCPCheckbox"), Qt::LeftButton);
    QCOMPARE(gateway->toolTip(), tooltip);
    QCOMPARE(gateway->styleSheet().contains("red"), !tooltip.isEmpty());
    // DHCP toggled (and back through undo) moves the mark with it.
    QTest::mouseClick(p.Find<QCheckBox>("DHCPCheckbox"), Qt::LeftButton);
    QCOMPARE(gateway->toolTip().isEmpty(), text == "10.0.0.1" || !dhcp);
    p.editor.Undo();
    QCOMPARE(gateway->toolTip(), tooltip);
    // The field keeps what was typed: nothing is checked away.
    QCOMPARE(gateway->text(), text);
  }

  void displayLevelShowsItsPercentage() {
    OptionsPage p;
    p.editor.ImportFileText(kNamed, "x.zem");
    auto* display = p.Find<QSlider>("Display");
    QCOMPARE(display->minimum(), 0);
    QCOMPARE(display->maximum(), 3);
    QCOMPARE(display->tickInterval(), 1);
    QCOMPARE(display->tickPosition(), QSlider::TicksBothSides);
    display->setFocus();
    QTest::keyClick(display, Qt::Key_Right);
    QCOMPARE(p.Level(), QString("Level:75%"));
    QTest::keyClick(display, Qt::Key_Right);
    QCOMPARE(p.Level(), QString("Level:50%"));
    QTest::keyClick(display, Qt::Key_Right);
    QCOMPARE(p.Level(), QString("Level:25%"));
    QTest::keyClick(display, Qt::Key_Right);  // stays at the end
    QCOMPARE(display->value(), 3);
    QTest::keyClick(display, Qt::Key_Home);
    QCOMPARE(p.Level(), QString("Level:100%"));
    QTest::keyClick(display, Qt::Key_Right);
    QCOMPARE(p.OptionLines().front(), std::string("[SD1]"));

    // A reported level of 7 stands at the end.
    p.editor.ImportFileText(kNamed + "[SD7]\r\n", "x.zem");
    QCOMPARE(display->value(), 3);
    QCOMPARE(p.Level(), QString("Level:25%"));

    // The logic on its own, as the reader uses it.
    DisplayLevelChanged(p.editor.model, -4);
    QCOMPARE(p.editor.model.unit.Options.DisplayLevel, 0);
    QCOMPARE(p.editor.model.screen.DisplayLabel, std::string("Level:100%"));

    const QByteArray shots = qgetenv("ZEM_SHOTS_DIR");
    if (!shots.isEmpty()) {
      p.editor.ImportFileText(
          kNamed + "[SD1]\r\n[FPL1]\r\n[IP192.0.2.10]\r\n[NM255.255.255.0]\r\n[GW192.0.2.1]\r\n", "x.zem");
      QVERIFY(p.view.grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("options.png")));
    }
  }

  void tabOrderFollowsTheLayout() {
    OptionsPage p;
    const char* const order[] = {"DHCPCheckbox", "IPAddress",  "Netmask", "Gateway",
                                 "FPCheckbox",   "IRCheckbox", "Display"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
      QWidget* next = p.Find<QWidget>(order[i])->nextInFocusChain();
      while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
      QCOMPARE(next->objectName(), QString(order[i + 1]));
    }
  }
};

QTEST_MAIN(TestOptionsPage)
#include "test_options_page.moc"
