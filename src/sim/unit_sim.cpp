#include "sim/unit_sim.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "model/escaped_bytes.h"
#include "sim/line_pace.h"
#include "sim/sim_system.h"

namespace zem {

namespace {

// A command or line longer than this is thrown away rather than kept: a
// client that sends garbage without end must not grow the unit's memory.
constexpr std::size_t kMaxInput = 1 << 20;
// How much output waits in the socket before the endless dump refills.
constexpr qint64 kOutputHigh = 256 * 1024;

const char kJunk[] = "\x01\x07\t\x0b\x1b\x7f\x80\xa0\xfe\xff";
// What the endless-dropped fault repeats: line feeds, bytes above 127,
// control bytes and Telnet option negotiation (IAC WILL ECHO, IAC DO
// SUPPRESS-GO-AHEAD). A reader keeps none of it as text.
const char kDropped[] = "\n\xff\xfb\x01\xff\xfd\x03\x80\xa0\xfe\x7f\x1b\t\n";
// A serial command whose quotes do not pair up ends at a "]" followed by
// this much silence.
constexpr int kSerialQuietMs = 5;

}  // namespace

struct UnitSim::Channel {
  bool serial = false;
  QTcpSocket* socket = nullptr;
  int fd = -1;
  std::unique_ptr<QSocketNotifier> readNotifier;
  std::unique_ptr<QSocketNotifier> writeNotifier;
  std::unique_ptr<QTimer> paceTimer;
  // Paced: what the unit sends, and what it takes from the line; bytes the
  // line has not carried yet stay in the system's buffers.
  LinePace sendPace;
  LinePace readPace;
  bool readHeld = false;  // paced: bytes may wait to be taken
  std::unique_ptr<QTimer> readTimer;
  std::string input;
  bool inCommand = false;  // serial: input starts with a command's "["
  bool inQuotes = false;   // serial: an odd number of quotes scanned so far
  std::size_t scanAt = 0;  // serial: input before this has been scanned
  std::unique_ptr<QTimer> quietTimer;
  std::unique_ptr<QTimer> trickleTimer;
  std::string trickleEach;
  std::string output;
  std::size_t outAt = 0;
  int answered = 0;
  // What refills the output whenever it runs low, without end.
  enum class Refill { None, Config, Dropped, Replies } refill = Refill::None;
  bool closeWhenFlushed = false;
  bool pumping = false;  // flush() reports bytesWritten at once: no re-entry
  bool closing = false;  // no more input is taken once closing is decided
  bool closed = false;
};

UnitSim::UnitSim(SimOptions options, QObject* parent) : QObject(parent), options_(std::move(options)) {
  clock_.start();
}

UnitSim::~UnitSim() {
  for (auto& ch : channels_)
    if (ch->socket) QObject::disconnect(ch->socket, nullptr, this, nullptr);
  ClosePty();
  CloseSocket(backlogFiller_);
  CloseSocket(backlogSocket_);
}

bool UnitSim::ListenFullBacklog(quint16 port, std::string* error) {
  return OpenFullBacklog(port, &backlogSocket_, &backlogFiller_, &backlogPort_, error);
}

void UnitSim::ClearRecord() {
  recorded_.clear();
  badTerminators_ = 0;
  syncs_ = 0;
  queries_ = 0;
  bytesTaken_ = 0;
  bytesSent_ = 0;
}

const std::vector<std::string>& UnitSim::ServedLines() {
  memory_.Update(options_.configLines);
  return options_.configLines;
}

void UnitSim::SendRaw(const std::string& bytes) {
  for (auto& ch : channels_)
    if (!ch->closed) Send(*ch, bytes);
}

bool UnitSim::ListenTcp(quint16 port, const QHostAddress& address, std::string* error) {
  if (!server_) {
    server_ = new QTcpServer(this);
    connect(server_, &QTcpServer::newConnection, this, &UnitSim::OnNewConnection);
  }
  if (!server_->listen(address, port)) {
    if (error) *error = server_->errorString().toLatin1().toStdString();
    return false;
  }
  return true;
}

int UnitSim::OpenConnections() const {
  return static_cast<int>(std::count_if(channels_.begin(), channels_.end(),
                                        [](const std::unique_ptr<Channel>& ch) { return !ch->closed; }));
}

quint16 UnitSim::TcpPort() const { return server_ ? server_->serverPort() : backlogPort_; }

void UnitSim::RemoveClosed() {
  std::erase_if(channels_, [](const std::unique_ptr<Channel>& ch) { return ch->closed; });
}

void UnitSim::OnNewConnection() {
  RemoveClosed();
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Paced, what the unit has not taken yet waits in the system's buffers.
    if (options_.pace) socket->setReadBufferSize(4096);
    auto owned = std::make_unique<Channel>();
    Channel* ch = owned.get();
    ch->socket = socket;
    channels_.push_back(std::move(owned));
    ++connections_;
    connect(socket, &QTcpSocket::readyRead, this, [this, ch] { OnInput(*ch); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, ch] { Pump(*ch); });
    connect(socket, &QTcpSocket::disconnected, this, [this, ch] { CloseChannel(*ch); });
    if (socket->bytesAvailable() > 0) OnInput(*ch);
  }
}

