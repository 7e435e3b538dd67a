#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "transfer/transfer_context.h"

namespace zem {

// The import run: the unit's configuration from a file, over a serial port
// or over Telnet, into the editor or (ReadInto) into a configuration of its
// own. It also takes what arrives on the serial port between runs, into the
// received text, within the limits on it.
class ImportRun {
 public:
  explicit ImportRun(TransferContext& context);
  ImportRun(const ImportRun&) = delete;
  ImportRun& operator=(const ImportRun&) = delete;

  // Everything one import knows and finds. It starts afresh with each run
  // and stays for the caller to read once the run is over.
  struct State {
    TransferOutcome outcome = TransferOutcome::None;
    std::string failure;  // the error box's text of a Failed run
    bool deadlinePassed = false;
    bool serialImport = false;        // the serial receive event feeds the import
    std::size_t receivedBytes = 0;    // every byte the import took, kept or not
    QElapsedTimer sinceLastByte;      // the serial import's silence
    QDeadlineTimer progressDeadline;  // the wait limit from the request or the last command line
    CommandLineWatch lineWatch;
    bool collectLimitHit = false;
    bool lineLimitHit = false;  // the limit reached was the one on lines
    std::vector<std::string> importWarnings;
    std::string nothingRead;  // why the import read nothing, once it knows
  };

  // File > Import into the editor: what it replaces comes back when it
  // reads nothing; the failure, if any, goes to the error box.
  void IntoEditor();
  // The next import's file, instead of the open dialog.
  void GiveFile(const std::string& path) { givenFile_ = path; }
  // Reads the unit into `into`, the editor's configuration and texts left
  // as they are, the status line left to the caller; what the run failed
  // with, if it failed.
  std::optional<std::string> ReadInto(Editor& into);
  const State& Last() const { return state_; }

  void SetSerialInactivityMs(int ms) { serialInactivityMs_ = ms; }
  void SetCollectLimitBytes(std::size_t bytes) { collectLimit_ = bytes; }
  void SetCollectLimitLines(std::size_t lines) { collectLineLimit_ = lines; }

  // The serial receive event: every byte waiting, in order, up to "(QX)";
  // bytes after it stay for the next receive event.
  void OnSerialReceive();
  // Takes what waits on the serial port in a later event-loop pass.
  void ScheduleSerialReceive();

 private:
  std::optional<std::string> RunGuarded(const char* what);
  void RunImport();
  // The editor a read fills: the side configuration of ReadInto, else the editor.
  Editor& Target() { return readInto_ ? *readInto_ : ctx_.editor; }
  // The status line as an import changes it; a side read keeps its own text.
  void ImportStatus(const std::string& text);
  // What the unit is known to hold after an import: new or forgotten.
  void NoteUnitAfterImport();
  void ReadReceivedCommandsInSlices();
  void ImportSerial();
  void ImportFile();
  void ImportTelnet();
  bool CollectLimitReached(std::size_t bytes);
  std::string CollectLimitText() const;

  TransferContext& ctx_;
  State state_;
  Editor* readInto_ = nullptr;
  std::optional<std::string> givenFile_;
  int serialInactivityMs_ = 4000;
  std::size_t collectLimit_ = std::size_t{64} << 20;
  std::size_t collectLineLimit_ = 1000000;
  bool collectLimitReported_ = false;  // logged once until the received text is cleared
  bool serialReceiveScheduled_ = false;
  QObject receiveCalls_;  // the queued receive event ends with the run object
};

}  // namespace zem
