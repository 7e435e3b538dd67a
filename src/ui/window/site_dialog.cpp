#include "ui/window/site_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zem {

namespace {

// A line of zemctl's JSON is short; one beyond this is not one.
constexpr qsizetype kLineMax = 1 << 20;

enum Column { kUnit, kLink, kState };

QString StateText(const QJsonObject& unit) {
  const QString state = unit.value("state").toString();
  QString text = state;
  if (state == "differs") {
    const int count = unit.value("differences").toInt();
    text = QString(count == 1 ? "%1 difference" : "%1 differences").arg(count);
  }
  // A unit not reached shows the connection check's verdict; its advice,
  // too long for the cell, is the cell's tooltip.
  if (unit.contains("verdict"))
    text += ": " + unit.value("verdict").toString();
  else if (unit.contains("message"))
    text += ": " + unit.value("message").toString();
  return text;
}

}  // namespace

SiteDialog::SiteDialog(Site site, std::string sitePath, QWidget* parent)
    : QDialog(parent), site_(std::move(site)), sitePath_(std::move(sitePath)), readOf_(site_.units.size()) {
  setObjectName("SiteDialog1");
  setWindowTitle(QString::fromUtf8(site_.name.c_str()) + " - Site");
  list_ = new QTableWidget(static_cast<int>(site_.units.size()), 3, this);
  list_->setObjectName("SiteList1");
  list_->setHorizontalHeaderLabels({"Unit", "Link", "State"});
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < list_->rowCount(); ++row) {
    const SiteUnit& unit = site_.units[static_cast<std::size_t>(row)];
    list_->setItem(row, kUnit, new QTableWidgetItem(QString::fromStdString(unit.name)));
    list_->setItem(row, kLink, new QTableWidgetItem(QFile::decodeName(unit.LinkText().c_str())));
    list_->setItem(row, kState, new QTableWidgetItem);
  }
  list_->resizeColumnsToContents();
  list_->selectRow(0);
  refresh_ = new QPushButton("&Refresh", this);
  refresh_->setObjectName("SiteRefresh1");
  open_ = new QPushButton("&Open", this);
  open_->setObjectName("SiteOpen1");
  open_->setDefault(true);
  summary_ = new QLabel(this);
  summary_->setObjectName("SiteSummary1");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary_, 1);
  buttons->addWidget(refresh_);
  buttons->addWidget(open_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  resize(560, 320);

  connect(refresh_, &QPushButton::clicked, this, &SiteDialog::Refresh);
  connect(open_, &QPushButton::clicked, this, &SiteDialog::OpenChosen);
  connect(list_, &QTableWidget::cellDoubleClicked, this, &SiteDialog::OpenChosen);
}

SiteDialog::~SiteDialog() { LetGo(); }

QString SiteDialog::ZemctlPath() {
  const QByteArray chosen = qgetenv("ZEM_ZEMCTL");
  if (!chosen.isEmpty()) return QFile::decodeName(chosen);
  const QString here = QCoreApplication::applicationDirPath();
  // Installed side by side; in the build tree the window is in src/app, zemctl in src/cli.
  const QString found = QStandardPaths::findExecutable("zemctl", {here, here + "/../cli"});
  return found.isEmpty() ? here + "/zemctl" : found;
}

void SiteDialog::LetGo() {
  if (!process_) return;
  QProcess* process = process_;
  process_ = nullptr;
  disconnect(process, nullptr, this, nullptr);
  if (process->state() == QProcess::NotRunning) {
    process->deleteLater();
    return;
  }
  // zemctl site ends its units on SIGTERM, then itself; it is deleted once it has.
  process->setParent(QCoreApplication::instance());
  connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->terminate();
}

void SiteDialog::Refresh() {
  LetGo();
  pending_.clear();
  readOf_.assign(site_.units.size(), std::string());
  for (int row = 0; row < list_->rowCount(); ++row) list_->item(row, kState)->setText("reading...");
  // A folder of this list's own for the reads, gone with the list: what
  // the window took from a read is in its memory by then.
  reads_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/zem-config-site-XXXXXX");
  process_ = new QProcess(this);
  connect(process_, &QProcess::readyReadStandardOutput, this, &SiteDialog::TakeOutput);
  connect(process_, &QProcess::finished, this, &SiteDialog::Finished);
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) Finished();
  });
  QStringList args{"site", "status", QFile::decodeName(sitePath_.c_str()), "--json"};
  if (reads_->isValid()) args << "--reads" << reads_->path();
  summary_->setText("Reading the units...");
  process_->start(ZemctlPath(), args);
}

void SiteDialog::TakeOutput() {
  pending_ += process_->readAllStandardOutput();
  for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
    TakeLine(pending_.left(end));
    pending_.remove(0, end + 1);
  }
  if (pending_.size() > kLineMax) pending_.clear();
}

void SiteDialog::TakeLine(const QByteArray& line) {
  const QJsonObject object = QJsonDocument::fromJson(line).object();
  if (object.value("summary").toBool()) {
    summary_->setText(QString("%1 units: %2 read, %3 not")
                          .arg(object.value("units").toInt())
                          .arg(object.value("ok").toInt())
                          .arg(object.value("failed").toInt()));
    return;
  }
  const std::string name = object.value("unit").toString().toStdString();
  for (std::size_t row = 0; row < site_.units.size(); ++row) {
    if (site_.units[row].name != name) continue;
    QTableWidgetItem* state = list_->item(static_cast<int>(row), kState);
    state->setText(StateText(object));
    state->setToolTip(object.value("message").toString());
    readOf_[row] = QFile::encodeName(object.value("read").toString()).toStdString();
  }
}

void SiteDialog::Finished() {
  if (!process_) return;
  TakeOutput();
  // zemctl could not run, or said nothing for some units: their rows say so.
  const bool failed =
      process_->error() == QProcess::FailedToStart || process_->exitStatus() != QProcess::NormalExit;
  for (int row = 0; row < list_->rowCount(); ++row)
    if (list_->item(row, kState)->text() == "reading...") list_->item(row, kState)->setText("not known");
  if (failed) summary_->setText("zemctl could not be run: " + ZemctlPath());
}

void SiteDialog::OpenChosen() {
  const int row = list_->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= site_.units.size()) return;
  emit OpenUnit(site_.units[static_cast<std::size_t>(row)], readOf_[static_cast<std::size_t>(row)]);
}

}  // namespace zem
