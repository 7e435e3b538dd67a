#include "sheet/sheet_pages.h"

#include <QBuffer>
#include <QDate>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <memory>
#include <numeric>

#include "sheet/sheet_curve.h"
#include "sheet/sheet_html.h"

namespace zem {
namespace {

// Sizes in points; greys only, so the sheet prints alike in black and white.
constexpr double kBodySize = 9, kTitleSize = 18, kSectionSize = 14, kSubsectionSize = 11, kRunningSize = 8;
constexpr double kCellPadding = 3, kRule = 0.5;
constexpr double kCurveWidth = 130;  // a picture's width at most
constexpr double kMargin = 15;       // millimetres, all round
// The sheet is laid out and drawn at this resolution, whatever the device:
// text is measured on one PDF device of it, so that a printer, its preview
// and a PDF file all break the pages at the same places.
constexpr int kLayoutDpi = 720;
const QColor kHeaderFill(0xdd, 0xdd, 0xdd);
const QColor kRuleColour(0x88, 0x88, 0x88);

QFont SheetFont(double points, bool bold = false) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// What a page shows: wrapped texts, filled boxes, ruled boxes and lines, pictures.
struct Mark {
  enum class Kind { Text, Fill, Box, Rule, Curve } kind;
  QRectF rect;
  std::shared_ptr<QTextLayout> text;  // Text
  QColor colour;                      // Fill
  BandCurve curve{};                  // Curve
};
using Page = std::vector<Mark>;

// A text wrapped to `width` (at word boundaries, or anywhere in a word
// longer than the line; a '\n' breaks the line), laid out once on `device`
// for measuring and drawing alike.
std::shared_ptr<QTextLayout> Wrapped(QString text, const QFont& font, double width, QPaintDevice& device) {
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  auto layout = std::make_shared<QTextLayout>(text, font, &device);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  layout->beginLayout();
  double height = 0;
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout->endLayout();
  return layout;
}

// One line of text whose baseline starts at `at` (or ends there, or is
// centred on it), in the units of the measuring device.
void DrawLine(QPainter& painter, QPaintDevice& measure, const QString& text, const QFont& font, QPointF at,
              Qt::Alignment align = Qt::AlignLeft) {
  QTextLayout layout(text, font, &measure);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return;
  const double width = line.naturalTextWidth();
  const double dx = align.testFlag(Qt::AlignRight) ? width : align.testFlag(Qt::AlignHCenter) ? width / 2 : 0;
  layout.draw(&painter, at - QPointF(dx, line.ascent()));
}

class Layout {
 public:
  // `area`: the part of the page within the margins, in the units of `measure`.
  Layout(QPaintDevice& measure, QSizeF area)
      : device_(measure),
        pt_(measure.logicalDpiY() / 72.0),
        width_(area.width()),
        top_(QFontMetricsF(SheetFont(kRunningSize), &measure).height() + 8 * pt_),
        bottom_(area.height() - QFontMetricsF(SheetFont(kRunningSize), &measure).height() - 8 * pt_) {
    pages_.emplace_back();
    y_ = top_;
  }

  double Pt() const { return pt_; }
  std::vector<Page> TakePages() { return std::move(pages_); }

  void Section(const SheetSection& section, bool first) {
    if (!first) y_ += 10 * pt_;
    Heading(section.heading, first ? kTitleSize : kSectionSize, !first);
    for (const SheetBlock& block : section.blocks) Block(block);
  }

 private:
  std::shared_ptr<QTextLayout> Wrapped(const QString& text, const QFont& font, double width) const {
    return zem::Wrapped(text, font, width, device_);
  }
  static double HeightOf(const QTextLayout& layout) { return layout.boundingRect().height(); }

  void Place(Mark mark) { pages_.back().push_back(std::move(mark)); }
  void NewPage() {
    pages_.emplace_back();
    y_ = top_;
  }
  // Starts a new page unless `height` still fits on this one (or this page
  // is empty: a thing taller than a page goes on a page of its own).
  void Reserve(double height) {
    if (y_ + height > bottom_ && y_ > top_) NewPage();
  }
  void PlaceText(const std::shared_ptr<QTextLayout>& layout, QPointF at) {
    Place({Mark::Kind::Text, QRectF(at, QSizeF(width_, HeightOf(*layout))), layout, {}, {}});
  }

