#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QAbstractItemView;
class QBoxLayout;
class QListWidget;
class QPushButton;

namespace zem {

// A dialog that offers a list of numbered items (zones, favorites) to
// choose from. It is opened with open(), never exec(): nothing waits in a
// dialog's loop, and tests choose and press OK as a user would.
class ChoiceDialog : public QDialog {
  Q_OBJECT

 public:
  struct Item {
    int number;
    std::string text;  // single-byte
  };
  // `listName`: the list's objectName; `multiple`: Shift and Ctrl choose
  // several. OK is `name` + "Ok".
  ChoiceDialog(QWidget* parent, const char* name, const QString& title, const QString& prompt,
               const char* listName, const std::vector<Item>& items, bool multiple);

  QListWidget* List() const { return list_; }
  // Room under the list for what the choice is made for.
  QBoxLayout* OptionRow() const { return options_; }
  // A row of buttons above OK and Cancel.
  QBoxLayout* ButtonRow() const { return buttons_; }
  QPushButton* OkButton() const { return ok_; }
  // Chooses the items whose numbers `pick` accepts (and no others).
  void Select(const std::function<bool(int number)>& pick);
  // A button in the button row that stays pressed: pressing it chooses the
  // items `pick` accepts besides those chosen; releasing it unchooses those
  // of them that no other pressed toggle accepts.
  QPushButton* AddToggle(const QString& text, const QString& name, std::function<bool(int number)> pick);
  // The numbers of the chosen items, in list order.
  std::vector<int> Chosen() const;

 private:
  struct Toggle {
    QPushButton* button;
    std::function<bool(int number)> pick;
  };
  void Toggled(std::size_t index, bool pressed);

  QListWidget* list_;
  QBoxLayout* options_;
  QBoxLayout* buttons_;
  QPushButton* ok_;
  std::vector<Toggle> toggles_;
};

// Gives `list` a context menu `menuName` of one item `actionName`, `text`,
// which runs `open` (the command that opens a ChoiceDialog); `enabled` is
// asked each time the menu opens.
void AddDialogMenu(QAbstractItemView* list, const char* menuName, const char* actionName, const QString& text,
                   std::function<bool()> enabled, std::function<void()> open);

}  // namespace zem
