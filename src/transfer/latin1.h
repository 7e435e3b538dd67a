#pragma once

// Names and texts are single bytes end to end: Latin-1 maps every byte to
// one character and back, so the widgets and the JSON forms of zemctl are the
// only places text changes form, and they change it here.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace zem {

inline QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters beyond Latin-1 become "?".
inline std::string Latin1Bytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace zem
