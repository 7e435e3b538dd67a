// The record of what passed on the links, bounded, for the support file.
#include "transfer/traffic_record.h"

#include <algorithm>

#include "model/escaped_bytes.h"

namespace zem {

namespace {

// Bytes received within this time of the piece before join it: a unit's
// answer in many small reads reads as one piece. Each write stays its own.
constexpr qint64 kJoinMs = 50;
// A piece grows no longer than this, so that the oldest can be let go.
constexpr std::size_t kMaxPiece = 4096;

}  // namespace

void TrafficRecord::Add(Direction direction, std::string_view bytes, const QDateTime& at) {
  if (bytes.empty() || limit_ == 0) return;
  while (!bytes.empty()) {
    Piece* last = pieces_.empty() ? nullptr : &pieces_.back();
    const bool join = last && direction == Direction::Received && last->direction == direction &&
                      last->bytes.size() < kMaxPiece && last->at.msecsTo(at) <= kJoinMs;
    if (!join) {
      pieces_.push_back(Piece{at, direction, {}});
      held_ += kPieceCost;
      last = &pieces_.back();
    }
    const std::size_t room = direction == Direction::Note ? bytes.size() : kMaxPiece - last->bytes.size();
    const std::size_t n = std::min(room, bytes.size());
    last->bytes.append(bytes.substr(0, n));
    held_ += n;
    bytes.remove_prefix(n);
    TrimToLimit();
  }
}

void TrafficRecord::TrimToLimit() {
  // The oldest go first; of the oldest that stays, its end stays.
  while (held_ > limit_ && !pieces_.empty()) {
    Piece& first = pieces_.front();
    const std::size_t over = held_ - limit_;
    if (over < first.bytes.size()) {
      first.bytes.erase(0, over);
      held_ -= over;
      dropped_ += over;
      return;
    }
    held_ -= first.bytes.size() + kPieceCost;
    dropped_ += first.bytes.size();
    pieces_.pop_front();
  }
}

void TrafficRecord::Clear() {
  pieces_.clear();
  held_ = 0;
  dropped_ = 0;
}

std::string TrafficRecord::Text() const {
  std::string text;
  if (dropped_ > 0)
    text += "(" + std::to_string(dropped_) + " earlier bytes left out: the record keeps the last " +
            std::to_string(limit_) + " bytes)\n";
  for (const Piece& piece : pieces_) {
    const std::string stamp = piece.at.toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
    const char* mark = piece.direction == Direction::Sent       ? " > "
                       : piece.direction == Direction::Received ? " < "
                                                                : " * ";
    const std::string indent(stamp.size() + 3, ' ');
    std::string_view rest = piece.bytes;
    bool first = true;
    while (!rest.empty()) {
      // A received line ends after its CR (and an LF right after it).
      std::size_t end = rest.size();
      if (piece.direction == Direction::Received) {
        const std::size_t cr = rest.find('\r');
        if (cr != std::string_view::npos) end = cr + 1 + (cr + 1 < rest.size() && rest[cr + 1] == '\n');
      }
      text += first ? stamp + mark : indent;
      text += EscapedBytes(rest.substr(0, end));
      text += '\n';
      rest.remove_prefix(end);
      first = false;
    }
  }
  return text;
}

}  // namespace zem
