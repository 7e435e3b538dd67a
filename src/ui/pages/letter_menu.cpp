#include "ui/pages/letter_menu.h"

#include <QKeyEvent>

namespace zem {

void LetterMenu::SetLetter(QAction* action, Qt::Key letter) { letters_.push_back({letter, action}); }

void LetterMenu::keyPressEvent(QKeyEvent* event) {
  // Shift gives the capital, which answers as well; with Ctrl or Alt the
  // key is a shortcut, not a letter.
  const Qt::KeyboardModifiers held = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (held == Qt::NoModifier) {
    for (const Letter& letter : letters_) {
      if (letter.key != event->key() || !letter.action->isEnabled() || !letter.action->isVisible()) continue;
      event->accept();
      // As a click on the item: the menu closes, then the item acts.
      QAction* action = letter.action;
      hide();
      action->trigger();
      return;
    }
  }
  QMenu::keyPressEvent(event);
}

}  // namespace zem
