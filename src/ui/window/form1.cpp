#include "ui/window/form1.h"

#include <array>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "ui/favorites/favorites_view.h"
#include "ui/latin1.h"
#include "ui/matrix/groups_view.h"
#include "ui/matrix/restrictions_view.h"
#include "ui/naming/naming_view.h"
#include "ui/options/options_view.h"
#include "ui/pages/page_controls.h"
#include "ui/presets/presets_view.h"
#include "ui/window/memo_view.h"
#include "ui/window/window_font.h"
#include "ui/zoneaudio/zone_audio_view.h"

namespace zem {

namespace {

constexpr int kStatusHeight = 19;

QPlainTextEdit* MakeMemo(const char* name, QWidget* page, QRect geometry) {
  auto* memo = new QPlainTextEdit(page);
  memo->setObjectName(name);
  memo->setGeometry(geometry);
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Read-only text keeps a visible caret off, but can still be selected and copied.
  memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return memo;
}

// The page control's nine captions do not fit its width with the usual
// space around each caption: the space shrinks until they do.
class CompactTabStyle : public QProxyStyle {
 public:
  void SetSpace(int space) { space_ = space; }
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return space_;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  int space_ = 12;
};

void FitTabs(QTabWidget* pages) {
  auto* style = new CompactTabStyle;  // owned by the page control from here
  style->setParent(pages);
  QTabBar* bar = pages->tabBar();
  for (int space = 12; space >= 2; --space) {
    style->SetSpace(space);
    bar->setStyle(style);  // lays the tabs out anew
    if (bar->sizeHint().width() <= pages->width() - 4) break;
  }
}

QAction* MakeAction(const char* name, const QString& text, QObject* parent) {
  auto* action = new QAction(text, parent);
  action->setObjectName(name);
  return action;
}

}  // namespace

TForm1::TForm1(Editor& editor, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), editor_(editor), prompts_(prompts) {
  setObjectName("Form1");
  // "[*]": the mark of unsaved changes, shown only while there are some.
  setWindowTitle("ZEM Configuration[*]");
  setFont(WindowFont());
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Fixed border with system menu and minimise button, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);

  controller_ = new TransferController(editor_, prompts_, this);
  controller_->setObjectName("TransferController");

  BuildMenu();
  BuildPages();

  auto* bar = new QStatusBar(this);
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  statusText_ = new QLabel(bar);
  statusText_->setObjectName("StatusText");
  statusText_->setTextFormat(Qt::PlainText);
  bar->addWidget(statusText_, 1);
  cancelButton_ = new QPushButton("Cancel", bar);
  cancelButton_->setObjectName("CancelButton");
  cancelButton_->setFixedHeight(kStatusHeight - 2);
  cancelButton_->setFocusPolicy(Qt::NoFocus);
  cancelButton_->setVisible(false);
  bar->addPermanentWidget(cancelButton_);
  setStatusBar(bar);
  connect(cancelButton_, &QPushButton::clicked, controller_, &TransferController::Cancel);

  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape_->setObjectName("EscapeShortcut");
  escape_->setContext(Qt::WindowShortcut);
  escape_->setEnabled(false);
  connect(escape_, &QShortcut::activated, this, [this] {
    if (controller_->Busy()) controller_->Cancel();
  });

  editor_.status.SetOnChange([this](const std::string& text) { statusText_->setText(Latin1(text)); });
  statusText_->setText(Latin1(editor_.status.Text()));

  connect(controller_, &TransferController::ModeChanged, this, &TForm1::SyncModeChecks);
  connect(controller_, &TransferController::BusyChanged, this, &TForm1::SyncActions);

  const int menuHeight = menuBar()->sizeHint().height();
  setFixedSize(kClientWidth, menuHeight + kClientHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }

  editor_.SetListener(this);
  SyncModeChecks();
  EditorChanged();
  UpdateModifiedMark();
  // Edits reach the editor from many controls; after any user input the
  // modified mark is checked once more.
  qApp->installEventFilter(this);
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  // The editor outlives the window (tests, the command-line tool): leave it
  // with no callbacks into widgets that are about to go.
  editor_.SetListener(nullptr);
  editor_.status.SetOnChange(nullptr);
  memo2View_.reset();
  memo3View_.reset();
}

std::string TForm1::AboutText() {
  return std::string("ZEM Configuration Utility") + "\n\r" + "ZEM Configuration - V1.4 - Dec 2011";
}