  void Heading(const QString& text, double size, bool ruled) {
    auto layout = Wrapped(text, SheetFont(size, true), width_);
    const double height = HeightOf(*layout);
    // A heading keeps company with the start of what it heads.
    Reserve(height + 40 * pt_);
    PlaceText(layout, QPointF(0, y_));
    y_ += height + 2 * pt_;
    if (ruled) Place({Mark::Kind::Rule, QRectF(0, y_, width_, 0), {}, {}, {}});
    y_ += 4 * pt_;
  }

  void Block(const SheetBlock& block) {
    switch (block.kind) {
      case SheetBlock::Kind::Subheading:
        y_ += 4 * pt_;
        Heading(block.text, kSubsectionSize, false);
        break;
      case SheetBlock::Kind::Paragraph: {
        auto layout = Wrapped(block.text, SheetFont(kBodySize), width_);
        Reserve(HeightOf(*layout));
        PlaceText(layout, QPointF(0, y_));
        y_ += HeightOf(*layout) + 6 * pt_;
        break;
      }
      case SheetBlock::Kind::Facts:
        Facts(block.facts);
        break;
      case SheetBlock::Kind::Table:
        Table(block.table);
        break;
    }
  }

  void Facts(const std::vector<std::pair<QString, QString>>& facts) {
    const double labelWidth = 100 * pt_;
    for (const auto& [label, value] : facts) {
      auto l = Wrapped(label, SheetFont(kBodySize, true), labelWidth - 6 * pt_);
      auto v = Wrapped(value, SheetFont(kBodySize), width_ - labelWidth);
      const double height = std::max(HeightOf(*l), HeightOf(*v)) + 2 * pt_;
      Reserve(height);
      PlaceText(l, QPointF(0, y_));
      PlaceText(v, QPointF(labelWidth, y_));
      y_ += height;
    }
    y_ += 6 * pt_;
  }

  // A row's cells laid out in their columns, and the row's height.
  struct Row {
    std::vector<std::shared_ptr<QTextLayout>> texts;
    const std::vector<SheetCell>* cells = nullptr;
    double height = 0;
  };
  Row LayOutRow(const SheetTable& table, const std::vector<SheetCell>* cells,
                const std::vector<double>& columns) const {
    const std::vector<QString>& header = table.header;
    Row row;
    row.cells = cells;
    const double pad = kCellPadding * pt_;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const double inner = columns[c] - 2 * pad;
      QString text = cells ? (c < cells->size() ? (*cells)[c].text : QString()) : header[c];
      // A route ("15 V") stays on one line.
      static const QRegularExpression route(QStringLiteral("(\\d) ([AV])\\b"));
      if (table.routes && cells && c > 0) text.replace(route, QStringLiteral("\\1\u00A0\\2"));
      row.texts.push_back(Wrapped(text, SheetFont(kBodySize, cells == nullptr), inner));
      double height = HeightOf(*row.texts.back());
      if (cells && c < cells->size() && (*cells)[c].curve)
        height += CurveScale(inner) * CurveDrawing::kHeight;
      row.height = std::max(row.height, height + 2 * pad);
    }
    return row;
  }
  double CurveScale(double inner) const { return std::min(inner, kCurveWidth * pt_) / CurveDrawing::kWidth; }

  void PlaceRow(const Row& row, const std::vector<double>& columns) {
    const double pad = kCellPadding * pt_;
    double x = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const QRectF cell(x, y_, columns[c], row.height);
      if (!row.cells) Place({Mark::Kind::Fill, cell, {}, kHeaderFill, {}});
      Place({Mark::Kind::Box, cell, {}, {}, {}});
      double textTop = y_ + pad;
      if (row.cells && c < row.cells->size() && (*row.cells)[c].curve) {
        const double scale = CurveScale(columns[c] - 2 * pad);
        Place({Mark::Kind::Curve,
               QRectF(x + pad, textTop, scale * CurveDrawing::kWidth, scale * CurveDrawing::kHeight),
               {},
               {},
               *(*row.cells)[c].curve});
        textTop += scale * CurveDrawing::kHeight;
      }
      PlaceText(row.texts[c], QPointF(x + pad, textTop));
      x += columns[c];
    }
    y_ += row.height;
  }