bool UnitSim::OpenPty(std::string* error) {
  PtyPair pair;
  if (!OpenRawPty(&pair, error)) {
    ClosePty();
    return false;
  }
  ptyMaster_ = pair.master;
  ptySlave_ = pair.slave;
  ptyPath_ = pair.path;
  if (options_.holdPort) {
    // Another program holding the port: Qt's serial port takes the lock
    // file a second opener finds.
    holder_ = std::make_unique<QSerialPort>(QString::fromLatin1(ptyPath_.c_str()));
    if (!holder_->open(QIODevice::ReadWrite)) {
      if (error) *error = "cannot hold " + ptyPath_ + ": " + holder_->errorString().toStdString();
      holder_.reset();
      ClosePty();
      return false;
    }
  }

  auto owned = std::make_unique<Channel>();
  Channel* ch = owned.get();
  ch->serial = true;
  ch->fd = ptyMaster_;
  ch->readNotifier = std::make_unique<QSocketNotifier>(ptyMaster_, QSocketNotifier::Read);
  connect(ch->readNotifier.get(), &QSocketNotifier::activated, this, [this, ch] { OnInput(*ch); });
  ch->writeNotifier = std::make_unique<QSocketNotifier>(ptyMaster_, QSocketNotifier::Write);
  ch->writeNotifier->setEnabled(false);
  connect(ch->writeNotifier.get(), &QSocketNotifier::activated, this, [this, ch] {
    ch->writeNotifier->setEnabled(false);
    Pump(*ch);
  });
  ch->quietTimer = std::make_unique<QTimer>();
  ch->quietTimer->setSingleShot(true);
  connect(ch->quietTimer.get(), &QTimer::timeout, this, [this, ch] {
    // Bytes still on the line are no silence; the next read looks again.
    if (!ch->closed && !ch->readHeld && ch->inCommand && !ch->input.empty() && ch->input.back() == ']')
      TakeSerialCommand(*ch, ch->input.size());
  });
  channels_.push_back(std::move(owned));
  ++connections_;
  if (options_.hangupAfterMs >= 0) QTimer::singleShot(options_.hangupAfterMs, this, [this] { ClosePty(); });
  return true;
}

void UnitSim::ClosePty() {
  holder_.reset();
  for (auto& ch : channels_) {
    if (ch->serial && !ch->closed) {
      ch->readNotifier.reset();
      ch->writeNotifier.reset();
      ch->paceTimer.reset();
      ch->readTimer.reset();
      ch->quietTimer.reset();
      ch->trickleTimer.reset();
      ch->closed = true;
      ch->fd = -1;
    }
  }
  if (ptyMaster_ >= 0) {
    ClosePtyEnd(ptyMaster_);
    ptyMaster_ = -1;
    emit Closed();
  }
  if (ptySlave_ >= 0) {
    ClosePtyEnd(ptySlave_);
    ptySlave_ = -1;
  }
}

