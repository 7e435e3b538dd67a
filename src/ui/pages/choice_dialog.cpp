#include "ui/pages/choice_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "transfer/latin1.h"

namespace zem {

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
  buttons_ = new QHBoxLayout;
  layout->addLayout(buttons_);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setObjectName(QString(name) + "Ok");
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
