#pragma once

#include <QByteArray>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <optional>
#include <string>
#include <string_view>

#include "sheet/sheet_document.h"

class QPagedPaintDevice;

namespace zem {

// The paper where nothing else names one: Letter where the locale's
// territory uses it (the US, Canada, Mexico, the Philippines, Chile,
// Colombia), else A4.
QPageSize::PageSizeId LocalePaper(const QLocale& locale = QLocale::system());
// "a4" or "letter" (any case); nothing for another name.
std::optional<QPageSize::PageSizeId> PaperNamed(std::string_view name);

// The one page layout of every sheet: the paper, with 15 mm margins.
QPageLayout SheetPageLayout(const QPageSize& paper, QPageLayout::Orientation orientation);

// Lays the sheet out in points on SheetPageLayout of `device`'s paper (it
// sets the device's margins so) and paints it: a running header with the
// title, the footer "Page N of M", tables that break across pages with their
// header row repeated, the curves as vectors. Text is measured alike for
// every device, so a printer, a preview and a PDF of the same paper get the
// same pages with the same text on each. The number of pages.
int PaintSheet(const SheetDocument& sheet, QPagedPaintDevice& device);

// The sheet as a PDF file on `paper`, with 15 mm margins.
QByteArray SheetPdf(const SheetDocument& sheet, QPageSize::PageSizeId paper);

// The two forms of a sheet file, told by the name's extension (any case):
// .pdf, or .html, .htm and .xhtml; nothing for another name.
enum class SheetFormat { Pdf, Html };
std::optional<SheetFormat> SheetFormatFor(std::string_view path);
// The file's bytes in that form.
QByteArray SheetFileBytes(const SheetDocument& sheet, SheetFormat format, QPageSize::PageSizeId paper);
// The file the window's Export Sheet and `zemctl sheet` write: the sheet of
// `model` (which names its sources), dated today, in `format`.
std::string SheetFile(const ConfigModel& model, const SheetTitleBlock& title, SheetFormat format,
                      QPageSize::PageSizeId paper);

}  // namespace zem