void TForm1::BuildMenu() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("MainMenu1");
  setMenuBar(bar);

  auto* file1 = new QMenu("File", bar);
  file1->setObjectName("File1");
  bar->addMenu(file1);

  file2_ = MakeAction("File2", "File Mode", this);
  serial1_ = MakeAction("Serial1", "Serial Mode", this);
  telnet1_ = MakeAction("Telnet1", "Telnet Mode", this);
  // Optional exclusivity: a cancelled host prompt leaves no mode checked.
  modeGroup_ = new QActionGroup(this);
  modeGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* mode : {file2_, serial1_, telnet1_}) {
    mode->setCheckable(true);
    modeGroup_->addAction(mode);
    file1->addAction(mode);
  }
  file2_->setChecked(true);
  file1->addSeparator()->setObjectName("N3");
  import1_ = MakeAction("Import1", "Import", this);
  export1_ = MakeAction("Export1", "Export", this);
  file1->addAction(import1_);
  file1->addAction(export1_);
  file1->addSeparator()->setObjectName("N1");
  QAction* exit1 = MakeAction("Exit1", "Exit", this);
  file1->addAction(exit1);

  QAction* about1 = MakeAction("About1", "About", this);
  bar->addAction(about1);

  connect(file2_, &QAction::triggered, this, &TForm1::File2Click);
  connect(serial1_, &QAction::triggered, this, &TForm1::Serial1Click);
  connect(telnet1_, &QAction::triggered, this, &TForm1::Telnet1Click);
  connect(import1_, &QAction::triggered, this, &TForm1::Import1Click);
  connect(export1_, &QAction::triggered, this, &TForm1::Export1Click);
  connect(exit1, &QAction::triggered, this, &TForm1::Exit1Click);
  connect(about1, &QAction::triggered, this, &TForm1::About1Click);
}

QWidget* TForm1::BuildConfigurationFilePage() {
  auto* page = new QWidget(pageControl1_);
  page->setObjectName("TabSheet1");
  memo2_ = MakeMemo("Memo2", page, QRect(8, 8, 345, 361));
  memo3_ = MakeMemo("Memo3", page, QRect(360, 8, 321, 361));
  memo2View_ = std::make_unique<MemoView>(editor_.memo2, memo2_);
  memo3View_ = std::make_unique<MemoView>(editor_.memo3, memo3_);
  return page;
}

QWidget* TForm1::BuildCommunicationSettingsPage() {
  // Placeholder controls of a page that is never shown.
  auto* page = new QWidget(pageControl1_);
  page->setObjectName("TabSheet8");
  auto* check = new QCheckBox("CheckBox1", page);
  check->setObjectName("CheckBox1");
  check->move(16, 16);
  const char* names[] = {"Edit1", "Edit2", "Edit3"};
  const char* texts[] = {"Edit1", "Edit2", "Edit2"};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString("Label%1").arg(i + 1), page);
    label->move(16, 48 + 32 * i);
    auto* edit = new QLineEdit(texts[i], page);
    edit->setObjectName(names[i]);
    edit->setGeometry(96, 44 + 32 * i, 121, 21);
  }
  return page;
}

