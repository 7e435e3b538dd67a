#include "ui/window/qt_prompts.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStringList>

#include "sheet/sheet_pages.h"
#include "transfer/latin1.h"
#include "ui/pages/drop_down_list.h"
#include "ui/window/window_font.h"

namespace zem {

namespace {

// A message's line breaks (LF CR, CR LF, or either alone) as a label shows them.
QString BoxText(const std::string& text) {
  QString shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      shown += QChar('\n');
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if ((next == '\n' || next == '\r') && next != c) ++i;
    } else {
      shown += QChar(static_cast<unsigned char>(c));
    }
  }
  return shown;
}

void CentreOnScreen(QWidget* window) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
  }
}

QPushButton* MakeButton(const char* name, const QString& text, QRect geometry, QDialog* dialog) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

std::unique_ptr<QMessageBox> MakeBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
  // File names and unit texts are never markup.
  box->setTextFormat(Qt::PlainText);
  box->setFont(WindowFont());
  return box;
}

}  // namespace

QString QtFileFilter(const std::string& pipedFilter) {
  const QStringList parts = Latin1(pipedFilter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the parentheses, so they are written anew.
    const qsizetype open = description.lastIndexOf('(');
    if (open > 0 && description.endsWith(')')) description = description.left(open).trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts))
      patterns << (pattern.trimmed() == "*.*" ? QString("*") : pattern.trimmed());
    if (patterns.isEmpty()) patterns << "*";
    filters << QString("%1 (%2)").arg(description, patterns.join(' '));
  }
  return filters.join(";;");
}

int DialogUnits::X(int units) const { return (units * charWidth + 2) / 4; }
int DialogUnits::Y(int units) const { return (units * textHeight + 4) / 8; }

DialogUnits DialogUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  DialogUnits units;
  units.charWidth = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
  units.textHeight = metrics.height();
  return units;
}

std::unique_ptr<QDialog> BuildHostPromptDialog(const std::string& caption, const std::string& prompt,
                                               const std::string& initialText, QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName("HostPrompt");
  dialog->setWindowTitle(Latin1(caption));
  dialog->setFont(WindowFont());
  const DialogUnits du = DialogUnitsOf(dialog->font());
  dialog->setFixedSize(du.X(190), du.Y(53));

  auto* label = new QLabel(Latin1(prompt), dialog.get());
  label->setObjectName("PromptLabel");
  label->setTextFormat(Qt::PlainText);
  label->move(du.X(13), du.Y(5));
  label->adjustSize();

  auto* edit = new QLineEdit(dialog.get());
  edit->setObjectName("PromptEdit");
  edit->setAccessibleName("Host name or address");
  edit->setMaxLength(255);
  edit->setToolTip("A port may follow the host: host:port (23 when none is given)");
  edit->setText(Latin1(initialText));
  edit->setGeometry(du.X(13), du.Y(15), du.X(164), edit->sizeHint().height());
  edit->selectAll();
  edit->setFocus();

  QPushButton* ok = MakeButton("OkButton", "OK", QRect(du.X(38), du.Y(31), du.X(50), du.Y(14)), dialog.get());
  ok->setDefault(true);
  QPushButton* cancel =
      MakeButton("CancelButton", "Cancel", QRect(du.X(102), du.Y(31), du.X(50), du.Y(14)), dialog.get());
  cancel->setAutoDefault(false);
  // Escape rejects a QDialog by itself, which is Cancel's answer.
  QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog.get(), &QDialog::reject);
  CentreOnScreen(dialog.get());
  return dialog;
}

