#include "transfer/telnet_link.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>

#include "transfer/receive_monitor.h"

namespace zem {

TelnetLink::TelnetLink(QObject* parent) : QObject(parent) {
  connect(&socket_, &QTcpSocket::readyRead, this, [this] {
    TakeIn();
    wait_.Wake();
  });
  connect(&socket_, &QTcpSocket::connected, &wait_, &EventWait::Wake);
  connect(&socket_, &QTcpSocket::errorOccurred, &wait_, &EventWait::Wake);
  connect(&socket_, &QTcpSocket::disconnected, this, [this] {
    TakeIn();
    if (!closingByUs_) emit LinkStatus("Disconnected.");
    wait_.Wake();
  });
}

TelnetLink::~TelnetLink() {
  closingByUs_ = true;
  socket_.abort();
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
  const qint64 waiting = socket_.bytesAvailable();
  if (waiting <= 0) return;
  // Drop what has been read before appending, so the buffer holds only
  // unread bytes and never grows with a long conversation.
  if (inputAt_ > 0) {
    input_.erase(0, inputAt_);
    inputAt_ = 0;
  }
  const QByteArray bytes = socket_.readAll();
  input_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void TelnetLink::Consume(std::size_t count) {
  inputAt_ += std::min(count, input_.size() - inputAt_);
  if (inputAt_ == input_.size()) ClearInput();
}

bool TelnetLink::PeerGone() const { return socket_.state() != QAbstractSocket::ConnectedState; }

void TelnetLink::Connect() {
  std::string host;
  int port = 0;
  SplitHost(Host, Port, &host, &port);
  const QString qHost = QString::fromLatin1(host.c_str());
  QDeadlineTimer deadline(connectLimitMs_);
  // Every failure names where the connection was going.
  const std::string target =
      (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + std::to_string(port);
  const auto cannotConnect = [&target](const std::string& reason) {
    return LinkFailure("Cannot connect to " + target + ": " + reason);
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
        if (deadline.hasExpired()) throw cannotConnect("Connect timed out.");
        wait_.Wait(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 250)));
      }
    } catch (...) {
      QHostInfo::abortHostLookup(id);
      throw;
    }
    if (found.error() != QHostInfo::NoError)
      throw cannotConnect(found.errorString().toLatin1().toStdString());
    address = QHostAddress();
    for (const QHostAddress& a : found.addresses()) {
      if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        address = a;
        break;
      }
    }
    if (address.isNull()) throw cannotConnect("Host " + host + " has no IPv4 address");
  }

  emit LinkStatus("Connecting to " + address.toString().toLatin1().toStdString() + ".");
  ClearInput();
  closingByUs_ = false;
  socket_.connectToHost(address, static_cast<quint16>(port));
  while (socket_.state() != QAbstractSocket::ConnectedState) {
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
      throw cannotConnect(socket_.errorString().toLatin1().toStdString());
    }
    if (cancelled_ && cancelled_()) {
      closingByUs_ = true;
      socket_.abort();
      throw TransferCancelled{};
    }
    if (deadline.hasExpired()) {
      closingByUs_ = true;
      socket_.abort();
      throw cannotConnect("Connect timed out.");
    }
    wait_.Wait(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 250)));
  }
  // Commands and replies are tiny; without this each reply in two pieces
  // stalls for the delayed acknowledgement.
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  emit LinkStatus("Connected.");
}

void TelnetLink::Disconnect() {
  if (socket_.state() == QAbstractSocket::UnconnectedState) return;
  closingByUs_ = true;
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
  if (PeerGone()) throw LinkFailure(kLinkClosedText, LinkFailure::Kind::Closed);
  if (socket_.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    throw LinkFailure(socket_.errorString().toLatin1().toStdString());
  socket_.flush();
}

void TelnetLink::WaitForInput() {
  for (;;) {
    TakeIn();
    if (HasInput()) return;
    ThrowIfCancelled();
    if (PeerGone()) return;
    wait_.Wait(250);
  }
}

char TelnetLink::ReadChar() {
  WaitForInput();
  if (!HasInput()) throw LinkFailure(kLinkClosedText, LinkFailure::Kind::Closed);
  const char c = input_[inputAt_];
  Consume(1);
  return c;
}

void TelnetLink::CheckPeerClosed() {
  TakeIn();
  if (PeerGone() && !HasInput()) throw LinkFailure(kLinkClosedText, LinkFailure::Kind::Closed);
}

}  // namespace zem
