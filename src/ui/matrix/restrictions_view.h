#pragma once

#include "ui/matrix/matrix_page_view.h"

namespace zem {

// The page "Restrictions": the restrictions matrix with Restrict All and
// Clear All.
class RestrictionsView : public MatrixPageView {
  Q_OBJECT

 public:
  explicit RestrictionsView(Editor& editor, QWidget* parent = nullptr);
};

}  // namespace zem
