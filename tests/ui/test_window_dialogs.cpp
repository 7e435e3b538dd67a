#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "ui/window/qt_prompts.h"

using namespace zem;

class TestWindowDialogs : public QObject {
  Q_OBJECT

 private slots:
  void fileFilters() {
    QCOMPARE(QtFileFilter("ZEM files (*.zem)|*.zem|All Files (*.*)|*.*"),
             QString("ZEM files (*.zem);;All Files (*)"));
    QCOMPARE(QtFileFilter("EQ files (*.eq)|*.eq"), QString("EQ files (*.eq)"));
    QCOMPARE(QtFileFilter("Text|*.txt;*.log"), QString("Text (*.txt *.log)"));
    QCOMPARE(QtFileFilter(""), QString());

    Prompts::FileDialog request{"zem", "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*", "/tmp/unit.zem"};
    std::unique_ptr<QFileDialog> save = BuildFileDialog(request, true);
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(save->defaultSuffix(), QString("zem"));
    QCOMPARE(save->nameFilters(), QStringList({"ZEM files (*.zem)", "All Files (*)"}));
    // The export asks about an existing file itself.
    QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
    std::unique_ptr<QFileDialog> open = BuildFileDialog(request, false);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
  }

  void hostPromptGeometry() {
    std::unique_ptr<QDialog> dialog =
        BuildHostPromptDialog("Enter the address for the ZEM4100", "Hostname or IP Address: ", "10.0.0.7");
    QCOMPARE(dialog->windowTitle(), QString("Enter the address for the ZEM4100"));

    // Dialog units from the dialog's own font.
    const QFontMetrics metrics(dialog->font());
    const int charWidth =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    const int textHeight = metrics.height();
    QVERIFY(charWidth > 0 && textHeight > 0);
    const DialogUnits du = DialogUnitsOf(dialog->font());
    QCOMPARE(du.charWidth, charWidth);
    QCOMPARE(du.textHeight, textHeight);
    const auto x = [&](int units) { return qRound(units * charWidth / 4.0); };
    const auto y = [&](int units) { return qRound(units * textHeight / 8.0); };

    QCOMPARE(dialog->size(), QSize(x(190), y(53)));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());

    auto* label = dialog->findChild<QLabel*>("PromptLabel");
    QCOMPARE(label->text(), QString("Hostname or IP Address: "));
    QCOMPARE(label->pos(), QPoint(x(13), y(5)));
    QCOMPARE(label->width(), label->sizeHint().width());

    auto* edit = dialog->findChild<QLineEdit*>("PromptEdit");
    QCOMPARE(edit->pos(), QPoint(x(13), y(15)));
    QCOMPARE(edit->width(), x(164));
    QCOMPARE(edit->maxLength(), 255);
    QVERIFY(edit->toolTip().contains("host:port"));
    QCOMPARE(edit->text(), QString("10.0.0.7"));
    QCOMPARE(edit->selectedText(), QString("10.0.0.7"));

