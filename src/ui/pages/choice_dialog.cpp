#include "ui/pages/choice_dialog.h"

#include <QAccessibleWidget>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "transfer/latin1.h"
#include "ui/pages/accessible_factory.h"

namespace zem {

// A button that stays pressed until pressed again.
class ToggleButton : public QPushButton {
  Q_OBJECT

 public:
  ToggleButton(const QString& text, QWidget* parent);
};

namespace {

// The toolkit presents a button that stays pressed as a check box; screen
// readers should hear a button, pressed or not.
class ToggleAccessible : public QAccessibleWidget {
 public:
  explicit ToggleAccessible(ToggleButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    const QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty()) return Button()->text().remove('&');
    return text;
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button()->isChecked();
    state.pressed = Button()->isChecked() || Button()->isDown();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction() || name == toggleAction())
      Button()->click();
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  ToggleButton* Button() const { return static_cast<ToggleButton*>(widget()); }
};

}  // namespace

ToggleButton::ToggleButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setCheckable(true);
  InstallAccessibleFactory<ToggleButton, ToggleAccessible>();
  // The toolkit tells readers of a change of the checked state only.
  connect(this, &QPushButton::toggled, this, [this] {
    QAccessible::State changed;
    changed.pressed = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  });
}

ChoiceDialog::ChoiceDialog(QWidget* parent, const char* name, const QString& title, const QString& prompt,
                           const char* listName, const std::vector<Item>& items, bool multiple)
    : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(title);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* caption = new QLabel(prompt, this);
  caption->setTextFormat(Qt::PlainText);
  layout->addWidget(caption);
  list_ = new QListWidget(this);
  list_->setObjectName(listName);
  list_->setAccessibleName(prompt);
  caption->setBuddy(list_);
  list_->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                                   : QAbstractItemView::SingleSelection);
  for (const Item& item : items) {
    auto* row = new QListWidgetItem(Latin1(item.text), list_);
    row->setData(Qt::UserRole, item.number);
  }
  layout->addWidget(list_);
  options_ = new QVBoxLayout;
  layout->addLayout(options_);
  buttons_ = new QHBoxLayout;
  layout->addLayout(buttons_);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = box->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QString(name) + "Ok");
  box->button(QDialogButtonBox::Cancel)->setObjectName(QString(name) + "Cancel");
  layout->addWidget(box);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  if (list_->count() > 0) list_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void ChoiceDialog::Select(const std::function<bool(int number)>& pick) {
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    item->setSelected(pick(item->data(Qt::UserRole).toInt()));
  }
}

QPushButton* ChoiceDialog::AddToggle(const QString& text, const QString& name,
                                     std::function<bool(int number)> pick) {
  auto* button = new ToggleButton(text, this);
  button->setObjectName(name);
  buttons_->addWidget(button);
  const std::size_t index = toggles_.size();
  toggles_.push_back(Toggle{button, std::move(pick)});
  connect(button, &QPushButton::toggled, this, [this, index](bool pressed) { Toggled(index, pressed); });
  return button;
}

void ChoiceDialog::Toggled(std::size_t index, bool pressed) {
  const auto heldByAnother = [&](int number) {
    for (std::size_t i = 0; i < toggles_.size(); ++i)
      if (i != index && toggles_[i].button->isChecked() && toggles_[i].pick(number)) return true;
    return false;
  };
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    const int number = item->data(Qt::UserRole).toInt();
    if (!toggles_[index].pick(number)) continue;
    if (pressed)
      item->setSelected(true);
    else if (!heldByAnother(number))
      item->setSelected(false);
  }
}

std::vector<int> ChoiceDialog::Chosen() const {
  std::vector<int> numbers;
  for (int row = 0; row < list_->count(); ++row)
    if (list_->item(row)->isSelected()) numbers.push_back(list_->item(row)->data(Qt::UserRole).toInt());
  return numbers;
}

void AddDialogMenu(QAbstractItemView* list, const char* menuName, const char* actionName, const QString& text,
                   std::function<bool()> enabled, std::function<void()> open) {
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(list, &QWidget::customContextMenuRequested, list, [=](QPoint at) {
    auto* menu = new QMenu(list);
    menu->setObjectName(menuName);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* action = menu->addAction(text);
    action->setObjectName(actionName);
    action->setEnabled(enabled());
    QObject::connect(action, &QAction::triggered, list, open);
    menu->popup(list->viewport()->mapToGlobal(at));
  });
}

}  // namespace zem

#include "choice_dialog.moc"
