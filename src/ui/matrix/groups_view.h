#pragma once

#include "ui/matrix/matrix_page_view.h"

namespace zem {

// The page "Groups": the groups matrix and its legend.
class GroupsView : public MatrixPageView {
  Q_OBJECT

 public:
  explicit GroupsView(Editor& editor, QWidget* parent = nullptr);
};

}  // namespace zem
