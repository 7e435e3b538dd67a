#pragma once

#include <QByteArray>

#include "sheet/sheet_document.h"

namespace zem {

// The sheet as one XHTML file (UTF-8), its pictures inline <svg> elements.
// Every text goes through the XML writer, so no name can break the markup.
QByteArray SheetHtml(const SheetDocument& sheet);

}  // namespace zem
