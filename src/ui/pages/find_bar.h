#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;

namespace zem {

// A page's find bar: Ctrl+F opens it over the bottom of the page. What is
// typed is looked for in the names of the page's list or grid, from the
// current item on; Enter and F3 find the next, Shift+Enter and Shift+F3 the
// previous, going round the ends; Escape closes the bar.
class FindBar : public QWidget {
  Q_OBJECT

 public:
  // What a find searches: the names in order, the item shown now (-1:
  // none) and how an item is shown.
  struct Target {
    std::string word;  // "zone", "source"...
    std::function<std::vector<std::string>()> names;
    std::function<int()> current;
    std::function<void(int)> show;
    QWidget* view = nullptr;  // takes the focus back when the bar closes
  };

  // On `page` at `place`; `target` gives the target of each find, as a
  // page with two grids finds in the one used last.
  FindBar(QWidget* page, QRect place, std::function<Target()> target);

  void Open();
  // Finds the next (or previous) item holding the text; `includeCurrent`
  // while the text is being typed.
  void Find(bool forward, bool includeCurrent = false);
  QString StatusText() const;

  static constexpr const char* kWrappedTop = "Wrapped to the top";
  static constexpr const char* kWrappedBottom = "Wrapped to the bottom";

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<Target()> target_;
  QLineEdit* edit_;
  QLabel* status_;
};

}  // namespace zem