void UnitSim::CloseChannel(Channel& ch) {
  if (ch.closed) return;
  if (ch.serial) {
    ClosePty();
    return;
  }
  ch.closed = true;
  ch.paceTimer.reset();
  ch.readTimer.reset();
  ch.trickleTimer.reset();
  if (ch.socket) {
    QObject::disconnect(ch.socket, nullptr, this, nullptr);
    ch.socket->abort();
    ch.socket->deleteLater();
    ch.socket = nullptr;
  }
  emit Closed();
}

void UnitSim::OnInput(Channel& ch) {
  if (ch.closed) return;
  if (ch.closing) {
    if (ch.socket) ch.socket->readAll();
    return;
  }
  // Paced, no more than the line has carried since the last byte taken.
  std::size_t limit = SIZE_MAX;
  if (options_.pace) {
    if (!ch.readHeld) ch.readPace.Resume(clock_.elapsed());
    const qint64 budget = ch.readPace.Budget(clock_.elapsed());
    if (budget <= 0) {
      WaitToRead(ch);
      return;
    }
    limit = static_cast<std::size_t>(budget);
  }
  std::size_t taken = 0;
  if (ch.serial) {
    char buffer[4096];
    while (taken < limit) {
      const long n = ReadPty(ch.fd, buffer, std::min(sizeof buffer, limit - taken));
      if (n > 0) {
        ch.input.append(buffer, static_cast<std::size_t>(n));
        taken += static_cast<std::size_t>(n);
        continue;
      }
      if (n != kPtyWouldBlock) {
        // Nothing will come from a broken pair; stop listening to it.
        if (ch.readNotifier) ch.readNotifier->setEnabled(false);
      }
      break;
    }
  } else {
    const QByteArray bytes =
        options_.pace ? ch.socket->read(static_cast<qint64>(limit)) : ch.socket->readAll();
    ch.input.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    taken = static_cast<std::size_t>(bytes.size());
  }
  bytesTaken_ += static_cast<std::int64_t>(taken);
  if (options_.pace) {
    ch.readPace.Pass(static_cast<qint64>(taken));
    ch.readHeld = taken == limit || (ch.socket && ch.socket->bytesAvailable() > 0);
    if (ch.readHeld) WaitToRead(ch);
  }
  if (options_.loopback) {
    // A plug that joins the transmit and receive lines: every byte back.
    std::string back;
    back.swap(ch.input);
    Send(ch, back);
    return;
  }
  if (ch.serial) {
    ParseSerial(ch);
  } else {
    ParseTelnet(ch);
  }
}

// Paced: takes more from the line once its next byte is due.
void UnitSim::WaitToRead(Channel& ch) {
  ch.readHeld = true;
  // A pty's notifier would fire without end while bytes wait.
  if (ch.readNotifier) ch.readNotifier->setEnabled(false);
  if (!ch.readTimer) {
    ch.readTimer = std::make_unique<QTimer>();
    ch.readTimer->setSingleShot(true);
    ch.readTimer->setTimerType(Qt::PreciseTimer);
    connect(ch.readTimer.get(), &QTimer::timeout, this, [this, &ch] {
      if (ch.readNotifier) ch.readNotifier->setEnabled(true);
      OnInput(ch);
    });
  }
  if (!ch.readTimer->isActive()) ch.readTimer->start(ch.readPace.WaitMs(clock_.elapsed()));
}

