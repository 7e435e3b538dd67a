#include "transfer/telnet_link.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>

namespace zem {

namespace {

// A unit that sends without end must not fill memory: the socket holds at
// most this much (beyond it TCP holds the unit back) and so does the link.
constexpr qint64 kReadChunk = 64 * 1024;
// The link tops up from the socket once fewer unread bytes than this remain.
constexpr std::size_t kTopUpBelow = 4096;

}  // namespace

TelnetLink::TelnetLink(QObject* parent) : QObject(parent) {
  socket_.setReadBufferSize(kReadChunk);
  connect(&socket_, &QTcpSocket::readyRead, this, [this] {
    TakeIn();
    wait_.Wake();
  });
  connect(&socket_, &QTcpSocket::connected, &wait_, &EventWait::Wake);
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this] {
    NoteHowPeerEnded();
    wait_.Wake();
  });
  connect(&socket_, &QTcpSocket::disconnected, this, [this] {
    NoteHowPeerEnded();
    TakeIn();
    if (!closingByUs_) emit LinkStatus("Disconnected.");
    wait_.Wake();
  });
}

TelnetLink::~TelnetLink() {
  closingByUs_ = true;
  StopWatching();
  socket_.abort();
}

void TelnetLink::WatchConnection() {
  StopWatching();
  peerFinished_ = false;
  peerReset_ = false;
  watch_.Start(socket_.socketDescriptor());
}

// A close by the unit leaves the connection waiting for ours; a reset ends
// it at once. A unit that closed and then reset a line sent after its close
// still closed the connection.
void TelnetLink::NoteHowPeerEnded() {
  if (!watch_.Watching()) return;
  if (!closingByUs_) peerReset_ = watch_.State() == TcpWatch::PeerState::Gone && !peerFinished_;
  StopWatching();
}

void TelnetLink::StopWatching() { watch_.Stop(); }

LinkFailure TelnetLink::ClosedFailure() const {
  return peerReset_ ? LinkFailure(kLinkResetText, LinkFailure::Kind::Reset)
                    : LinkFailure(kLinkClosedText, LinkFailure::Kind::Closed);
}

std::string TelnetLink::PortProblem(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || text.find(':') != colon || colon + 1 >= text.size()) return {};
  const std::string digits = text.substr(colon + 1);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return {};
  // The ports SplitHost takes.
  if (digits.size() <= 5 && std::stoi(digits) >= 1 && std::stoi(digits) <= 65535) return {};
  return "port " + digits + " is outside 1-65535";
}

void TelnetLink::SplitHost(const std::string& text, int defaultPort, std::string* host, int* port) {
  *host = text;
  *port = defaultPort;
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || text.find(':') != colon || colon + 1 >= text.size()) return;
  const std::string digits = text.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return;
  const int value = std::stoi(digits);
  if (value < 1 || value > 65535) return;
  *host = text.substr(0, colon);
  *port = value;
}

void TelnetLink::ThrowIfCancelled() {
  if (cancelled_ && cancelled_()) throw TransferCancelled{};
}

void TelnetLink::TakeIn() {
  const std::size_t unread = input_.size() - inputAt_;
  if (unread >= kTopUpBelow) return;
  const qint64 waiting = socket_.bytesAvailable();
  if (waiting <= 0) return;
  // Read bytes go once they outnumber the unread ones, so moving the rest
  // to the front costs at most one move per byte taken.
  if (inputAt_ >= unread) {
    input_.erase(0, inputAt_);
    inputAt_ = 0;
  }
  const std::size_t at = input_.size();
  input_.resize(at + static_cast<std::size_t>(std::min(waiting, kReadChunk)));
  const qint64 got = socket_.read(input_.data() + at, static_cast<qint64>(input_.size() - at));
  input_.resize(at + static_cast<std::size_t>(std::max<qint64>(got, 0)));
  if (record_ && got > 0)
    record_->Add(TrafficRecord::Direction::Received, std::string_view(input_).substr(at));
}

void TelnetLink::Consume(std::size_t count) {
  inputAt_ += std::min(count, input_.size() - inputAt_);
  if (inputAt_ == input_.size()) ClearInput();
}

bool TelnetLink::PeerGone() const { return socket_.state() != QAbstractSocket::ConnectedState; }