std::unique_ptr<QDialog> BuildPortChooserDialog(const std::vector<std::string>& entries, QWidget* parent,
                                                const std::string& offered) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName("SelectPort");
  dialog->setWindowTitle("Select Port");
  dialog->setFont(WindowFont());
  dialog->setFixedSize(220, 131);

  auto* line1 = new QLabel("The configured serial port is not valid.", dialog.get());
  line1->setObjectName("PortLine1");
  line1->move(12, 10);
  line1->adjustSize();
  auto* line2 = new QLabel("Please choose another port.", dialog.get());
  line2->setObjectName("PortLine2");
  line2->move(12, 28);
  line2->adjustSize();

  auto* combo = new DropDownList(dialog.get());
  combo->setObjectName("PortCombo");
  combo->setAccessibleName("Serial port");
  // The list shows the ports the system reports; a pseudo-terminal or any
  // other device can be typed as a path.
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& entry : entries) combo->addItem(Latin1(entry));
  combo->setCurrentIndex(entries.empty() ? -1 : 0);
  if (!offered.empty()) {
    const int listed = combo->findText(Latin1(offered), Qt::MatchExactly);
    if (listed >= 0) {
      combo->setCurrentIndex(listed);
    } else {
      combo->setEditText(
          QFile::decodeName(QByteArray(offered.data(), static_cast<qsizetype>(offered.size()))));
    }
  }
  combo->setGeometry(12, 52, 196, 22);

  QPushButton* ok = MakeButton("OkButton", "OK", QRect(30, 94, 75, 25), dialog.get());
  ok->setDefault(true);
  QPushButton* cancel = MakeButton("CancelButton", "Cancel", QRect(115, 94, 75, 25), dialog.get());
  cancel->setAutoDefault(false);
  QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog.get(), &QDialog::reject);
  CentreOnScreen(dialog.get());
  return dialog;
}

std::optional<std::string> PortDeviceFor(const QString& comboText) {
  QString device = comboText.trimmed();
  const qsizetype dash = device.indexOf(" - ");
  if (dash >= 0) device = device.left(dash).trimmed();
  if (device.isEmpty()) return std::nullopt;
  if (!device.startsWith('/')) device.prepend("/dev/");
  const QByteArray path = device.toLocal8Bit();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

std::unique_ptr<QMessageBox> BuildErrorBox(const std::string& text, QWidget* parent) {
  return MakeBox(QMessageBox::Critical, "ZEM Configuration", BoxText(ErrorBoxText(text)), QMessageBox::Ok,
                 parent);
}

std::unique_ptr<QMessageBox> BuildInformationBox(const std::string& text, QWidget* parent) {
  return MakeBox(QMessageBox::Information, "Information", BoxText(text), QMessageBox::Ok, parent);
}

std::unique_ptr<QMessageBox> BuildConfirmBox(const std::string& text, QWidget* parent,
                                             Prompts::DefaultButton defaultButton) {
  auto box =
      MakeBox(QMessageBox::Question, "Confirm", BoxText(text), QMessageBox::Ok | QMessageBox::Cancel, parent);
  box->setDefaultButton(defaultButton == Prompts::DefaultButton::Cancel ? QMessageBox::Cancel
                                                                        : QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Cancel);
  return box;
}

std::unique_ptr<QFileDialog> BuildFileDialog(const Prompts::FileDialog& request, bool save, QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The export asks about an existing file itself.
  if (save) dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!request.filter.empty()) dialog->setNameFilter(QtFileFilter(request.filter));
  dialog->setDefaultSuffix(QString::fromLocal8Bit(request.defaultExtension.c_str()));
  if (!request.fileName.empty()) dialog->selectFile(QString::fromLocal8Bit(request.fileName.c_str()));
  if (!request.caption.empty()) dialog->setWindowTitle(QString::fromLatin1(request.caption.c_str()));
  return dialog;
}

