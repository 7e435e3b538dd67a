#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <QTabBar>
#include <map>

namespace zem {

// What a screen reader is told of the page control's tabs: one page tab for
// each tab shown. Qt's own view lists hidden tabs too, and so would announce
// the page that has none.
class PageTabsAccessible : public QAccessibleWidget {
 public:
  // The tab bar this view is for: the page control's, by this object name.
  static constexpr const char* kTabBarName = "PageTabs";
  // Makes the accessibility framework use this view for that tab bar.
  static void InstallFactory();

  explicit PageTabsAccessible(QTabBar* bar);
  ~PageTabsAccessible() override;

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;

 private:
  QTabBar* Bar() const;
  // The index in the tab bar of the `position`th tab shown; -1 when none.
  int TabShownAt(int position) const;

  mutable std::map<int, QAccessible::Id> tabs_;  // by index in the tab bar
};

}  // namespace zem
