#include "ui/window/open_recent_menu.h"

#include <QAction>
#include <QByteArray>
#include <QFile>
#include <filesystem>
#include <system_error>

namespace zem {

namespace {

QByteArray PathBytes(const std::string& path) {
  return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
}

// The path as the menu shows it: '&' would be taken for a mnemonic, a tab
// for the start of a shortcut.
QString ItemText(const std::string& path) {
  QString text = QFile::decodeName(PathBytes(path));
  text.replace('&', "&&");
  text.replace('\t', ' ');
  return text;
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(path), error);
}

}  // namespace

OpenRecentMenu::OpenRecentMenu(UserSettings& settings, QWidget* parent)
    : QMenu("Open &Recent", parent), settings_(settings) {
  setObjectName("OpenRecent1");
  menuAction()->setObjectName("OpenRecentMenu1");
  connect(this, &QMenu::aboutToShow, this, &OpenRecentMenu::Rebuild);
  Rebuild();
}

void OpenRecentMenu::Rebuild() {
  clear();  // deletes the items this menu made
  int number = 0;
  for (const std::string& path : settings_.RecentFiles()) {
    QAction* item = addAction(ItemText(path));
    item->setObjectName(QString("RecentFile%1").arg(++number));
    item->setData(PathBytes(path));
    item->setEnabled(Exists(path));
    connect(item, &QAction::triggered, this, [this, path] { emit FileChosen(path); });
  }
  addSeparator()->setObjectName("RecentSeparator");
  QAction* clearItem = addAction("&Clear Menu");
  clearItem->setObjectName("ClearRecent1");
  clearItem->setEnabled(!settings_.RecentFiles().empty());
  // Queued: the item that was triggered is deleted by the rebuild.
  connect(
      clearItem, &QAction::triggered, this,
      [this] {
        settings_.ClearRecentFiles();
        Rebuild();
      },
      Qt::QueuedConnection);
}

}  // namespace zem