std::optional<std::string> QtPrompts::RunFileDialog(const FileDialog& request, bool save) {
  std::unique_ptr<QFileDialog> dialog = BuildFileDialog(request, save, parent_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog->selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  const QByteArray path = files.front().toLocal8Bit();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

std::optional<std::string> QtPrompts::OpenFile(const FileDialog& dialog) {
  return RunFileDialog(dialog, false);
}

std::optional<std::string> QtPrompts::SaveFile(const FileDialog& dialog) {
  return RunFileDialog(dialog, true);
}

bool QtPrompts::Confirm(const std::string& text, DefaultButton defaultButton) {
  std::unique_ptr<QMessageBox> box = BuildConfirmBox(text, parent_, defaultButton);
  return box->exec() == QMessageBox::Ok;
}

std::optional<std::string> QtPrompts::HostPrompt(const std::string& caption, const std::string& prompt,
                                                 const std::string& initialText) {
  std::unique_ptr<QDialog> dialog = BuildHostPromptDialog(caption, prompt, initialText, parent_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return Latin1Bytes(dialog->findChild<QLineEdit*>("PromptEdit")->text());
}

std::optional<std::string> QtPrompts::ChoosePort(const std::vector<std::string>& entries,
                                                 const std::string& offered) {
  std::unique_ptr<QDialog> dialog = BuildPortChooserDialog(entries, parent_, offered);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return PortDeviceFor(dialog->findChild<QComboBox*>("PortCombo")->currentText());
}

void QtPrompts::ShowError(const std::string& text) { BuildErrorBox(text, parent_)->exec(); }

void QtPrompts::ShowInformation(const std::string& text) { BuildInformationBox(text, parent_)->exec(); }

void QtPrompts::PrintPreview(const PrintJob& job) {
  QPrinter printer(QPrinter::HighResolution);
  QString caption = Latin1(job.caption);
  if (QPrinterInfo::availablePrinterNames().isEmpty()) {
    printer.setPageSize(QPageSize(LocalePaper()));
    caption += " - no printer is set up (File > Export Sheet... writes a PDF)";
  }
  QPrintPreviewDialog dialog(&printer, parent_);
  dialog.setObjectName("PrintPreview");
  dialog.setWindowTitle(caption);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&job](QPrinter* device) { job.paint(*device); });
  dialog.exec();
}

namespace {

constexpr struct {
  const char* name;
  const char* label;
  std::string Prompts::SheetFields::*field;
} kSheetFieldEdits[] = {
    {"SiteEdit", "&Site or client:", &Prompts::SheetFields::site},
    {"AddressEdit", "&Address:", &Prompts::SheetFields::address},
    {"InstallerEdit", "&Installer or company:", &Prompts::SheetFields::installer},
    {"ContactEdit", "&Contact:", &Prompts::SheetFields::contact},
};

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::unique_ptr<QDialog> BuildSheetTitleDialog(const Prompts::SheetFields& proposed, QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName("SheetTitle");
  dialog->setWindowTitle("Sheet Title Block");
  dialog->setFont(WindowFont());
  auto* form = new QFormLayout(dialog.get());
  for (const auto& row : kSheetFieldEdits) {
    auto* edit = new QLineEdit(Utf8(proposed.*row.field), dialog.get());
    edit->setObjectName(row.name);
    edit->setMaxLength(200);
    edit->setMinimumWidth(DialogUnitsOf(dialog->font()).X(160));
    form->addRow(row.label, edit);
  }
  auto* notes = new QPlainTextEdit(Utf8(proposed.notes), dialog.get());
  notes->setObjectName("NotesEdit");
  notes->setTabChangesFocus(true);
  notes->setFixedHeight(QFontMetrics(dialog->font()).lineSpacing() * 5 + 12);
  form->addRow("&Notes:", notes);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog.get());
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OkButton");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelButton");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
  form->addRow(buttons);
  return dialog;
}

Prompts::SheetFields SheetTitleDialogFields(const QDialog& dialog) {
  Prompts::SheetFields fields;
  for (const auto& row : kSheetFieldEdits)
    fields.*row.field = dialog.findChild<QLineEdit*>(row.name)->text().toStdString();
  fields.notes = dialog.findChild<QPlainTextEdit*>("NotesEdit")->toPlainText().toStdString();
  return fields;
}

std::optional<Prompts::SheetFields> QtPrompts::SheetTitle(const SheetFields& proposed) {
  std::unique_ptr<QDialog> dialog = BuildSheetTitleDialog(proposed, parent_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return SheetTitleDialogFields(*dialog);
}

}  // namespace zem
