#include "ui/presets/name_edit_widget.h"

#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>

namespace zem {

// Compares each edit with the text before it: a line edit hands the
// validator only the new text.
class NameEditWidget::LengthValidator : public QValidator {
 public:
  LengthValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

  void SetBase(const QString& text) { base_ = text; }

  State validate(QString& input, int& pos) const override {
    const qsizetype allowed = std::max<qsizetype>(limit_, base_.size());
    if (input.size() <= allowed) return Acceptable;
    // Nothing of the edit fits (a keystroke at the limit): refuse it, which
    // keeps the undo history. Otherwise keep what fits of the characters just
    // put in before the cursor, as a paste into a short name does.
    const qsizetype excess = input.size() - allowed;
    if (excess >= input.size() - base_.size() || excess > pos) return Invalid;
    input.remove(pos - excess, excess);
    pos -= static_cast<int>(excess);
    return Acceptable;
  }

 private:
  int limit_;
  QString base_;
};

NameEditWidget::NameEditWidget(int typedLimit, QWidget* parent)
    : QLineEdit(parent), typedLimit_(typedLimit), validator_(new LengthValidator(typedLimit, this)) {
  setValidator(validator_);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { validator_->SetBase(text); });
}

void NameEditWidget::SetTextFromModel(const QString& text) {
  if (this->text() == text) return;
  const QSignalBlocker block(this);
  validator_->SetBase(text);
  setText(text);
}

}  // namespace zem
