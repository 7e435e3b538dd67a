#pragma once

#include <QComboBox>

namespace zem {

// A drop-down list read the way screen readers on Linux read the toolkit's
// own: its name is the chosen entry, since their bridge passes on names but
// not values. What the list is for (its accessibleName, "DSP Mode") comes
// from the caption label tied to it as its buddy, or, for a list without
// one, as its description.
class DropDownList : public QComboBox {
  Q_OBJECT

 public:
  explicit DropDownList(QWidget* parent = nullptr);
};

}  // namespace zem
