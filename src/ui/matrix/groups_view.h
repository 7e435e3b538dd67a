#pragma once

#include "ui/matrix/matrix_page_view.h"

namespace zem {

// The page TabSheet7: the groups matrix StringGrid7 and its legend.
class GroupsView : public MatrixPageView {
  Q_OBJECT

 public:
  explicit GroupsView(Editor& editor, QWidget* parent = nullptr);
};

}  // namespace zem
