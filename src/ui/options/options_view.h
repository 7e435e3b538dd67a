#pragma once

#include <QWidget>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace zem {

// The page "Options": every control writes its option into the
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

  QCheckBox* dhcp_ = nullptr;
  QLineEdit* ipAddress_ = nullptr;
  QLineEdit* netmask_ = nullptr;
  QLineEdit* gateway_ = nullptr;
  QCheckBox* frontPanel_ = nullptr;
  QCheckBox* irLockout_ = nullptr;
  QLabel* displayLevelText_ = nullptr;
  QSlider* displayLevel_ = nullptr;
};

}  // namespace zem
