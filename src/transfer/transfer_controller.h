#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "transfer/prompts.h"
#include "ui/editor/editor.h"

namespace zem {

// The File menu's commands: the connection mode, the links to the unit and
// the import and export runs. The window and zemctl drive the same object.
class TransferController : public QObject {
  Q_OBJECT

 public:
  enum class Mode { None, File, Serial, Telnet };

  TransferController(Editor& editor, Prompts& prompts, QObject* parent = nullptr);
  ~TransferController() override;

  // The checked radio item of the File menu (None after a cancelled host prompt).
  Mode CheckedMode() const { return mode_; }

  void File2Click();
  void Serial1Click();
  void Telnet1Click();
  void Import1Click();
  void Export1Click();

  // Whether an import or export is under way (Import and Export are refused then).
  bool Busy() const { return busy_; }
  // Ends the running transfer cleanly (Escape, the status line's Cancel).
  void Cancel();
  // The window closes: an open Telnet connection is closed.
  void FormClose();

 signals:
  void ModeChanged();
  void BusyChanged(bool busy);

 private:
  Editor& editor_;
  Prompts& prompts_;
  Mode mode_ = Mode::File;
  bool busy_ = false;
};

}  // namespace zem
