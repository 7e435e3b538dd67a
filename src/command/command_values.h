#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "command/command_reader.h"
#include "model/config_model.h"

// The conversions that the command table's effects use on a command's fields.
namespace zem::command_values {

// A number failed to convert: the reader logs the line as not parsed, and
// what the effect applied before it stays.
struct ParseFailure {};

// The decimal value of an optional '-' and digits, if it fits in 32 bits.
// Leading zeros do not count against the length.
inline std::optional<std::int32_t> Number(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
    if (value > std::int64_t{INT32_MAX} + 1) return std::nullopt;  // stops long digit runs early
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

inline std::int32_t NumberOrFail(std::string_view text) {
  const std::optional<std::int32_t> value = Number(text);
  if (!value) throw ParseFailure{};
  return *value;
}

// The 8-bit fields keep the low 8 bits of a number, read as signed.
inline std::int8_t Low8(std::int64_t value) {
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
}

// Whether `n` numbers an entry of a table of N entries.
template <int N>
bool In(std::int32_t n) {
  return NumberedTable<int, N>::Contains(n);
}

// Raises a count to `n`, never beyond `limit`; counts only grow.
inline void Raise(int& count, std::int32_t n, int limit) { count = std::min(std::max(count, n), limit); }

// Names entry F1 of `names` F2, cut to a name's length; an empty name
// changes nothing.
template <int N>
void SetName(NumberedTable<std::string, N>& names, const CommandFields& f) {
  if (f.F2.empty()) return;
  const auto n = NumberOrFail(f.F1);
  if (In<N>(n)) names[n] = CutName(f.F2);
}

// Routes source F3 to zone F2 in favorite F1.
inline void SetFavoriteCell(ConfigModel& m, const CommandFields& f, Route route) {
  const auto fav = NumberOrFail(f.F1);
  const auto z = NumberOrFail(f.F2);
  const auto s = NumberOrFail(f.F3);
  if (In<kFavorites>(fav) && In<kZones>(z) && In<kSources>(s)) m.unit.FavoriteStore.Cell(fav, s, z) = route;
}

}  // namespace zem::command_values
