#pragma once

// Names and texts are single bytes end to end: Latin-1 maps every byte to
// one character and back. These two are how the widgets and zemctl's JSON
// turn the configuration's text into QString and back. The other changes of
// form have their own places: names files and the clipboard (UTF-8) in
// editor/names_csv.h, the sheet in SheetText (sheet/sheet_document.h), a
// terminal in zemctl's TerminalText, file names in QFile::encodeName and
// decodeName.

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