// Telnet: the bare "[]" and "[QXSB]" of the program, and command lines each
// ended by LF CR.
void UnitSim::ParseTelnet(Channel& ch) {
  static const std::string kQuery = "[QXSB]";
  while (!ch.closed && !ch.closing && !ch.input.empty()) {
    std::string& in = ch.input;
    if (in.front() == '\r' || in.front() == '\n') {
      in.erase(0, 1);
      continue;
    }
    if (in.compare(0, 2, "[]") == 0) {
      in.erase(0, 2);
      ++syncs_;
      if (options_.floodReplies) {
        ch.refill = Channel::Refill::Replies;
        Pump(ch);
      } else if (!options_.silent) {
        Send(ch, options_.reply == SimOptions::Reply::Echo ? "[]\r\n" : "(ERROR)\r\n");
      }
      continue;
    }
    if (in.size() < kQuery.size() && kQuery.compare(0, in.size(), in) == 0) return;  // maybe the query
    if (in.compare(0, kQuery.size(), kQuery) == 0) {
      in.erase(0, kQuery.size());
      Dump(ch);
      continue;
    }
    const std::size_t end = in.find("\n\r");
    if (end == std::string::npos) {
      // A line ended the other way round is noted, not accepted.
      const std::size_t wrong = in.find("\r\n");
      if (wrong != std::string::npos) {
        ++badTerminators_;
        in.erase(0, wrong + 2);
        continue;
      }
      if (in.size() > kMaxInput) in.clear();
      return;
    }
    const std::string line = in.substr(0, end);
    in.erase(0, end + 2);
    Answer(ch, line);
  }
}

// Serial: bare commands, each from its "[" to a "]" outside quotes. A name
// may hold any bytes, quotes and brackets included, so a "]" while the
// quotes do not pair up also ends the command once nothing follows it for
// a moment.
void UnitSim::ParseSerial(Channel& ch) {
  std::string& in = ch.input;
  while (!ch.closed && !ch.closing) {
    if (!ch.inCommand) {
      const std::size_t open = in.find('[');
      if (open == std::string::npos) {
        in.clear();
        return;
      }
      in.erase(0, open);
      ch.inCommand = true;
      ch.inQuotes = false;
      ch.scanAt = 1;
    }
    std::size_t end = 0;
    while (ch.scanAt < in.size() && end == 0) {
      const char c = in[ch.scanAt++];
      if (c == '"') ch.inQuotes = !ch.inQuotes;
      if (c == ']' && !ch.inQuotes) end = ch.scanAt;
    }
    if (end == 0) {
      if (in.back() == ']') {
        ch.quietTimer->start(kSerialQuietMs);
      } else {
        ch.quietTimer->stop();
      }
      if (in.size() > kMaxInput) {
        in.clear();
        ch.inCommand = false;
      }
      return;
    }
    TakeSerialCommand(ch, end);
  }
}

// Answers the first `length` bytes of the input, a whole command.
void UnitSim::TakeSerialCommand(Channel& ch, std::size_t length) {
  const std::string command = ch.input.substr(0, length);
  ch.input.erase(0, length);
  ch.inCommand = false;
  ch.scanAt = 0;
  if (ch.quietTimer) ch.quietTimer->stop();
  if (command == "[QXSB]") {
    Dump(ch);
  } else {
    Answer(ch, command);
  }
}

void UnitSim::Dump(Channel& ch) {
  ++queries_;
  if (options_.silent) return;
  memory_.Update(options_.configLines);
  const std::string eol = options_.crlf ? "\r\n" : "\r";
  const std::size_t count =
      options_.closeMidImport ? options_.configLines.size() / 2 : options_.configLines.size();
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += options_.configLines[i];
    text += eol;
    if (options_.junk) text += kJunk;
  }
  if (options_.closeMidImport) {
    ch.closeWhenFlushed = true;
    ch.closing = true;
  } else if (options_.endless) {
    ch.refill = Channel::Refill::Config;
  } else if (options_.endlessDropped) {
    ch.refill = Channel::Refill::Dropped;
  } else if (options_.trickle != SimOptions::Trickle::None) {
    const std::string line = options_.configLines.empty() ? "[]" : options_.configLines.front();
    switch (options_.trickle) {
      case SimOptions::Trickle::BareCr:
        StartTrickle(ch, text, "\r");
        break;
      case SimOptions::Trickle::Unended:
        StartTrickle(ch, text + "[", "x");
        break;
      default:
        StartTrickle(ch, text, line + eol);
        break;
    }
    return;
  } else if (!options_.noEndMarker) {
    text += ch.serial ? "(QX)" : "[QXSB]";
    if (options_.trailingBytes) text += std::string(kSimTrailingCommand) + eol;
  }
  Send(ch, text);
}