    auto* ok = dialog->findChild<QPushButton*>("OkButton");
    auto* cancel = dialog->findChild<QPushButton*>("CancelButton");
    QCOMPARE(ok->text(), QString("OK"));
    QCOMPARE(cancel->text(), QString("Cancel"));
    QCOMPARE(ok->geometry(), QRect(x(38), y(31), x(50), y(14)));
    QCOMPARE(cancel->geometry(), QRect(x(102), y(31), x(50), y(14)));
    QVERIFY(ok->isDefault());
    QVERIFY(!cancel->isDefault());
  }

  void hostPromptAnswers() {
    // Enter presses OK, the default button.
    std::unique_ptr<QDialog> dialog = BuildHostPromptDialog("c", "p", "old");
    dialog->show();
    auto* edit = dialog->findChild<QLineEdit*>("PromptEdit");
    QTest::keyClicks(edit, "unit.local");  // replaces the selected text
    QCOMPARE(edit->text(), QString("unit.local"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));

    // Escape answers Cancel.
    dialog = BuildHostPromptDialog("c", "p", "old");
    dialog->show();
    QTest::keyClick(dialog->findChild<QLineEdit*>("PromptEdit"), Qt::Key_Escape);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());

    dialog = BuildHostPromptDialog("c", "p", "old");
    dialog->show();
    dialog->findChild<QPushButton*>("CancelButton")->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
  }

  void portChooser() {
    const std::vector<std::string> entries{"ttyUSB0 - FT232R USB UART", "ttyS0 - 16550A"};
    std::unique_ptr<QDialog> dialog = BuildPortChooserDialog(entries);
    QCOMPARE(dialog->windowTitle(), QString("Select Port"));
    QCOMPARE(dialog->size(), QSize(220, 131));
    QCOMPARE(dialog->findChild<QLabel*>("PortLine1")->text(),
             QString("The configured serial port is not valid."));
    QCOMPARE(dialog->findChild<QLabel*>("PortLine2")->text(), QString("Please choose another port."));
    auto* combo = dialog->findChild<QComboBox*>("PortCombo");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(1), QString("ttyS0 - 16550A"));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(combo->isEditable());
    QVERIFY(dialog->findChild<QPushButton*>("OkButton")->isDefault());
    QCOMPARE(dialog->findChild<QPushButton*>("CancelButton")->text(), QString("Cancel"));
    // Every control lies inside the dialog.
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      QVERIFY2(dialog->rect().contains(child->geometry()), qPrintable(child->objectName()));

    std::unique_ptr<QDialog> empty = BuildPortChooserDialog({});
    QCOMPARE(empty->findChild<QComboBox*>("PortCombo")->count(), 0);

    // The port opened last is offered: its entry when listed, else its path.
    for (const std::string offered : {"ttyS0 - 16550A", "/dev/pts/7", ""}) {
      const std::unique_ptr<QDialog> chooser = BuildPortChooserDialog(entries, nullptr, offered);
      QCOMPARE(chooser->findChild<QComboBox*>("PortCombo")->currentText().toStdString(),
               offered.empty() ? entries[0] : offered);
    }
  }

  void portDevices() {
    QCOMPARE(PortDeviceFor("ttyUSB0 - FT232R USB UART"), std::optional<std::string>("/dev/ttyUSB0"));
    QCOMPARE(PortDeviceFor("/dev/pts/3"), std::optional<std::string>("/dev/pts/3"));
    QCOMPARE(PortDeviceFor("  /tmp/unitA "), std::optional<std::string>("/tmp/unitA"));
    QCOMPARE(PortDeviceFor("ttyS1"), std::optional<std::string>("/dev/ttyS1"));
    QCOMPARE(PortDeviceFor("  "), std::optional<std::string>());
  }

  void messageBoxes() {
    std::unique_ptr<QMessageBox> error = BuildErrorBox("Connection refused");
    QCOMPARE(error->windowTitle(), QString("ZEM Configuration"));
    QCOMPARE(error->icon(), QMessageBox::Critical);
    QCOMPARE(error->text(), QString("Connection refused."));
    QCOMPARE(error->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    // Texts from files and units are shown as they are, never as markup.
    QCOMPARE(error->textFormat(), Qt::PlainText);
    QCOMPARE(BuildErrorBox("Connect timed out.")->text(), QString("Connect timed out."));

    std::unique_ptr<QMessageBox> info = BuildInformationBox("ZEM Configuration Utility\n\rsecond line");
    QCOMPARE(info->windowTitle(), QString("Information"));
    QCOMPARE(info->icon(), QMessageBox::Information);
    QCOMPARE(info->text(), QString("ZEM Configuration Utility\nsecond line"));
    QCOMPARE(info->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));

    std::unique_ptr<QMessageBox> confirm = BuildConfirmBox("File /tmp/<b>a</b>.zem exists. Overwrite?");
    QCOMPARE(confirm->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(confirm->escapeButton(), confirm->button(QMessageBox::Cancel));
    QCOMPARE(confirm->textFormat(), Qt::PlainText);
    QCOMPARE(confirm->text(), QString("File /tmp/<b>a</b>.zem exists. Overwrite?"));

    // Enter answers with the default button: OK for the overwrite question,
    // Cancel where OK would throw edits away.
    for (const auto defaultButton : {zem::Prompts::DefaultButton::Ok, zem::Prompts::DefaultButton::Cancel}) {
      std::unique_ptr<QMessageBox> box = BuildConfirmBox("Discard them?", nullptr, defaultButton);
      box->show();
      QVERIFY(QTest::qWaitForWindowExposed(box.get()));
      QTest::keyClick(box.get(), Qt::Key_Return);
      QCOMPARE(box->clickedButton(),
               box->button(defaultButton == zem::Prompts::DefaultButton::Ok ? QMessageBox::Ok
                                                                            : QMessageBox::Cancel));
    }
  }
};

QTEST_MAIN(TestWindowDialogs)
#include "test_window_dialogs.moc"
