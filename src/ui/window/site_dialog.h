#pragma once

#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "transfer/site_file.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace zem {

// File > Open Site...: the site's units with each one's state, as
// 'zemctl site status --json' reports it, run beside the window when the
// list opens and on Refresh; the rows fill in as each unit answers. Open
// hands the chosen unit, and the read status made of it, to the window.
class SiteDialog : public QDialog {
  Q_OBJECT

 public:
  SiteDialog(Site site, std::string sitePath, QWidget* parent = nullptr);
  ~SiteDialog() override;

  // Runs the status afresh; what a run under way had found is dropped.
  void Refresh();
  // Whether a status run is under way.
  bool Running() const { return process_ && process_->state() != QProcess::NotRunning; }
  // The zemctl the list runs: ZEM_ZEMCTL when set, else the one beside this
  // program (or, in the build tree, in the folder of zemctl's target).
  static QString ZemctlPath();

 signals:
  // `read`: the unit's whole read by the last status (empty when none).
  void OpenUnit(const zem::SiteUnit& unit, const std::string& read);

 private:
  void TakeOutput();
  void TakeLine(const QByteArray& line);
  void Finished();
  void OpenChosen();
  // Ends a run under way without waiting for it: it is told to stop its
  // units and left to end on its own.
  void LetGo();

  Site site_;
  std::string sitePath_;
  QTableWidget* list_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* open_ = nullptr;
  QLabel* summary_ = nullptr;
  QProcess* process_ = nullptr;
  QByteArray pending_;  // a line not ended yet
  std::unique_ptr<QTemporaryDir> reads_;
  std::vector<std::string> readOf_;  // per row
};

}  // namespace zem
