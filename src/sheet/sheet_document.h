#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "model/config_model.h"

namespace zem {

// Ten band gains in dB, band 1 (32 Hz) first.
using BandCurve = std::array<int, kBands>;

// One cell of a table: text, and perhaps a picture of a curve above it.
// Implicit, so a row is written as its texts.
struct SheetCell {
  SheetCell(QString text = {}, std::optional<BandCurve> curve = std::nullopt)
      : text(std::move(text)), curve(curve) {}
  QString text;
  std::optional<BandCurve> curve;
};

// A table with its header row (repeated on every page it runs onto); the
// columns share the width in the proportions given.
struct SheetTable {
  std::vector<QString> header;
  std::vector<int> widths;
  std::vector<std::vector<SheetCell>> rows;
  bool routes = false;  // its cells after the first list routes ("3 A"), each kept on one line
};

// A part of a section: a sub-heading, a paragraph, label/value lines or a table.
struct SheetBlock {
  enum class Kind { Subheading, Paragraph, Facts, Table };
  Kind kind = Kind::Paragraph;
  QString text;                                    // Subheading, Paragraph
  std::vector<std::pair<QString, QString>> facts;  // Facts
  SheetTable table;                                // Table
};

struct SheetSection {
  QString heading;
  std::vector<SheetBlock> blocks;
};

// The handover sheet: what an export of the configuration writes now, for
// people: the title block, sources, zones, the zones' curves, favorites,
// groups and (when there are any) the EQ presets. Every text is ready to
// show: names are their Latin-1 bytes, control bytes written as \xNN.
struct SheetDocument {
  QString title;
  std::vector<SheetSection> sections;
  // How many pictures it holds: the distinct ZQ curves and the presets shown.
  int CurveCount() const;
};

inline const QString kDefaultSheetTitle = QStringLiteral("ZEM Configuration");

// What the person who hands the sheet over says at its top; any field may
// be empty. The site (or client) is the heading and the running header.
struct SheetTitleBlock {
  QString site, address, installer, contact;
  QString notes;  // a few lines
  bool operator==(const SheetTitleBlock&) const = default;
};

// The sheet of `model`'s configuration (it must name its sources: SourceCount
// not -1). An empty site is kDefaultSheetTitle.
SheetDocument BuildSheet(const ConfigModel& model, const SheetTitleBlock& title, QDate date);

// Single-byte text as the sheet shows it: Latin-1, and each control byte
// (0-31, 127 and 128-159, which Latin-1 leaves unprintable) as \xNN.
QString SheetText(std::string_view bytes);
// A name as the sheet shows it: what an export writes (cut to its length),
// or `word` and its number ("Source 4") when that is blank.
QString SheetName(std::string_view name, const char* word, int number);
// A zone, source, favorite or group where another part of the sheet names
// it: its number and name ("2 Bedroom"), or "Zone 2" when the name is blank.
QString SheetReference(std::string_view name, const char* word, int number);
// A title block field as the sheet shows it: each control character as \xNN,
// as in names; with `lines`, line ends (LF, CR LF, CR) stay line breaks
// ('\n') and blank lines at either end go.
QString SheetFieldText(const QString& text, bool lines = false);

}  // namespace zem
