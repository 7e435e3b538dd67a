#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/prompts.h"

class QDialog;
class QMessageBox;
class QFileDialog;

namespace zem {

// "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*" as Qt writes a filter:
// "ZEM files (*.zem);;All Files (*)".
QString QtFileFilter(const std::string& pipedFilter);

// The host prompt, built at run time in dialog units of its font. Children:
// "PromptLabel", "PromptEdit", "OkButton", "CancelButton".
std::unique_ptr<QDialog> BuildHostPromptDialog(const std::string& caption, const std::string& prompt,
                                               const std::string& initialText, QWidget* parent = nullptr);
// Dialog units of `font` to pixels: horizontal units are quarters of the
// average character width, vertical units eighths of the text height.
struct DialogUnits {
  int charWidth = 0;
  int textHeight = 0;
  int X(int units) const;
  int Y(int units) const;
};
DialogUnits DialogUnitsOf(const QFont& font);

// The port chooser "Select Port". Children: "PortLine1", "PortLine2",
// "PortCombo" (editable, showing `offered` when given), "OkButton", "CancelButton".
std::unique_ptr<QDialog> BuildPortChooserDialog(const std::vector<std::string>& entries,
                                                QWidget* parent = nullptr, const std::string& offered = {});
// The device to open for what the port chooser's combo holds: a listed entry
// "ttyUSB0 - FT232R USB UART" gives "/dev/ttyUSB0"; typed text is a device
// path ("/dev/pts/3"; a bare name is looked for in /dev); empty gives nothing.
std::optional<std::string> PortDeviceFor(const QString& comboText);

// The default error box and the information box.
std::unique_ptr<QMessageBox> BuildErrorBox(const std::string& text, QWidget* parent = nullptr);
std::unique_ptr<QMessageBox> BuildInformationBox(const std::string& text, QWidget* parent = nullptr);
std::unique_ptr<QMessageBox> BuildConfirmBox(
    const std::string& text, QWidget* parent = nullptr,
    Prompts::DefaultButton defaultButton = Prompts::DefaultButton::Ok);
std::unique_ptr<QFileDialog> BuildFileDialog(const Prompts::FileDialog& dialog, bool save,
                                             QWidget* parent = nullptr);

// The sheet's title block "Sheet Title Block": line edits "SiteEdit",
// "AddressEdit", "InstallerEdit", "ContactEdit", the plain text "NotesEdit",
// "OkButton", "CancelButton"; and the fields as the dialog holds them.
std::unique_ptr<QDialog> BuildSheetTitleDialog(const Prompts::SheetFields& proposed,
                                               QWidget* parent = nullptr);
Prompts::SheetFields SheetTitleDialogFields(const QDialog& dialog);

// The Prompts of the window: real modal dialogs.
class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the dialogs belong to.
  void SetParentWidget(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> OpenFile(const FileDialog& dialog) override;
  std::optional<std::string> SaveFile(const FileDialog& dialog) override;
  bool Confirm(const std::string& text, DefaultButton defaultButton = DefaultButton::Ok) override;
  std::optional<std::string> HostPrompt(const std::string& caption, const std::string& prompt,
                                        const std::string& initialText) override;
  std::optional<std::string> ChoosePort(const std::vector<std::string>& entries,
                                        const std::string& offered) override;
  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  // QPrintPreviewDialog on the printer's paper; with no printer set up, on
  // the locale's paper, and its title says so.
  void PrintPreview(const PrintJob& job) override;
  std::optional<SheetFields> SheetTitle(const SheetFields& proposed) override;

 private:
  std::optional<std::string> RunFileDialog(const FileDialog& dialog, bool save);

  QPointer<QWidget> parent_;
};

}  // namespace zem
