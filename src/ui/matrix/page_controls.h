#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

#include "ui/matrix/color_swatch_widget.h"

namespace zem {

// Controls placed at fixed positions on a page, as the pages are laid out.
inline QLabel* AddPageLabel(QWidget* page, const char* name, const char* text, int left, int top,
                            bool bold = false) {
  auto* label = new QLabel(QString::fromLatin1(text), page);
  label->setObjectName(QString::fromLatin1(name));
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->adjustSize();
  label->move(left, top);
  return label;
}

// Legend swatches are 17 x 13 pixels.
inline ColorSwatchWidget* AddSwatch(QWidget* page, const char* name, const QColor& fill, int left, int top) {
  auto* swatch = new ColorSwatchWidget(fill, page);
  swatch->setObjectName(QString::fromLatin1(name));
  swatch->setGeometry(left, top, 17, 13);
  return swatch;
}

// Enables or disables every control on a page; the page itself stays
// usable, so its tab can still be chosen and shows the controls greyed.
// Popup menus are windows of their own and keep their state.
inline void SetPageControlsEnabled(QWidget* page, bool enabled) {
  for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) child->setEnabled(enabled);
}

}  // namespace zem
