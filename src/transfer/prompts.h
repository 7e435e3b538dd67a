#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace zem {

// Every dialog a menu command or page action may open. The window answers
// with real dialogs; tests and zemctl answer from a script, so nothing ever
// waits on a modal dialog it cannot see.
class Prompts {
 public:
  virtual ~Prompts() = default;

  struct FileDialog {
    std::string defaultExtension;  // "zem", "eq"
    std::string filter;            // "ZEM files (*.zem)|*.zem|All Files (*.*)|*.*"
    std::string fileName;          // proposed name (may be empty)
    std::string caption = {};      // the dialog's title, when it must say more than "Save"
  };
  // The chosen file's path, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialog& dialog) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialog& dialog) = 0;
  // The button Enter presses in a confirmation.
  enum class DefaultButton { Ok, Cancel };
  // A message box with OK and Cancel; true for OK. A question whose OK
  // throws work away makes Cancel the default.
  virtual bool Confirm(const std::string& text, DefaultButton defaultButton = DefaultButton::Ok) = 0;
  // The host prompt: the edited text when OK was pressed.
  virtual std::optional<std::string> HostPrompt(const std::string& caption, const std::string& prompt,
                                                const std::string& initialText) = 0;
  // The port chooser "Select Port": entries as shown, plus a typed device
  // path; returns the device to open, or nothing when cancelled. `offered`
  // (an entry or a device path; may be empty) is the answer proposed.
  virtual std::optional<std::string> ChoosePort(const std::vector<std::string>& entries,
                                                const std::string& offered) = 0;
  // The default error box: caption "ZEM Configuration", error icon, OK.
  // `text` is the failure's text as raised; ErrorBoxText adds the period.
  virtual void ShowError(const std::string& text) = 0;
  // The information box of "About".
  virtual void ShowInformation(const std::string& text) = 0;
  // A print preview, from which the user prints: `paint` lays the document
  // out on the device it is given (its paper and margins) and draws it.
  struct PrintJob {
    std::string caption;  // the preview's window title
    std::function<void(QPagedPaintDevice& device)> paint;
  };
  virtual void PrintPreview(const PrintJob& job) = 0;
  // The handover sheet's title block, asked before it is printed or
  // exported: the site or client, the site's address, the installer or
  // company, a contact line and notes (lines), each UTF-8 and maybe empty.
  struct SheetFields {
    std::string site, address, installer, contact, notes;
    bool operator==(const SheetFields&) const = default;
  };
  // The fields as edited from `proposed`, or nothing when cancelled.
  virtual std::optional<SheetFields> SheetTitle(const SheetFields& proposed) = 0;
};

// The failure text as the error box shows it: a period is added when the
// last character sorts above ".".
inline std::string ErrorBoxText(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return text;
}

}  // namespace zem