void UnitSim::Answer(Channel& ch, const std::string& line) {
  const int number = ++commandsReceived_;
  recorded_.push_back(line);
  emit CommandRecorded(line);
  if (ch.closed) return;
  if (options_.floodReplies && ch.refill == Channel::Refill::None) {
    ch.refill = Channel::Refill::Replies;
    Pump(ch);
    return;
  }
  if (options_.silent) return;
  if (options_.trickle != SimOptions::Trickle::None) {
    // Answers trickle in, however many commands come.
    if (!ch.trickleTimer) {
      switch (options_.trickle) {
        case SimOptions::Trickle::BareCr:
          StartTrickle(ch, "", "\r");
          break;
        case SimOptions::Trickle::Unended:
          StartTrickle(ch, "(", "x");
          break;
        default:
          StartTrickle(ch, "", "(OK)\r\n");
          break;
      }
    }
    return;
  }
  const auto listed = [number](const std::vector<int>& numbers) {
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
  };
  const bool ignored = listed(options_.ignoreCommands);
  // A command the unit has no room for is refused, never dropped unsaid.
  const bool refused =
      listed(options_.refuseCommands) ||
      (options_.reply != SimOptions::Reply::Error && !ignored && !memory_.Take(options_.configLines, line));
  if (ignored) emit CommandDropped(line);
  switch (refused ? SimOptions::Reply::Error : options_.reply) {
    case SimOptions::Reply::Ok:
      Send(ch, "(OK)\r\n");
      break;
    case SimOptions::Reply::Echo:
      Send(ch, line + "\r\n");
      break;
    case SimOptions::Reply::Error:
      Send(ch, "(ERROR)\r\n");
      break;
  }
  ++ch.answered;
  if (options_.closeAfter >= 0 && ch.answered >= options_.closeAfter) {
    ch.closeWhenFlushed = true;
    ch.closing = true;
    Pump(ch);
  }
}

void UnitSim::Send(Channel& ch, const std::string& bytes) {
  if (ch.closed) return;
  if (options_.pace && ch.outAt == ch.output.size()) ch.sendPace.Resume(clock_.elapsed());
  if (options_.wrongBaud && !options_.loopback) {
    // A reader at 9600 bps sees a faster sender's bytes as bytes with their
    // high bits set and no line ends: no text at all.
    for (const char c : bytes)
      ch.output += static_cast<char>(0x80 | ((static_cast<unsigned char>(c) * 37 + 11) & 0x7F));
  } else {
    ch.output += bytes;
  }
  Pump(ch);
}

void UnitSim::Pump(Channel& ch) {
  if (ch.pumping) return;
  ch.pumping = true;
  PumpOnce(ch);
  ch.pumping = false;
  FinishIfFlushed(ch);
}

