#pragma once

#include <QAccessible>
#include <QLatin1String>
#include <QObject>

namespace zem {

// Makes screen readers see every widget of our class `Widget` through the
// interface `Accessible` (constructed from a Widget*). Installed once however
// often it is called; the accessibility framework keeps the interfaces it is
// given and deletes them with their objects.
template <typename Widget, typename Accessible>
void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
      if (className == QLatin1String(Widget::staticMetaObject.className()) && object &&
          object->isWidgetType())
        return new Accessible(static_cast<Widget*>(object));
      return nullptr;
    });
    return true;
  }();
  (void)installed;
}

}  // namespace zem
