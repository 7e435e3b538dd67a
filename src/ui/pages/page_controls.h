#pragma once

// Small helpers shared by the editor pages' views: building controls at
// fixed places, single-byte text at the widget boundary, and showing a list
// state without running the list's handlers.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QString>
#include <QStyleOptionFocusRect>
#include <QStyleOptionViewItem>
#include <string>
#include <vector>

#include "model/config_model.h"
#include "transfer/latin1.h"
#include "ui/pages/value_slider.h"

namespace zem::pages {

// A control's objectName made of a stem and a number: "TrackBar25".
inline QString Name(const char* stem, int number) {
  return QString::fromLatin1(stem) + QString::number(number);
}

// Sets a label's text; a label that is not centred grows with its text.
inline void SetLabelText(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  label->setText(text);
  if (!(label->alignment() & Qt::AlignHCenter)) label->adjustSize();
}

// A label sized to its text with its top left corner at (x, y).
inline QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y,
                         bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->move(x, y);
  label->adjustSize();
  return label;
}

// Names `control` for assistive technology after the caption `label` that
// stands beside it; the label also passes its focus on to the control.
inline void NameAfterCaption(QWidget* control, QLabel* label) {
  label->setBuddy(control);
  control->setAccessibleName(label->text());
}

// The name of a band's gain slider, with the band's frequency as its
// caption shows it ("1K"): "Band 6 (1 kHz) gain in dB".
inline QString BandSliderName(int band, const QString& caption) {
  const QString frequency = caption.endsWith(u'K') ? caption.chopped(1) + " kHz" : caption + " Hz";
  return QString("Band %1 (%2) gain in dB").arg(band).arg(frequency);
}

// A label of fixed width whose text is centred over (or under) a slider.
inline QLabel* MakeCentredLabel(QWidget* parent, const QString& name, const QString& text, int x, int y,
                                int width) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setGeometry(x, y, width, label->sizeHint().height());
  return label;
}

// A track bar, named for assistive technology by what it sets and in what
// unit ("Volume in dB"), since a screen reader hears only the name and the
// number, and telling it the value as `reading` gives it. Vertical ones have
// their minimum at the top, and the arrow keys move the thumb the way they
// point.
inline void SetUpSlider(ValueSlider* slider, const QString& name, const QString& accessibleName,
                        ValueSlider::Reading reading, int minimum, int maximum, int tickInterval,
                        const QRect& place) {
  slider->setObjectName(name);
  slider->setAccessibleName(accessibleName);
  slider->SetReading(std::move(reading));
  slider->setRange(minimum, maximum);
  slider->setSingleStep(1);
  slider->setPageStep(1);
  slider->setTickInterval(tickInterval);
  slider->setTickPosition(tickInterval > 0 ? QSlider::TicksBothSides : QSlider::NoTicks);
  if (slider->orientation() == Qt::Vertical) {
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
  }
  slider->setGeometry(place);
}

inline ValueSlider* MakeSlider(QWidget* parent, const QString& name, const QString& accessibleName,
                               ValueSlider::Reading reading, Qt::Orientation orientation, int minimum,
                               int maximum, int tickInterval, const QRect& place) {
  auto* slider = new ValueSlider(orientation, parent);
  SetUpSlider(slider, name, accessibleName, std::move(reading), minimum, maximum, tickInterval, place);
  return slider;
}

// The style's focus frame around an item of a view that paints its items
// itself, drawn as the style draws it for its own items: only for the
// current item, and only while the view has the keyboard focus. Only its
// edge is drawn: some styles also tint the inside, which would change the
// colour that tells what the cell holds.
inline void PaintFocusFrame(QPainter& painter, const QStyleOptionViewItem& option, const QColor& background) {
  if (!option.state.testFlag(QStyle::State_HasFocus)) return;
  constexpr int kEdge = 2;
  const QRect inside = option.rect.adjusted(kEdge, kEdge, -kEdge, -kEdge);
  painter.save();
  painter.setClipRegion(QRegion(option.rect).subtracted(QRegion(inside)), Qt::IntersectClip);
  QStyleOptionFocusRect frame;
  frame.QStyleOption::operator=(option);
  frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
  frame.backgroundColor = background;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, widget);
  painter.restore();
}

inline void SetSliderValue(QSlider* slider, int value) {
  const QSignalBlocker block(slider);
  slider->setValue(value);
}

// Shows `list` in a list box: entries are changed in place where the count
// is unchanged, so the selection, the scroll position and any handler that
// is running on the list survive a refresh.
inline void SyncList(QListWidget* box, const ListState& list) {
  const QSignalBlocker block(box);
  const int count = static_cast<int>(list.Items.size());
  if (box->count() != count) {
    box->clear();
    for (const std::string& item : list.Items) box->addItem(Latin1(item));
  } else {
    for (int i = 0; i < count; ++i) {
      const QString text = Latin1(list.Items[static_cast<std::size_t>(i)]);
      if (box->item(i)->text() != text) box->item(i)->setText(text);
    }
  }
  if (list.HasSelection()) {
    if (box->currentRow() != list.Selected || !box->item(list.Selected)->isSelected())
      box->setCurrentRow(list.Selected);
  } else {
    box->clearSelection();
    box->setCurrentRow(-1);
  }
}

// Shows entries and a chosen position (-1: none) in a drop-down list.
inline void SyncCombo(QComboBox* box, const std::vector<std::string>& items, int selected) {
  const QSignalBlocker block(box);
  const int count = static_cast<int>(items.size());
  if (box->count() != count) {
    box->clear();
    for (const std::string& item : items) box->addItem(Latin1(item));
  } else {
    for (int i = 0; i < count; ++i) {
      const QString text = Latin1(items[static_cast<std::size_t>(i)]);
      if (box->itemText(i) != text) box->setItemText(i, text);
    }
  }
  box->setCurrentIndex(selected >= 0 && selected < count ? selected : -1);
}

inline void SyncCombo(QComboBox* box, const ListState& list) {
  SyncCombo(box, list.Items, list.HasSelection() ? list.Selected : -1);
}

// How far SetPageControlsEnabled sets the state: on the controls placed on
// the page, or on every widget inside them as well.
enum class Reach { DirectChildren, AllDescendants };

// Enables or disables the controls on a page; the page itself keeps its
// state, so its tab can still be chosen and shows the controls greyed.
// Windows of their own parented there (dialogs, popup menus) are not
// controls of the page and keep their state.
inline void SetPageControlsEnabled(QWidget* page, bool enabled, Reach reach = Reach::DirectChildren) {
  for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow()) continue;
    child->setEnabled(enabled);
    if (reach == Reach::AllDescendants) SetPageControlsEnabled(child, enabled, reach);
  }
}

}  // namespace zem::pages
