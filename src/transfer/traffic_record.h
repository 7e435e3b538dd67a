#pragma once

#include <QDateTime>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace zem {

// What passed on the links, both ways, kept in memory for a support person
// to read: each piece with its time and direction, only the newest
// LimitBytes() of it. Nothing is written unless the user asks for it.
class TrafficRecord {
 public:
  enum class Direction { Sent, Received, Note };

  static constexpr std::size_t kDefaultLimit = std::size_t{1} << 20;
  explicit TrafficRecord(std::size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

  // Bytes sent to or received from the unit, at `at` (now by default).
  void Add(Direction direction, std::string_view bytes, const QDateTime& at = QDateTime::currentDateTime());
  // A line of our own among the traffic: "Connected.", "Port opened".
  void Note(std::string_view text, const QDateTime& at = QDateTime::currentDateTime()) {
    Add(Direction::Note, text, at);
  }
  void Clear();

  std::size_t LimitBytes() const { return limit_; }
  // What is held, each piece counted with its overhead; never above the limit.
  std::size_t HeldBytes() const { return held_; }
  // Bytes of traffic left out because the limit was reached.
  std::size_t DroppedBytes() const { return dropped_; }
  bool Empty() const { return pieces_.empty(); }

  // The record as text, one piece a line: "12:34:56.789 > [QXSB]",
  // "<" for received, "*" for a note; every byte outside 32-126, and the
  // backslash, as \xNN. A received piece is broken after each CR so that
  // each line of the unit stands on its own line.
  std::string Text() const;
  // A byte string written as Text() writes it.

 private:
  struct Piece {
    QDateTime at;
    Direction direction;
    std::string bytes;
  };
  // What a piece costs against the limit besides its bytes.
  static constexpr std::size_t kPieceCost = 32;
  void TrimToLimit();

  std::size_t limit_;
  std::deque<Piece> pieces_;
  std::size_t held_ = 0;
  std::size_t dropped_ = 0;
};

}  // namespace zem