void TForm1::BuildPages() {
  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  client->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
  setCentralWidget(client);

  pageControl1_ = new QTabWidget(client);
  pageControl1_->setObjectName("PageControl1");
  pageControl1_->setGeometry(8, 8, 697, 409);
  pageControl1_->setUsesScrollButtons(true);
  pageControl1_->tabBar()->setAttribute(Qt::WA_Hover, true);

  // Each page belongs to the page control from the start; addTab keeps it there.
  sourceZoneNaming_ = new SourceZoneNamingView(editor_, pageControl1_);
  favoriteGroupNaming_ = new FavoriteGroupNamingView(editor_, pageControl1_);
  zoneAudio_ = new ZoneAudioView(editor_, prompts_, pageControl1_);
  presets_ = new PresetsView(editor_, prompts_, pageControl1_);
  favorites_ = new FavoritesView(editor_, prompts_, pageControl1_);
  groups_ = new GroupsView(editor_, prompts_, pageControl1_);
  restrictions_ = new RestrictionsView(editor_, prompts_, pageControl1_);
  tabSheet8_ = BuildCommunicationSettingsPage();
  options_ = new OptionsView(editor_, prompts_, pageControl1_);

  // In the order of the Page enumeration, which is the tab order.
  const std::array<std::pair<QWidget*, const char*>, kPageCount> pages{{
      {BuildConfigurationFilePage(), "Configuration File"},
      {sourceZoneNaming_, "Source / Zone Naming"},
      {favoriteGroupNaming_, "Favorite / Group Naming"},
      {zoneAudio_, "Zone Audio Controls"},
      {presets_, "EQ Presets"},
      {favorites_, "Favorites"},
      {groups_, "Groups"},
      {restrictions_, "Restrictions"},
      {tabSheet8_, "Communication Settings"},
      {options_, "Options"},
  }};
  for (const auto& [page, caption] : pages) pageControl1_->addTab(page, caption);
  pageControl1_->setTabVisible(static_cast<int>(Page::CommunicationSettings), false);
  FitTabs(pageControl1_);
  pageControl1_->setCurrentIndex(static_cast<int>(Page::ConfigurationFile));

  connect(pageControl1_, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
}

void TForm1::EditorChanged() {
  syncing_ = true;
  {
    const QSignalBlocker block(pageControl1_);
    pageControl1_->setCurrentIndex(static_cast<int>(editor_.ActivePage()));
  }
  pages::SetPageControlsEnabled(tabSheet8_, editor_.PagesEnabled(), pages::Reach::AllDescendants);
  sourceZoneNaming_->SyncFromEditor();
  favoriteGroupNaming_->SyncFromEditor();
  zoneAudio_->SyncFromEditor();
  presets_->SyncFromEditor();
  favorites_->SyncFromEditor();
  groups_->SyncFromEditor();
  restrictions_->SyncFromEditor();
  options_->SyncFromEditor();
  syncing_ = false;
  ScheduleModifiedCheck();
}

void TForm1::PageControl1Change(int index) {
  if (syncing_ || index < 0 || index >= kPageCount) return;
  editor_.PageControl1Change(static_cast<Page>(index));
}

void TForm1::SyncModeChecks() {
  const TransferController::Mode mode = controller_->CheckedMode();
  file2_->setChecked(mode == TransferController::Mode::File);
  serial1_->setChecked(mode == TransferController::Mode::Serial);
  telnet1_->setChecked(mode == TransferController::Mode::Telnet);
  SyncActions();
}

void TForm1::SyncActions() {
  // The controller refuses these while a run waits, and Import and Export
  // while no mode is checked; greyed, the menu says so.
  const bool busy = controller_->Busy();
  const bool modeChecked = controller_->CheckedMode() != TransferController::Mode::None;
  for (QAction* action : {file2_, serial1_, telnet1_}) action->setEnabled(!busy);
  for (QAction* action : {import1_, export1_}) action->setEnabled(!busy && modeChecked);
  cancelButton_->setVisible(busy);
  escape_->setEnabled(busy);
}

void TForm1::UpdateModifiedMark() {
  modifiedCheckPending_ = false;
  setWindowModified(editor_.IsModified());
}

void TForm1::ScheduleModifiedCheck() {
  if (modifiedCheckPending_) return;
  modifiedCheckPending_ = true;
  QTimer::singleShot(0, this, &TForm1::UpdateModifiedMark);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::InputMethod:
      ScheduleModifiedCheck();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm1::ConfirmDiscard() { return !editor_.IsModified() || prompts_.Confirm(kDiscardQuestion); }

void TForm1::File2Click() {
  controller_->File2Click();
  SyncModeChecks();
}

void TForm1::Serial1Click() {
  controller_->Serial1Click();
  SyncModeChecks();
}

void TForm1::Telnet1Click() {
  controller_->Telnet1Click();
  SyncModeChecks();
}

void TForm1::Import1Click() {
  if (controller_->Busy()) return;
  // An import replaces everything: unsaved changes go only with the user's OK.
  if (controller_->CheckedMode() != TransferController::Mode::None && !ConfirmDiscard()) return;
  controller_->Import1Click();
  UpdateModifiedMark();
}

void TForm1::Export1Click() {
  if (controller_->Busy()) return;
  controller_->Export1Click();
  UpdateModifiedMark();
}

void TForm1::Exit1Click() { close(); }

void TForm1::About1Click() { prompts_.ShowInformation(AboutText()); }

void TForm1::closeEvent(QCloseEvent* event) {
  // Exit and the close box alike. During an import nothing counts as
  // unsaved: starting it was the moment to ask.
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  controller_->FormClose();
  QMainWindow::closeEvent(event);
}

}  // namespace zem
