#pragma once

#include <QWidget>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace zem {

// The page TabSheet9, "Options": every control writes its option into the
// model at once; the command reader and writer work on the model.
class OptionsView : public QWidget {
  Q_OBJECT

 public:
  OptionsView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page; no
  // handler runs while it does.
  void SyncFromEditor();

 private:
  // While DHCP is off, frames in red each address field whose text a unit
  // cannot use and says why in its tooltip; clears the mark otherwise.
  void MarkAddresses();

  Editor& editor_;
  [[maybe_unused]] Prompts& prompts_;  // the page opens no dialog

  QCheckBox* dhcp_ = nullptr;           // DHCPCheckbox
  QLineEdit* ipAddress_ = nullptr;      // IPAddress
  QLineEdit* netmask_ = nullptr;        // Netmask
  QLineEdit* gateway_ = nullptr;        // Gateway
  QCheckBox* frontPanel_ = nullptr;     // FPCheckbox
  QCheckBox* irLockout_ = nullptr;      // IRCheckbox
  QLabel* displayLevelText_ = nullptr;  // DisplayLvl
  QSlider* displayLevel_ = nullptr;     // Display
};

}  // namespace zem