  void Table(const SheetTable& table) {
    const double total = std::accumulate(table.widths.begin(), table.widths.end(), 0.0);
    std::vector<double> columns;
    for (const int share : table.widths) columns.push_back(width_ * share / total);
    const Row header = LayOutRow(table, nullptr, columns);
    bool headed = false;
    for (const auto& cells : table.rows) {
      const Row row = LayOutRow(table, &cells, columns);
      // Each page the table runs onto starts with its header row.
      if (!headed || y_ + row.height > bottom_) {
        Reserve(header.height + row.height);
        PlaceRow(header, columns);
        headed = true;
      }
      PlaceRow(row, columns);
    }
    if (!headed) PlaceRow(header, columns);
    y_ += 8 * pt_;
  }

  QPaintDevice& device_;
  double pt_, width_, top_, bottom_;
  double y_ = 0;
  std::vector<Page> pages_;
};

void PaintCurve(QPainter& painter, QPaintDevice& measure, const QRectF& rect, const BandCurve& curve,
                double pt) {
  const CurveDrawing d = DrawCurve(curve);
  const double scale = rect.width() / CurveDrawing::kWidth;
  const auto at = [&](QPointF p) { return rect.topLeft() + p * scale; };
  const auto line = [&](const QLineF& l) { return QLineF(at(l.p1()), at(l.p2())); };
  painter.setPen(QPen(QColor(0xbb, 0xbb, 0xbb), 0.5 * scale));
  for (const QLineF& l : d.grid) painter.drawLine(line(l));
  painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 0.8 * scale));
  painter.drawLine(line(d.zero));
  const QFont font = SheetFont(CurveDrawing::kLabelSize * scale / pt);
  painter.setPen(Qt::black);
  for (const CurveDrawing::Label& label : d.labels)
    DrawLine(painter, measure, label.text, font, at(label.at),
             label.rightAligned ? Qt::AlignRight : Qt::AlignHCenter);
  QPainterPath path;
  for (std::size_t i = 0; i < d.points.size(); ++i) {
    if (i == 0) {
      path.moveTo(at(d.points[i]));
    } else {
      path.lineTo(at(d.points[i]));
    }
  }
  painter.setPen(QPen(Qt::black, 1.5 * scale));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  painter.setBrush(Qt::black);
  painter.setPen(Qt::NoPen);
  for (const QPointF& p : d.points) painter.drawEllipse(at(p), 2 * scale, 2 * scale);
  painter.setBrush(Qt::NoBrush);
}

void PaintRunning(QPainter& painter, QPaintDevice& measure, const QSizeF& area, const QString& title,
                  int page, int pages, double pt) {
  const QFont font = SheetFont(kRunningSize);
  const QFontMetricsF metrics(font, &measure);
  painter.setPen(Qt::black);
  DrawLine(painter, measure, metrics.elidedText(title, Qt::ElideRight, area.width()), font,
           QPointF(0, metrics.ascent()));
  painter.setPen(QPen(kRuleColour, kRule * pt));
  const double rule = metrics.height() + 3 * pt;
  painter.drawLine(QLineF(0, rule, area.width(), rule));
  painter.setPen(Qt::black);
  DrawLine(painter, measure, QStringLiteral("Page %1 of %2").arg(page).arg(pages), font,
           QPointF(area.width() / 2, area.height() - metrics.descent()), Qt::AlignHCenter);
}

}  // namespace

QPageSize::PageSizeId LocalePaper(const QLocale& locale) {
  switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Philippines:
    case QLocale::Chile:
    case QLocale::Colombia:
      return QPageSize::Letter;
    default:
      return QPageSize::A4;
  }
}

std::optional<QPageSize::PageSizeId> PaperNamed(std::string_view name) {
  const QString paper = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).toLower();
  if (paper == "a4") return QPageSize::A4;
  if (paper == "letter") return QPageSize::Letter;
  return std::nullopt;
}

