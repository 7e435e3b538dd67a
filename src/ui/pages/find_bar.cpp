#include "ui/pages/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

#include "editor/naming_logic.h"
#include "transfer/latin1.h"

namespace zem {

FindBar::FindBar(QWidget* page, QRect place, std::function<Target()> target)
    : QWidget(page), target_(std::move(target)) {
  setObjectName("FindBar");
  setAutoFillBackground(true);
  setGeometry(place);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  auto* caption = new QLabel("Find:", this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("FindEdit");
  edit_->setAccessibleName("Find a name");
  caption->setBuddy(edit_);
  status_ = new QLabel(this);
  status_->setObjectName("FindStatus");
  status_->setTextFormat(Qt::PlainText);
  auto* close = new QToolButton(this);
  close->setObjectName("FindClose");
  close->setText("x");
  close->setAccessibleName("Close the find bar");
  layout->addWidget(caption);
  layout->addWidget(edit_, 1);
  layout->addWidget(status_, 1);
  layout->addWidget(close);
  hide();

  edit_->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, [this] { Find(true, true); });
  connect(close, &QToolButton::clicked, this, &QWidget::hide);
  const auto shortcut = [page](QKeySequence keys, auto action) {
    auto* s = new QShortcut(keys, page);
    s->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(s, &QShortcut::activated, page, action);
  };
  shortcut(QKeySequence::Find, [this] { Open(); });
  shortcut(QKeySequence(Qt::Key_F3), [this] { Find(true); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { Find(false); });
}

void FindBar::Open() {
  if (!parentWidget()->isEnabled()) return;
  show();
  raise();
  edit_->setFocus(Qt::ShortcutFocusReason);
  edit_->selectAll();
}

QString FindBar::StatusText() const { return status_->text(); }

void FindBar::Find(bool forward, bool includeCurrent) {
  if (!isVisible()) Open();
  const Target target = target_();
  const QString typed = edit_->text();
  if (typed.isEmpty()) {
    status_->clear();
    return;
  }
  const std::string text = Latin1Bytes(typed);
  // A character no name can hold is found nowhere.
  const FoundName found = Latin1(text) == typed
                              ? FindName(target.names(), target.current(), text, forward, includeCurrent)
                              : FoundName{};
  if (found.index < 0) {
    status_->setText(QString("No %1 named like \"%2\"").arg(Latin1(target.word), typed));
    return;
  }
  target.show(found.index);
  status_->setText(found.wrapped ? (forward ? kWrappedTop : kWrappedBottom) : QString());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Find(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      hide();
      if (QWidget* view = target_().view) view->setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zem
