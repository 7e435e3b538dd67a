#include "ui/pages/drop_down_list.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

#include "ui/pages/accessible_factory.h"

namespace zem {

namespace {

// The list's popup and, for a list that can be typed into, its edit field
// are its children, as with the toolkit's own drop-down lists.
class DropDownAccessible : public QAccessibleWidget {
 public:
  explicit DropDownAccessible(DropDownList* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  int childCount() const override { return List()->lineEdit() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(List()->view());
    if (index == 1 && List()->lineEdit()) return QAccessible::queryAccessibleInterface(List()->lineEdit());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (child->object() == List()->view()) return 0;
    if (List()->lineEdit() && child->object() == List()->lineEdit()) return 1;
    return -1;
  }
  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: {
        const QString chosen = Chosen();
        return chosen.isEmpty() ? Caption() : chosen;
      }
      case QAccessible::Value:
        return Chosen();
      case QAccessible::Description: {
        // Said once: not where the name or a label says it already.
        const QString description = QAccessibleWidget::text(t);
        return description.isEmpty() && !Chosen().isEmpty() && !CaptionIsLabel() ? Caption() : description;
      }
      default:
        return QAccessibleWidget::text(t);
    }
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = List()->view()->isVisible();
    state.collapsed = !state.expanded;
    state.editable = List()->isEditable();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name != showMenuAction() && name != pressAction()) {
      QAccessibleWidget::doAction(name);
      return;
    }
    if (List()->view()->isVisible())
      List()->hidePopup();
    else
      List()->showPopup();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  DropDownList* List() const { return static_cast<DropDownList*>(widget()); }
  QString Chosen() const { return List()->lineEdit() ? List()->lineEdit()->text() : List()->currentText(); }
  // What the list is for: its accessibleName, or its caption's text.
  QString Caption() const { return QAccessibleWidget::text(QAccessible::Name); }
  // Whether a label tied to the list already says what it is for.
  bool CaptionIsLabel() const {
    const QString caption = Caption();
    for (const auto& [label, relation] : relations(QAccessible::Label))
      if (label->text(QAccessible::Name) == caption) return true;
    return false;
  }
};

}  // namespace

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
  InstallAccessibleFactory<DropDownList, DropDownAccessible>();
}

}  // namespace zem
