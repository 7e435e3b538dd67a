#pragma once

#include <QMenu>
#include <string>

#include "editor/user_settings.h"

namespace zem {

// File > Open Recent: the files last imported or exported, newest first,
// by their full paths; one no longer there is greyed. "Clear Menu" empties
// the list. The items are made afresh each time the menu opens.
// Items: "RecentFile1".."RecentFile8", "RecentSeparator", "ClearRecent1".
class OpenRecentMenu : public QMenu {
  Q_OBJECT

 public:
  OpenRecentMenu(UserSettings& settings, QWidget* parent);

  void Rebuild();

 signals:
  void FileChosen(const std::string& path);

 private:
  UserSettings& settings_;
};

}  // namespace zem
