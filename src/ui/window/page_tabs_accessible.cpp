#include "ui/window/page_tabs_accessible.h"

#include <QAccessible>

namespace zem {
namespace {

// One tab of the page control: its caption, whether it is the page shown,
// and a press that shows its page.
class PageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  PageTabAccessible(QTabBar* bar, int index) : bar_(bar), index_(index) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  bool isValid() const override { return bar_ && index_ < bar_->count(); }
  QObject* object() const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) return state;
    state.selectable = true;
    state.selected = bar_->currentIndex() == index_;
    state.focused = state.selected && bar_->hasFocus();
    state.disabled = !bar_->isEnabled();
    state.invisible = !bar_->isVisible() || !bar_->isTabVisible(index_);
    return state;
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect tab = bar_->tabRect(index_);
    return QRect(bar_->mapToGlobal(tab.topLeft()), tab.size());
  }
  QString text(QAccessible::Text kind) const override {
    if (!isValid()) return {};
    if (kind == QAccessible::Name) return QString(bar_->tabText(index_)).remove('&');
    if (kind == QAccessible::Description) return bar_->tabToolTip(index_);
    return {};
  }
  void setText(QAccessible::Text /*kind*/, const QString& /*text*/) override {}
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
  QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
  QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }

  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (isValid() && name == pressAction()) bar_->setCurrentIndex(index_);
  }
  QStringList keyBindingsForAction(const QString& /*name*/) const override { return {}; }

 private:
  QPointer<QTabBar> bar_;
  int index_;
};

QAccessibleInterface* MakePageTabsAccessible(const QString& className, QObject* object) {
  auto* bar = qobject_cast<QTabBar*>(object);
  if (className == QLatin1String("QTabBar") && bar && bar->objectName() == PageTabsAccessible::kTabBarName)
    // The accessibility framework keeps the interface and deletes it with its object.
    return new PageTabsAccessible(bar);
  return nullptr;
}

}  // namespace

void PageTabsAccessible::InstallFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(MakePageTabsAccessible);
    return true;
  }();
  (void)installed;
}

PageTabsAccessible::PageTabsAccessible(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}

PageTabsAccessible::~PageTabsAccessible() {
  for (const auto& [index, id] : tabs_) QAccessible::deleteAccessibleInterface(id);
}

QTabBar* PageTabsAccessible::Bar() const { return static_cast<QTabBar*>(widget()); }

int PageTabsAccessible::TabShownAt(int position) const {
  for (int i = 0; i < Bar()->count(); ++i)
    if (Bar()->isTabVisible(i) && position-- == 0) return i;
  return -1;
}

int PageTabsAccessible::childCount() const {
  int shown = 0;
  for (int i = 0; i < Bar()->count(); ++i) shown += Bar()->isTabVisible(i) ? 1 : 0;
  return shown;
}

QAccessibleInterface* PageTabsAccessible::child(int index) const {
  const int tab = TabShownAt(index);
  if (tab < 0) return nullptr;
  if (const auto known = tabs_.find(tab); known != tabs_.end())
    return QAccessible::accessibleInterface(known->second);
  auto* made = new PageTabAccessible(Bar(), tab);
  tabs_[tab] = QAccessible::registerAccessibleInterface(made);
  return made;
}

int PageTabsAccessible::indexOfChild(const QAccessibleInterface* child) const {
  for (int position = 0; position < childCount(); ++position)
    if (this->child(position) == child) return position;
  return -1;
}

QAccessibleInterface* PageTabsAccessible::childAt(int x, int y) const {
  const QPoint at = Bar()->mapFromGlobal(QPoint(x, y));
  for (int position = 0; position < childCount(); ++position)
    if (Bar()->tabRect(TabShownAt(position)).contains(at)) return child(position);
  return nullptr;
}

}  // namespace zem
