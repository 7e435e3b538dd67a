#include "sheet/sheet_html.h"

#include <QXmlStreamWriter>

#include "sheet/sheet_curve.h"

namespace zem {
namespace {

// Greys only, so the sheet reads the same printed in black and white; the
// header row of a long table repeats on each printed page.
constexpr const char* kStyle =
    "body { font-family: 'Liberation Sans', 'DejaVu Sans', sans-serif; font-size: 10pt; color: #000; "
    "margin: 2em; }\n"
    "h1 { font-size: 18pt; } h2 { font-size: 14pt; border-bottom: 1px solid #000; margin-top: 1.5em; }\n"
    "h3 { font-size: 11pt; }\n"
    "table { border-collapse: collapse; width: 100%; margin-bottom: 1em; }\n"
    "thead { display: table-header-group; }\n"
    "th { background: #ddd; text-align: left; }\n"
    "th, td { border: 1px solid #888; padding: 2px 4px; vertical-align: top; }\n"
    "tr { page-break-inside: avoid; }\n"
    "table.facts { width: auto; } table.facts th { background: none; border: none; padding-right: 1em; }\n"
    "table.facts td { border: none; }\n"
    "@media print { body { margin: 0; } }\n";

QString Number(double n) { return QString::number(n, 'f', 1); }

void WriteLine(QXmlStreamWriter& x, const QLineF& line, const char* stroke, const char* width) {
  x.writeEmptyElement("line");
  x.writeAttribute("x1", Number(line.x1()));
  x.writeAttribute("y1", Number(line.y1()));
  x.writeAttribute("x2", Number(line.x2()));
  x.writeAttribute("y2", Number(line.y2()));
  x.writeAttribute("stroke", stroke);
  x.writeAttribute("stroke-width", width);
}

void WriteCurve(QXmlStreamWriter& x, const BandCurve& curve) {
  const CurveDrawing d = DrawCurve(curve);
  x.writeStartElement("svg");
  x.writeDefaultNamespace("http://www.w3.org/2000/svg");
  x.writeAttribute("width", Number(CurveDrawing::kWidth * 1.2));
  x.writeAttribute("height", Number(CurveDrawing::kHeight * 1.2));
  x.writeAttribute("viewBox",
                   QStringLiteral("0 0 %1 %2").arg(CurveDrawing::kWidth).arg(CurveDrawing::kHeight));
  x.writeAttribute("role", "img");
  QString gains;
  for (const int band : curve) gains += (gains.isEmpty() ? "" : " ") + QString::number(band);
  x.writeAttribute("aria-label", "Band gains in dB: " + gains);
  for (const QLineF& line : d.grid) WriteLine(x, line, "#bbb", "0.5");
  WriteLine(x, d.zero, "#555", "0.8");
  for (const CurveDrawing::Label& label : d.labels) {
    x.writeStartElement("text");
    x.writeAttribute("x", Number(label.at.x()));
    x.writeAttribute("y", Number(label.at.y()));
    x.writeAttribute("font-size", Number(CurveDrawing::kLabelSize));
    x.writeAttribute("font-family", "sans-serif");
    x.writeAttribute("text-anchor", label.rightAligned ? "end" : "middle");
    x.writeCharacters(label.text);
    x.writeEndElement();
  }
  QString points;
  for (const QPointF& p : d.points) points += Number(p.x()) + "," + Number(p.y()) + " ";
  x.writeEmptyElement("polyline");
  x.writeAttribute("points", points.trimmed());
  x.writeAttribute("fill", "none");
  x.writeAttribute("stroke", "#000");
  x.writeAttribute("stroke-width", "1.5");
  for (const QPointF& p : d.points) {
    x.writeEmptyElement("circle");
    x.writeAttribute("cx", Number(p.x()));
    x.writeAttribute("cy", Number(p.y()));
    x.writeAttribute("r", "2");
  }
  x.writeEndElement();  // svg
}

void WriteTable(QXmlStreamWriter& x, const SheetTable& table) {
  x.writeStartElement("table");
  x.writeStartElement("thead");
  x.writeStartElement("tr");
  for (const QString& heading : table.header) x.writeTextElement("th", heading);
  x.writeEndElement();
  x.writeEndElement();
  x.writeStartElement("tbody");
  for (const auto& row : table.rows) {
    x.writeStartElement("tr");
    for (const SheetCell& cell : row) {
      x.writeStartElement("td");
      if (cell.curve) WriteCurve(x, *cell.curve);
      if (!cell.text.isEmpty()) x.writeCharacters(cell.text);
      x.writeEndElement();
    }
    x.writeEndElement();
  }
  x.writeEndElement();
  x.writeEndElement();
}

void WriteBlock(QXmlStreamWriter& x, const SheetBlock& block) {
  switch (block.kind) {
    case SheetBlock::Kind::Subheading:
      x.writeTextElement("h3", block.text);
      break;
    case SheetBlock::Kind::Paragraph:
      x.writeTextElement("p", block.text);
      break;
    case SheetBlock::Kind::Facts:
      x.writeStartElement("table");
      x.writeAttribute("class", "facts");
      x.writeStartElement("tbody");
      for (const auto& [label, value] : block.facts) {
        x.writeStartElement("tr");
        x.writeTextElement("th", label);
        // A value of several lines (the notes) keeps its line breaks.
        x.writeStartElement("td");
        const QStringList lines = value.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
          if (i > 0) x.writeEmptyElement("br");
          x.writeCharacters(lines[i]);
        }
        x.writeEndElement();
        x.writeEndElement();
      }
      x.writeEndElement();
      x.writeEndElement();
      break;
    case SheetBlock::Kind::Table:
      WriteTable(x, block.table);
      break;
  }
}

}  // namespace

QByteArray SheetHtml(const SheetDocument& sheet) {
  QByteArray html;
  QXmlStreamWriter x(&html);
  x.setAutoFormatting(true);
  x.setAutoFormattingIndent(1);
  x.writeStartDocument();
  x.writeDTD("<!DOCTYPE html>");
  x.writeStartElement("html");
  x.writeDefaultNamespace("http://www.w3.org/1999/xhtml");
  x.writeAttribute("lang", "en");
  x.writeStartElement("head");
  x.writeEmptyElement("meta");
  x.writeAttribute("charset", "UTF-8");
  x.writeTextElement("title", sheet.title);
  x.writeTextElement("style", kStyle);
  x.writeEndElement();
  x.writeStartElement("body");
  for (std::size_t i = 0; i < sheet.sections.size(); ++i) {
    const SheetSection& section = sheet.sections[i];
    x.writeTextElement(i == 0 ? "h1" : "h2", section.heading);
    for (const SheetBlock& block : section.blocks) WriteBlock(x, block);
  }
  x.writeEndElement();
  x.writeEndElement();
  x.writeEndDocument();
  return html;
}

}  // namespace zem