void TelnetLink::Connect(QDeadlineTimer until) {
  if (const std::string problem = PortProblem(Host); !problem.empty())
    throw LinkFailure("Cannot connect to " + Host + ": " + problem);
  std::string host;
  int port = 0;
  SplitHost(Host, Port, &host, &port);
  const QString qHost = QString::fromLatin1(host.c_str());
  QDeadlineTimer deadline(connectLimitMs_);
  if (until < deadline) deadline = until;
  // Every failure names where the connection was going.
  const std::string target =
      (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + std::to_string(port);
  const auto cannotConnect = [&target](const std::string& reason,
                                       LinkFailure::Kind kind = LinkFailure::Kind::Other) {
    return LinkFailure("Cannot connect to " + target + ": " + reason, kind);
  };

  QHostAddress address;
  if (!address.setAddress(qHost)) {
    emit LinkStatus("Resolving hostname " + host + ".");
    bool done = false;
    QHostInfo found;
    const int id = QHostInfo::lookupHost(qHost, this, [&](const QHostInfo& info) {
      found = info;
      done = true;
      wait_.Wake();
    });
    try {
      while (!done) {
        ThrowIfCancelled();
        if (deadline.hasExpired())
          throw cannotConnect("Connect timed out.", LinkFailure::Kind::ConnectTimedOut);
        wait_.Wait(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 250)));
      }
    } catch (...) {
      QHostInfo::abortHostLookup(id);
      throw;
    }
    if (found.error() != QHostInfo::NoError)
      throw cannotConnect(found.errorString().toLatin1().toStdString(),
                          found.error() == QHostInfo::HostNotFound ? LinkFailure::Kind::HostNotFound
                                                                   : LinkFailure::Kind::Other);
    address = QHostAddress();
    for (const QHostAddress& a : found.addresses()) {
      if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        address = a;
        break;
      }
    }
    if (address.isNull())
      throw cannotConnect("Host " + host + " has no IPv4 address", LinkFailure::Kind::HostNotFound);
  }

  emit LinkStatus("Connecting to " + address.toString().toLatin1().toStdString() + ".");
  ClearInput();
  closingByUs_ = false;
  socket_.connectToHost(address, static_cast<quint16>(port));
  while (socket_.state() != QAbstractSocket::ConnectedState) {
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
      const QAbstractSocket::SocketError error = socket_.error();
      throw cannotConnect(socket_.errorString().toLatin1().toStdString(),
                          error == QAbstractSocket::ConnectionRefusedError ? LinkFailure::Kind::Refused
                          : error == QAbstractSocket::SocketTimeoutError ? LinkFailure::Kind::ConnectTimedOut
                                                                         : LinkFailure::Kind::Other);
    }
    if (cancelled_ && cancelled_()) {
      closingByUs_ = true;
      socket_.abort();
      throw TransferCancelled{};
    }
    if (deadline.hasExpired()) {
      closingByUs_ = true;
      socket_.abort();
      throw cannotConnect("Connect timed out.", LinkFailure::Kind::ConnectTimedOut);
    }
    wait_.Wait(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 250)));
  }
  // Commands and replies are tiny; without this each reply in two pieces
  // stalls for the delayed acknowledgement.
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  WatchConnection();
  emit LinkStatus("Connected.");
}

void TelnetLink::Disconnect() {
  if (socket_.state() == QAbstractSocket::UnconnectedState) return;
  closingByUs_ = true;
  StopWatching();
  emit LinkStatus("Disconnecting.");
  socket_.flush();
  socket_.abort();
  emit LinkStatus("Disconnected.");
}

bool TelnetLink::IsConnected() {
  TakeIn();
  return !PeerGone() || HasInput();
}

void TelnetLink::SendText(std::string_view text) {
  if (watch_.State() == TcpWatch::PeerState::ClosedItsSide) peerFinished_ = true;
  if (PeerGone()) throw ClosedFailure();
  if (record_) record_->Add(TrafficRecord::Direction::Sent, text);
  if (socket_.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    throw LinkFailure(socket_.errorString().toLatin1().toStdString());
  socket_.flush();
}

bool TelnetLink::WaitForInput(QDeadlineTimer until) {
  for (;;) {
    TakeIn();
    if (HasInput()) return true;
    ThrowIfCancelled();
    if (PeerGone()) return true;
    if (until.hasExpired()) return false;
    wait_.Wait(until.isForever() ? 250 : static_cast<int>(std::min<qint64>(until.remainingTime(), 250)));
  }
}

char TelnetLink::ReadChar() {
  WaitForInput();
  if (!HasInput()) throw ClosedFailure();
  const char c = input_[inputAt_];
  Consume(1);
  return c;
}

void TelnetLink::CheckPeerClosed() {
  TakeIn();
  if (PeerGone() && !HasInput()) throw ClosedFailure();
}

}  // namespace zem
