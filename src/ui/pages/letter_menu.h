#pragma once

#include <QMenu>
#include <vector>

namespace zem {

// A popup menu whose items answer the letter their text begins with
// ("A) Audio Only" is chosen with A or a), the way a click chooses them. The
// letters are not marked in the texts: an accelerator mark would change
// them.
class LetterMenu : public QMenu {
  Q_OBJECT

 public:
  explicit LetterMenu(QWidget* parent = nullptr) : QMenu(parent) {}

  // `letter` is a key from Qt::Key_A to Qt::Key_Z.
  void SetLetter(QAction* action, Qt::Key letter);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Letter {
    Qt::Key key;
    QAction* action;
  };
  std::vector<Letter> letters_;
};

}  // namespace zem
