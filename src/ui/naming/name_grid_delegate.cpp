#include "ui/naming/name_grid_delegate.h"

#include <QAbstractItemView>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>

#include "editor/naming_logic.h"
#include "model/config_model.h"
#include "ui/naming/name_grid_model.h"
#include "ui/pages/page_controls.h"

namespace zem {

bool NameKeyAccepted(const QString& cellText, const QString& text) {
  const QByteArray cell = cellText.toLatin1();
  for (const QChar ch : text) {
    const char16_t code = ch.unicode();
    if (code < 32 || code == 127) continue;  // control keys insert nothing by themselves
    if (code > 255) return false;
    if (!NameLengthLimit(std::string_view(cell.constData(), static_cast<std::size_t>(cell.size())),
                         static_cast<char>(code)))
      return false;
  }
  return true;
}

QString NameCommitAccepted(const QString& cellText, const QString& commit) {
  QString accepted;
  const QByteArray cell = cellText.toLatin1();
  std::string name(cell.constData(), static_cast<std::size_t>(cell.size()));
  for (const QChar ch : commit) {
    const char16_t code = ch.unicode();
    if (code == '\r' || code == '\n') break;  // a name is one line
    if (code > 255 || IsControlByte(static_cast<unsigned char>(code))) continue;
    if (!NameLengthLimit(name, static_cast<char>(code))) break;
    name += static_cast<char>(code);
    accepted += ch;
  }
  return accepted;
}

namespace {

// Whether the grid the cell belongs to has more than one name selected.
bool InRange(const QStyleOptionViewItem& option) {
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  if (!view || !view->selectionModel()) return false;
  const QItemSelection selection = view->selectionModel()->selection();
  return selection.size() > 1 || (selection.size() == 1 && selection.front().height() > 1);
}

}  // namespace

void NameGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QRect cell = option.rect;
  const bool labelColumn = index.column() == 0;
  const QPalette& palette = option.palette;
  painter->save();
  // A range of names shows in the style's selection colours; the one
  // current name keeps the cell's own, with the focus frame.
  const bool inRange = !labelColumn && option.state.testFlag(QStyle::State_Selected) && InRange(option);
  const QColor background = labelColumn ? palette.color(QPalette::Active, QPalette::Button)
                            : inRange   ? palette.color(QPalette::Highlight)
                                        : QColor(Qt::white);
  painter->fillRect(cell, background);
  const bool enabled = option.state.testFlag(QStyle::State_Enabled);
  painter->setPen(!enabled  ? palette.color(QPalette::Disabled, QPalette::WindowText)
                  : inRange ? palette.color(QPalette::HighlightedText)
                            : QColor(Qt::black));
  painter->setFont(option.font);
  const QString text = index.data(Qt::DisplayRole).toString();
  const QFontMetrics metrics(option.font);
  const int left = labelColumn ? (cell.width() - metrics.horizontalAdvance(text)) / 2 : kNameIndent;
  const int top = (cell.height() - metrics.height()) / 2;
  painter->setClipRect(cell);
  painter->drawText(QPoint(cell.left() + left, cell.top() + top + metrics.ascent()), text);
  painter->restore();
  pages::PaintFocusFrame(*painter, option, background);
}

QWidget* NameGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                        const QModelIndex& index) const {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName("InplaceEditor");
  if (const auto* names = qobject_cast<const NameGridModel*>(index.model()))
    edit->setAccessibleName(names->CellName(index.row()));
  edit->setFrame(false);
  // The key rule is the only limit; pasted text may be longer.
  edit->setMaxLength(32767);
  // What Escape puts back: the name as the editor found it.
  edit->setProperty(kNameWhenOpened, index.data(Qt::EditRole));
  // Each change reaches the model at once, as the cell's text. Qt declares
  // createEditor const, but the editor's commits are this delegate's signals.
  auto* self = const_cast<NameGridDelegate*>(this);
  connect(edit, &QLineEdit::textEdited, self, [self, edit] { emit self->commitData(edit); });
  return edit;
}

void NameGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  if (!edit) return;
  const QString text = index.data(Qt::EditRole).toString();
  // Setting the same text again would move the caret to the end mid-typing.
  if (edit->text() != text) edit->setText(text);
}

void NameGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& /*index*/) const {
  editor->setGeometry(option.rect);
}

namespace {

// The text of `edit` that stays when typing replaces its selection.
QString KeptText(const QLineEdit* edit) {
  QString kept = edit->text();
  if (edit->hasSelectedText()) kept.remove(edit->selectionStart(), edit->selectedText().size());
  return kept;
}

}  // namespace

bool NameGridDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(object);
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (edit && !edit->isReadOnly() && key->matches(QKeySequence::Paste)) {
      // Pasted text keeps the rule of typed text: one line, within the limit.
      edit->insert(NameCommitAccepted(KeptText(edit), QApplication::clipboard()->text()));
      return true;
    }
    // Other shortcuts type nothing themselves.
    const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (edit && !shortcut && !NameKeyAccepted(edit->text(), key->text())) return true;  // dropped silently
  } else if (event->type() == QEvent::Drop) {
    // Dropped text from elsewhere: the same rule, by passing on only what it allows.
    auto* drop = static_cast<QDropEvent*>(event);
    if (edit && drop->source() != edit && drop->mimeData()->hasText()) {
      const QString allowed = NameCommitAccepted(edit->text(), drop->mimeData()->text());
      if (allowed != drop->mimeData()->text()) {
        QMimeData limitedText;
        limitedText.setText(allowed);
        QDropEvent limited(drop->position(), drop->possibleActions(), &limitedText, drop->buttons(),
                           drop->modifiers());
        QApplication::sendEvent(edit, &limited);
        drop->setDropAction(limited.dropAction());
        drop->setAccepted(limited.isAccepted());
        return true;
      }
    }
  } else if (event->type() == QEvent::InputMethod) {
    // Committed text reaches the editor without a key event: the same limit,
    // applied by passing on only what it allows.
    const auto* input = static_cast<QInputMethodEvent*>(event);
    const QString allowed = edit ? NameCommitAccepted(KeptText(edit), input->commitString()) : QString();
    if (edit && allowed != input->commitString()) {
      QInputMethodEvent limited(input->preeditString(), input->attributes());
      limited.setCommitString(allowed, input->replacementStart(), input->replacementLength());
      QApplication::sendEvent(edit, &limited);
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace zem
