#pragma once

#include <QLineEdit>

namespace zem {

// An edit box that limits what is typed, not what is shown: a text longer
// than the limit (a name from the unit) is shown and kept whole, and typing
// may shorten it, but no keystroke or paste makes a text longer than both
// the limit and what it was before.
class NameEditWidget : public QLineEdit {
 public:
  NameEditWidget(int typedLimit, QWidget* parent = nullptr);

  // Shows `text` as it is, whatever its length; runs no edit handler.
  void SetTextFromModel(const QString& text);
  int TypedLimit() const { return typedLimit_; }

 private:
  class LengthValidator;
  int typedLimit_;
  LengthValidator* validator_;
};

}  // namespace zem
