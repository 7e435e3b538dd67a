#pragma once

#include <QComboBox>

namespace zem {

// A drop-down list that assistive technology knows by its own name ("Quick
// EQ file"), with the chosen entry as its value; the toolkit's own would
// give the chosen entry as its name as well, and lose what the list is for.
class DropDownList : public QComboBox {
  Q_OBJECT

 public:
  explicit DropDownList(QWidget* parent = nullptr);
};

}  // namespace zem