QPageLayout SheetPageLayout(const QPageSize& paper, QPageLayout::Orientation orientation) {
  return QPageLayout(paper, orientation, QMarginsF(kMargin, kMargin, kMargin, kMargin),
                     QPageLayout::Millimeter);
}

int PaintSheet(const SheetDocument& sheet, QPagedPaintDevice& device) {
  // The device's paper, within the sheet's own margins; a device that
  // cannot print so near the edge keeps its own, and the pages still
  // stand where they would on any other.
  const QPageLayout page = SheetPageLayout(device.pageLayout().pageSize(), device.pageLayout().orientation());
  device.setPageMargins(page.margins(), page.units());
  QBuffer nowhere;
  QPdfWriter measure(&nowhere);
  measure.setResolution(kLayoutDpi);
  const double unitsPerPoint = kLayoutDpi / 72.0;
  const QSizeF area = page.paintRect(QPageLayout::Point).size() * unitsPerPoint;
  Layout layout(measure, area);
  for (std::size_t i = 0; i < sheet.sections.size(); ++i) layout.Section(sheet.sections[i], i == 0);
  const double pt = layout.Pt();
  const std::vector<Page> pages = layout.TakePages();

  QPainter painter(&device);
  if (!painter.isActive()) return 0;
  // From the device's units and origin (the corner of its printable part)
  // to the layout's.
  const QPointF shift = page.paintRect(QPageLayout::Point).topLeft() -
                        device.pageLayout().paintRect(QPageLayout::Point).topLeft();
  painter.scale(device.logicalDpiX() / double(kLayoutDpi), device.logicalDpiY() / double(kLayoutDpi));
  painter.translate(shift * unitsPerPoint);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) device.newPage();
    PaintRunning(painter, measure, area, sheet.title, static_cast<int>(p + 1), static_cast<int>(pages.size()),
                 pt);
    for (const Mark& mark : pages[p]) {
      switch (mark.kind) {
        case Mark::Kind::Text:
          painter.setPen(Qt::black);
          mark.text->draw(&painter, mark.rect.topLeft());
          break;
        case Mark::Kind::Fill:
          painter.fillRect(mark.rect, mark.colour);
          break;
        case Mark::Kind::Box:
          painter.setPen(QPen(kRuleColour, kRule * pt));
          painter.setBrush(Qt::NoBrush);
          painter.drawRect(mark.rect);
          break;
        case Mark::Kind::Rule:
          painter.setPen(QPen(Qt::black, kRule * 2 * pt));
          painter.drawLine(mark.rect.topLeft(), mark.rect.topRight());
          break;
        case Mark::Kind::Curve:
          PaintCurve(painter, measure, mark.rect, mark.curve, pt);
          break;
      }
    }
  }
  painter.end();
  return static_cast<int>(pages.size());
}

QByteArray SheetPdf(const SheetDocument& sheet, QPageSize::PageSizeId paper) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kLayoutDpi);
    writer.setPageLayout(SheetPageLayout(QPageSize(paper), QPageLayout::Portrait));
    writer.setTitle(sheet.title);
    writer.setCreator(QStringLiteral("ZEM Configuration"));
    PaintSheet(sheet, writer);
  }
  return pdf;
}

std::optional<SheetFormat> SheetFormatFor(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::nullopt;
  const QString extension =
      QString::fromLatin1(path.substr(dot + 1).data(), static_cast<qsizetype>(path.size() - dot - 1))
          .toLower();
  if (extension == "pdf") return SheetFormat::Pdf;
  if (extension == "html" || extension == "htm" || extension == "xhtml") return SheetFormat::Html;
  return std::nullopt;
}

QByteArray SheetFileBytes(const SheetDocument& sheet, SheetFormat format, QPageSize::PageSizeId paper) {
  return format == SheetFormat::Pdf ? SheetPdf(sheet, paper) : SheetHtml(sheet);
}

std::string SheetFile(const ConfigModel& model, const SheetTitleBlock& title, SheetFormat format,
                      QPageSize::PageSizeId paper) {
  const QByteArray bytes = SheetFileBytes(BuildSheet(model, title, QDate::currentDate()), format, paper);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace zem