void UnitSim::PumpOnce(Channel& ch) {
  while (!ch.closed) {
    if (ch.refill != Channel::Refill::None && ch.output.size() - ch.outAt < 64 * 1024) {
      switch (ch.refill) {
        case Channel::Refill::Config:
          for (const std::string& line : options_.configLines)
            ch.output += line + (options_.crlf ? "\r\n" : "\r");
          if (options_.configLines.empty()) ch.output += "[]\r";
          break;
        case Channel::Refill::Dropped:
          for (int i = 0; i < 256; ++i) ch.output += kDropped;
          break;
        case Channel::Refill::Replies:
          for (int i = 0; i < 1024; ++i) ch.output += "(OK)\r\n";
          break;
        case Channel::Refill::None:
          break;
      }
    }
    if (ch.outAt > (1u << 20)) {  // drop what has gone out
      ch.output.erase(0, ch.outAt);
      ch.outAt = 0;
    }
    std::size_t allowed = ch.output.size() - ch.outAt;
    if (allowed == 0) break;
    if (options_.pace) {
      const qint64 budget = ch.sendPace.Budget(clock_.elapsed());
      if (budget <= 0) {
        RetryLater(ch, ch.sendPace.WaitMs(clock_.elapsed()));
        return;
      }
      allowed = std::min(allowed, static_cast<std::size_t>(budget));
    }
    const char* data = ch.output.data() + ch.outAt;
    std::size_t written = 0;
    if (ch.serial) {
      const std::size_t chunk = options_.bytePerWrite ? 1 : std::min<std::size_t>(allowed, 4096);
      const long n = WritePty(ch.fd, data, chunk);
      if (n < 0) {
        if (n == kPtyWouldBlock) {
          // The pty does not always report room again once the reader
          // has drained it, so poll as well as wait for the notifier.
          if (ch.writeNotifier) ch.writeNotifier->setEnabled(true);
          RetryLater(ch, 2);
          return;
        }
        ClosePty();
        return;
      }
      written = static_cast<std::size_t>(n);
    } else {
      if (ch.socket->bytesToWrite() > kOutputHigh) return;  // bytesWritten pumps again
      if (options_.bytePerWrite) {
        for (std::size_t i = 0; i < std::min<std::size_t>(allowed, 4096); ++i) {
          ch.socket->write(data + i, 1);
          ch.socket->flush();
          ++written;
        }
      } else {
        written = std::min<std::size_t>(allowed, 64 * 1024);
        ch.socket->write(data, static_cast<qint64>(written));
      }
    }
    ch.outAt += written;
    ch.sendPace.Pass(static_cast<qint64>(written));
    bytesSent_ += static_cast<std::int64_t>(written);
  }
}

void UnitSim::RetryLater(Channel& ch, int ms) {
  if (!ch.paceTimer) {
    ch.paceTimer = std::make_unique<QTimer>();
    ch.paceTimer->setSingleShot(true);
    ch.paceTimer->setTimerType(Qt::PreciseTimer);
    connect(ch.paceTimer.get(), &QTimer::timeout, this, [this, &ch] { Pump(ch); });
  }
  if (!ch.paceTimer->isActive()) ch.paceTimer->start(ms);
}

void UnitSim::StartTrickle(Channel& ch, const std::string& first, const std::string& each) {
  if (!ch.trickleTimer) {
    ch.trickleTimer = std::make_unique<QTimer>();
    connect(ch.trickleTimer.get(), &QTimer::timeout, this, [this, &ch] { Send(ch, ch.trickleEach); });
  }
  ch.trickleEach = each;
  ch.trickleTimer->start(options_.trickleMs);
  if (!first.empty()) Send(ch, first);
}

std::string PrintableCommand(std::string_view command) { return EscapedBytes(command); }

void UnitSim::FinishIfFlushed(Channel& ch) {
  if (!ch.closed && ch.refill == Channel::Refill::None && ch.outAt == ch.output.size() && ch.outAt > 0) {
    ch.output.clear();
    ch.outAt = 0;
    emit OutputDrained();
  }
  if (ch.closed || !ch.closeWhenFlushed || ch.outAt != ch.output.size()) return;
  if (ch.serial) {
    // Give the program a moment to take in the last bytes before the hangup.
    QTimer::singleShot(200, this, [this] { ClosePty(); });
    ch.closeWhenFlushed = false;
  } else {
    ch.closeWhenFlushed = false;
    if (options_.resetOnClose) {
      // No lingering: closing sends a reset instead of a FIN, once the
      // answer has gone out.
      ch.socket->flush();
      ResetOnClose(ch.socket->socketDescriptor());
      CloseChannel(ch);
    } else {
      // A close as a unit makes it: the FIN goes out now and what the
      // program still sends is read and dropped until it closes too, so a
      // line that crossed the close is never answered by a reset.
      ch.socket->flush();
      if (ch.socket->bytesToWrite() == 0) {
        ShutdownSending(ch.socket->socketDescriptor());
      } else {
        ch.socket->disconnectFromHost();
      }
    }
  }
}

}  // namespace zem
