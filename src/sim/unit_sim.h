#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/unit_memory.h"

class QTcpServer;
class QSerialPort;
class QTcpSocket;
class QSocketNotifier;

namespace zem {

// How the simulated unit behaves; the defaults are a well-behaved unit.
struct SimOptions {
  // What an import receives; commands the unit takes change it (UnitMemory).
  std::vector<std::string> configLines;
  bool crlf = false;                                       // end dump lines with CR LF instead of CR
  enum class Reply { Ok, Echo, Error } reply = Reply::Ok;  // answer to a command
  bool silent = false;                                     // never answer anything
  int closeAfter = -1;                                     // close after answering this many commands
  bool resetOnClose = false;                               // Telnet: that close is a reset, not a FIN
  bool closeMidImport = false;                             // close halfway through a dump
  bool junk = false;                                       // control bytes and 127..255 between dump lines
  bool bytePerWrite = false;                               // every byte in a write of its own
  bool noEndMarker = false;                                // never send the dump's end marker
  bool trailingBytes = false;                              // more bytes right after the end marker
  bool pace = false;     // 9600 bps: sends and takes about one byte a millisecond
  bool endless = false;  // the dump never ends (repeats the lines)
  bool endlessDropped =
      false;  // after the lines, bytes a reader drops (LF, 128-255, Telnet negotiation), without end
  bool floodReplies = false;  // once the first command or "[]" came, "(OK)" replies without end
  int hangupAfterMs = -1;     // pseudo-terminal: hang up this long after it was opened
  // The faults a connection check tells apart:
  bool wrongBaud = false;    // everything sent as a 9600-bps reader sees a unit set to another speed
  bool loopback = false;     // a loopback plug: every byte comes back as it was, nothing else
  bool holdPort = false;     // pseudo-terminal: held by another program through Qt's lock file
  bool fullBacklog = false;  // TCP: the port listens but never answers a connection
  // Commands (counted from 1 over the unit's life) answered "(OK)" but not
  // taken, as by a unit that silently drops a line.
  std::vector<int> ignoreCommands;
  // Commands (counted as above) answered "(ERROR)" whatever `reply` says.
  std::vector<int> refuseCommands;
  // A unit that keeps sending slowly without end, every `trickleMs`: after
  // the configuration (instead of its end marker), and from the first
  // command on (instead of the answers).
  enum class Trickle {
    None,
    BareCr,   // a CR each time: empty lines
    Unended,  // an "x" each time, after a "[" (the dump) or a "(" (an answer): a line or answer never ended
    Lines,    // a whole line each time: a configuration line, or "(OK)"
  } trickle = Trickle::None;
  int trickleMs = 500;
};

// A received command as the simulator prints it: control bytes, bytes
// 127-255 and the backslash escaped (\x1b, \\), so no client can send
// the terminal escape sequences.
std::string PrintableCommand(std::string_view command);

// The text the trailing-bytes fault sends after the end marker: a command
// that would rename zone 1 if an import took it.
inline constexpr char kSimTrailingCommand[] = "[NO1\"TRAILING\"]";

// A simulated unit: serves its configuration to "[QXSB]", answers and
// records every command of an export, and takes each command it answers
// "(OK)" (or echoes) into the configuration it serves next. Over TCP (the
// Telnet port; lines end with LF CR, plus the bare "[]" and "[QXSB]") and
// over a pseudo-terminal (the serial port; bare commands, each ended by its
// closing "]", or by a "]" after which nothing more arrives for a moment,
// since the program waits for each answer before it sends the next command).
class UnitSim : public QObject {
  Q_OBJECT

 public:
  explicit UnitSim(SimOptions options = {}, QObject* parent = nullptr);
  ~UnitSim() override;

  SimOptions& Options() { return options_; }

  // Listens on `address`:`port` (0: any free port). False with `error` set
  // when that fails.
  bool ListenTcp(quint16 port, const QHostAddress& address, std::string* error);
  quint16 TcpPort() const;
  // SimOptions::fullBacklog: a port that takes no connection (POSIX only).
  bool ListenFullBacklog(quint16 port, std::string* error);

  // Opens a pseudo-terminal pair in raw mode; PtyPath() is the device a
  // serial program opens.
  bool OpenPty(std::string* error);
  const std::string& PtyPath() const { return ptyPath_; }
  // Hangs up the pseudo-terminal, as if the cable were pulled.
  void ClosePty();

  // Every command received for an export, in order, without line ends.
  const std::vector<std::string>& Recorded() const { return recorded_; }
  // How each Telnet line was ended ("\n\r" expected).
  int BadTerminators() const { return badTerminators_; }
  int Syncs() const { return syncs_; }      // "[]" received
  int Queries() const { return queries_; }  // "[QXSB]" received
  int Connections() const { return connections_; }
  // Connections (or the pseudo-terminal) not closed yet.
  int OpenConnections() const;
  // Bytes the unit took from the links and sent on them since ClearRecord.
  std::int64_t BytesTaken() const { return bytesTaken_; }
  std::int64_t BytesSent() const { return bytesSent_; }
  // Commands received over the unit's life; ClearRecord leaves it alone.
  int CommandsReceived() const { return commandsReceived_; }
  void ClearRecord();
  // The configuration lines the next "[QXSB]" is answered with.
  const std::vector<std::string>& ServedLines();
  // Sends `bytes` unasked on every open connection (and the pty).
  void SendRaw(const std::string& bytes);

 signals:
  void CommandRecorded(const std::string& line);
  // A command answered but not taken (SimOptions::ignoreCommands).
  void CommandDropped(const std::string& line);
  void Closed();
  // Everything queued for a connection has been written out.
  void OutputDrained();

 private:
  struct Channel;
  void OnNewConnection();
  void OnInput(Channel& ch);
  void WaitToRead(Channel& ch);
  void ParseTelnet(Channel& ch);
  void ParseSerial(Channel& ch);
  void TakeSerialCommand(Channel& ch, std::size_t length);
  void Dump(Channel& ch);
  void Answer(Channel& ch, const std::string& line);
  void Send(Channel& ch, const std::string& bytes);
  void Pump(Channel& ch);
  void PumpOnce(Channel& ch);
  void FinishIfFlushed(Channel& ch);
  void RetryLater(Channel& ch, int ms);
  // Sends `first`, then `each` every trickleMs without end.
  void StartTrickle(Channel& ch, const std::string& first, const std::string& each);
  void CloseChannel(Channel& ch);
  void RemoveClosed();

  SimOptions options_;
  QTcpServer* server_ = nullptr;
  std::vector<std::unique_ptr<Channel>> channels_;
  std::unique_ptr<QSerialPort> holder_;  // SimOptions::holdPort
  int backlogSocket_ = -1;               // SimOptions::fullBacklog: the listener
  int backlogFiller_ = -1;               // and the connection that fills its queue
  quint16 backlogPort_ = 0;
  int ptyMaster_ = -1;
  int ptySlave_ = -1;
  std::string ptyPath_;
  std::vector<std::string> recorded_;
  int badTerminators_ = 0;
  int syncs_ = 0;
  int queries_ = 0;
  int connections_ = 0;
  int commandsReceived_ = 0;
  std::int64_t bytesTaken_ = 0;
  std::int64_t bytesSent_ = 0;
  UnitMemory memory_;
  QElapsedTimer clock_;  // the pace's milliseconds
};

}  // namespace zem
