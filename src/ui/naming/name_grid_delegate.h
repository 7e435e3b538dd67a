#pragma once

#include <QStyledItemDelegate>

namespace zem {

// Whether the in-place editor of a name grid takes the typed `text` while
// the cell holds `cellText`: the name key rule for printable characters;
// characters beyond single-byte text are refused; control keys (Backspace,
// Enter, the editing shortcuts) always pass.
bool NameKeyAccepted(const QString& cellText, const QString& text);
// The part of text that reaches the editor other than by typing (an input
// method's commit, a paste, a drop) that the same rule lets into a cell
// holding `cellText`: it ends at the first CR or LF, other control
// characters and characters beyond single-byte text are dropped, and no more
// are taken than bring the name to its limit.
QString NameCommitAccepted(const QString& cellText, const QString& commit);

// Paints the cells of a name grid and edits the names in place: white cells,
// the label column in the button face colour, black text (grey while the
// grid is disabled), labels centred, names 10 pixels from the left, no
// selection highlight; the current cell carries the style's focus frame
// while the grid has the keyboard focus. The editor applies NameKeyAccepted
// per key and NameCommitAccepted to text pasted, dropped or committed by an
// input method; the grid's model cuts whatever else arrives (CommittedName).
class NameGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  static constexpr int kNameIndent = 10;
  // The property of an in-place editor that holds the cell's name as it
  // was when the editor opened.
  static constexpr const char* kNameWhenOpened = "nameWhenOpened";

  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;
};

}  // namespace zem
