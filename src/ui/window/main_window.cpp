#include "ui/window/main_window.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "transfer/compare_with_file.h"
#include "transfer/file_io.h"
#include "transfer/latin1.h"
#include "ui/favorites/favorites_view.h"
#include "ui/matrix/groups_view.h"
#include "ui/matrix/restrictions_view.h"
#include "ui/naming/naming_view.h"
#include "ui/options/options_view.h"
#include "ui/pages/page_controls.h"
#include "ui/presets/presets_view.h"
#include "ui/window/edit_menu.h"
#include "ui/window/page_tabs_accessible.h"
#include "ui/window/text_area_feed.h"
#include "ui/window/window_font.h"
#include "ui/zoneaudio/zone_audio_view.h"

namespace zem {

namespace {

constexpr int kStatusHeight = 19;
// The page control's place in the client area at the window's default size.
constexpr QRect kPagesAtDefault(8, 8, 697, 409);

// A read-only text area over one of the editor's logs: its text can be
// selected and copied, never typed into; long lines scroll sideways.
QPlainTextEdit* MakeTextArea(TextLog& log, const char* name, const QString& accessibleName, QWidget* page,
                             QRect geometry) {
  auto* textArea = new QPlainTextEdit(page);
  textArea->setReadOnly(true);
  textArea->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  textArea->setLineWrapMode(QPlainTextEdit::NoWrap);
  new TextAreaFeed(log, textArea);  // owned by the area
  textArea->setObjectName(name);
  textArea->setAccessibleName(accessibleName);
  textArea->setGeometry(geometry);
  textArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return textArea;
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

// The default size: the client area below the menu bar at the height the
// window's layout gives it, its height for the width (with some styles a
// pixel more than its size hint: the client area would scroll).
QSize DefaultWindowSize(const QMenuBar* bar) {
  const int forWidth = bar->heightForWidth(MainWindow::kClientWidth);
  const int menu = forWidth > 0 ? forWidth : bar->sizeHint().height();
  return {MainWindow::kClientWidth, menu + MainWindow::kClientHeight};
}

QAction* MakeAction(const char* name, const QString& text, QObject* parent) {
  auto* action = new QAction(text, parent);
  action->setObjectName(name);
  return action;
}

}  // namespace

MainWindow::MainWindow(Editor& editor, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), editor_(editor), prompts_(prompts) {
  setObjectName("Form1");
  setFont(WindowFont());
  setAttribute(Qt::WA_DeleteOnClose, false);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);

  controller_ = new TransferController(editor_, prompts_, this);
  controller_->setObjectName("TransferController");
  UpdateTitle();
  controller_->UseUnitChecks(true);

  BuildMenu();
  SetUpSheet();
  BuildPages();
  // A name typed with Live on goes when its editor closes.
  for (NamingPageView* naming :
       {static_cast<NamingPageView*>(sourceZoneNaming_), static_cast<NamingPageView*>(favoriteGroupNaming_)})
    connect(naming, &NamingPageView::NameEditorClosed, this, &MainWindow::SendLiveEdit);
  BuildCopyMenu();
  SetUpOpening();
  SetUpSite();

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
  cancelButton_->setAccessibleName("Cancel transfer");
  // The status line keeps 3 pixels above its items: the button takes the
  // rest of its height, so its bottom edge is not cut off.
  cancelButton_->setFixedHeight(kStatusHeight - 3);
  cancelButton_->setFocusPolicy(Qt::NoFocus);
  cancelButton_->setVisible(false);
  bar->addPermanentWidget(cancelButton_);
  unitState_ = new QLabel(bar);
  unitState_->setObjectName("UnitState1");
  unitState_->setTextFormat(Qt::PlainText);
  bar->addPermanentWidget(unitState_);
  setStatusBar(bar);
  connect(cancelButton_, &QPushButton::clicked, controller_, &TransferController::Cancel);

  escapeShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escapeShortcut_->setObjectName("EscapeShortcut");
  escapeShortcut_->setContext(Qt::WindowShortcut);
  escapeShortcut_->setEnabled(false);
  connect(escapeShortcut_, &QShortcut::activated, this, [this] {
    if (controller_->Busy()) controller_->Cancel();
  });

  editor_.status.SetOnChange([this](const std::string& text) { statusText_->setText(Latin1(text)); });
  statusText_->setText(Latin1(editor_.status.Text()));

  connect(controller_, &TransferController::ModeChanged, this, &MainWindow::SyncModeChecks);
  connect(controller_, &TransferController::BusyChanged, this, &MainWindow::SyncActions);

  // The default size is the smallest, unless the screen is smaller still.
  const QSize defaultSize = DefaultWindowSize(menuBar());
  setMinimumSize(defaultSize);
  resize(defaultSize);
  if (QScreen* screen = QGuiApplication::primaryScreen()) FitInto(screen->availableGeometry());

  editor_.SetListener(this);
  unreturnedNames_.Update(editor_.Model().unit);  // what is there already was not entered
  SyncModeChecks();
  EditorChanged();
  UpdateModifiedMark();
}

MainWindow::~MainWindow() {
  // The editor outlives the window (tests, the command-line tool): leave it
  // with no callbacks into widgets that are about to go.
  editor_.SetListener(nullptr);
  editor_.status.SetOnChange(nullptr);
  // Closing the widgets below may still signal (an open name editor commits
  // and closes): no slot of this window may run once it is gone.
  for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

std::string MainWindow::AboutText() {
  return std::string("ZEM Configuration Utility") + "\n\r" + "ZEM Configuration - V1.4 - Dec 2011";
}

// The captions carry mnemonics ("&File": Alt+F opens the menu); the
// visible text is the caption without the '&'.
void MainWindow::BuildMenu() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("MainMenu1");
  setMenuBar(bar);

  auto* fileMenu = new QMenu("&File", bar);
  fileMenu->setObjectName("File1");
  bar->addMenu(fileMenu);

  fileModeAction_ = MakeAction("File2", "&File Mode", this);
  serialModeAction_ = MakeAction("Serial1", "&Serial Mode", this);
  telnetModeAction_ = MakeAction("Telnet1", "&Telnet Mode", this);
  // Optional exclusivity: a cancelled host prompt leaves no mode checked.
  modeGroup_ = new QActionGroup(this);
  modeGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* mode : {fileModeAction_, serialModeAction_, telnetModeAction_}) {
    mode->setCheckable(true);
    modeGroup_->addAction(mode);
    fileMenu->addAction(mode);
  }
  fileModeAction_->setChecked(true);
  fileMenu->addSeparator()->setObjectName("N3");
  importAction_ = MakeAction("Import1", "&Import", this);
  exportAction_ = MakeAction("Export1", "&Export", this);
  fileMenu->addAction(importAction_);
  fileMenu->addAction(exportAction_);
  exportChangesAction_ = MakeAction("ExportChanges1", "Export C&hanges", this);
  fileMenu->addAction(exportChangesAction_);
  BuildLiveItem(fileMenu);
  // The menu shows only the tooltips set by hand: why Export Changes is greyed.
  fileMenu->setToolTipsVisible(true);
  compareAction_ = MakeAction("CompareWithFile1", "&Compare with File...", this);
  fileMenu->addAction(compareAction_);
  BuildUnitItems(fileMenu);
  BuildLinkItems(fileMenu);
  BuildNamesMenu(fileMenu);
  fileMenu->addSeparator()->setObjectName("N1");
  QAction* exitAction = MakeAction("Exit1", "E&xit", this);
  fileMenu->addAction(exitAction);

  editMenu_ = new EditMenu(editor_, *controller_, bar);
  bar->addMenu(editMenu_);

  QAction* aboutAction = MakeAction("About1", "&About", this);
  bar->addAction(aboutAction);

  connect(fileModeAction_, &QAction::triggered, this, &MainWindow::ChooseFileMode);
  connect(serialModeAction_, &QAction::triggered, this, &MainWindow::ChooseSerialMode);
  connect(telnetModeAction_, &QAction::triggered, this, &MainWindow::ChooseTelnetMode);
  connect(importAction_, &QAction::triggered, this, &MainWindow::ImportConfiguration);
  connect(exportAction_, &QAction::triggered, this, &MainWindow::ExportConfiguration);
  connect(exportChangesAction_, &QAction::triggered, this, &MainWindow::ExportChanges);
  connect(compareAction_, &QAction::triggered, this, &MainWindow::CompareWithFile);
  // Whether a configuration is loaded is asked afresh whenever the menu opens.
  connect(fileMenu, &QMenu::aboutToShow, this, &MainWindow::SyncActions);
  connect(exitAction, &QAction::triggered, this, &MainWindow::Exit);
  connect(aboutAction, &QAction::triggered, this, &MainWindow::ShowAbout);
}

QWidget* MainWindow::BuildConfigurationFilePage() {
  auto* page = new QWidget(pageTabs_);
  page->setObjectName("TabSheet1");
  receivedTextView_ =
      MakeTextArea(editor_.receivedText, "Memo2", "Received text", page, QRect(8, 8, 345, 361));
  messageLogView_ = MakeTextArea(editor_.messageLog, "Memo3", "Message log", page, QRect(360, 8, 321, 361));
  return page;
}

QWidget* MainWindow::BuildCommunicationSettingsPage() {
  // Placeholder controls of a page that is never shown.
  auto* page = new QWidget(pageTabs_);
  page->setObjectName("TabSheet8");
  auto* check = new QCheckBox("CheckBox1", page);
  check->setObjectName("CheckBox1");
  check->setAccessibleName("Placeholder check box");
  check->move(16, 16);
  const char* names[] = {"Edit1", "Edit2", "Edit3"};
  const char* texts[] = {"Edit1", "Edit2", "Edit2"};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString("Label%1").arg(i + 1), page);
    label->move(16, 48 + 32 * i);
    auto* edit = new QLineEdit(texts[i], page);
    edit->setObjectName(names[i]);
    edit->setAccessibleName(QString("Placeholder field %1").arg(i + 1));
    edit->setGeometry(96, 44 + 32 * i, 121, 21);
  }
  return page;
}

void MainWindow::BuildPages() {
  // The client area never shrinks below its default size: a window made
  // smaller than that (a small screen) scrolls it instead.
  auto* scroller = new QScrollArea(this);
  scroller->setObjectName("ClientScroller");
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setFocusPolicy(Qt::NoFocus);
  scroller->setWidgetResizable(true);
  auto* client = new QWidget(scroller);
  client->setObjectName("ClientArea");
  client->setMinimumSize(kClientWidth, kClientHeight - kStatusHeight);
  scroller->setWidget(client);
  setCentralWidget(scroller);
  client->installEventFilter(this);

  pageTabs_ = new QTabWidget(client);
  pageTabs_->setObjectName("PageControl1");
  // Screen readers are told of the tabs shown only; named before anything
  // asks for the tab bar's accessible view, which is then kept.
  PageTabsAccessible::InstallFactory();
  pageTabs_->tabBar()->setObjectName(PageTabsAccessible::kTabBarName);
  pageTabs_->setAccessibleName("Pages");
  pageTabs_->tabBar()->setAccessibleName("Pages");
  pageTabs_->setGeometry(kPagesAtDefault);
  pageTabs_->setUsesScrollButtons(true);
  pageTabs_->tabBar()->setAttribute(Qt::WA_Hover, true);

  // Each page belongs to the page control from the start; addTab keeps it there.
  sourceZoneNaming_ = new SourceZoneNamingView(editor_, pageTabs_);
  favoriteGroupNaming_ = new FavoriteGroupNamingView(editor_, pageTabs_);
  zoneAudio_ = new ZoneAudioView(editor_, prompts_, pageTabs_);
  presets_ = new PresetsView(editor_, prompts_, pageTabs_);
  favorites_ = new FavoritesView(editor_, pageTabs_);
  groups_ = new GroupsView(editor_, pageTabs_);
  restrictions_ = new RestrictionsView(editor_, pageTabs_);
  communicationSettingsPage_ = BuildCommunicationSettingsPage();
  options_ = new OptionsView(editor_, prompts_, pageTabs_);

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
      {communicationSettingsPage_, "Communication Settings"},
      {options_, "Options"},
  }};
  for (const auto& [page, caption] : pages) pageTabs_->addTab(page, caption);
  pageTabs_->setTabVisible(static_cast<int>(Page::CommunicationSettings), false);
  // Ctrl+Tab and the wheel skip disabled tabs but not hidden ones. Only the
  // tab is disabled: the page's controls follow the import as the others do.
  pageTabs_->tabBar()->setTabEnabled(static_cast<int>(Page::CommunicationSettings), false);
  FitTabs(pageTabs_);
  pageTabs_->setCurrentIndex(static_cast<int>(Page::ConfigurationFile));

  connect(pageTabs_, &QTabWidget::currentChanged, this, &MainWindow::PageChosen);

  // The controls that grow with the window, at their default geometry.
  for (const char* name : {"StringGrid1", "StringGrid4", "StringGrid7", "StringGrid2", "StringGrid3",
                           "StringGrid5", "StringGrid6"}) {
    if (auto* grid = pageTabs_->findChild<QWidget*>(name)) tallGrids_.push_back({grid, grid->geometry()});
  }
  receivedTextBase_ = receivedTextView_->geometry();
  messageLogBase_ = messageLogView_->geometry();
}

// The page control fills the client area with the margins it has at the
// default size; the grids grow downwards (the controls to their right keep
// their places) and the two text areas grow downwards and share the width.
void MainWindow::LayOutClient(QSize client) {
  const int extraWidth = std::max(0, client.width() - kClientWidth);
  const int extraHeight = std::max(0, client.height() - (kClientHeight - kStatusHeight));
  pageTabs_->setGeometry(kPagesAtDefault.adjusted(0, 0, extraWidth, extraHeight));
  for (const auto& [grid, base] : tallGrids_) grid->setGeometry(base.adjusted(0, 0, 0, extraHeight));
  const int leftShare = extraWidth / 2;
  receivedTextView_->setGeometry(receivedTextBase_.adjusted(0, 0, leftShare, extraHeight));
  messageLogView_->setGeometry(messageLogBase_.adjusted(leftShare, 0, extraWidth, extraHeight));
}

QRect MainWindow::FitWindow(QSize window, QMargins frame, QRect available) {
  const QRect inside = available.marginsRemoved(frame);
  const QSize size = window.boundedTo(inside.size()).expandedTo(QSize(1, 1));
  QRect placed(QPoint(), size);
  placed.moveCenter(inside.center());
  // Centring cannot push the window off the area's top left: the title bar
  // and the menus stay reachable.
  placed.moveTopLeft(QPoint(std::max(placed.left(), inside.left()), std::max(placed.top(), inside.top())));
  return placed;
}

void MainWindow::FitInto(QRect available) {
  QMargins frame;
  if (QWindow* handle = windowHandle()) frame = handle->frameMargins();
  const QSize defaultSize = DefaultWindowSize(menuBar());
  const QRect placed = FitWindow(size().expandedTo(defaultSize), frame, available);
  setMinimumSize(defaultSize.boundedTo(placed.size()));
  setGeometry(placed);
}

void MainWindow::EditorChanged() {
  syncing_ = true;
  {
    const QSignalBlocker block(pageTabs_);
    pageTabs_->setCurrentIndex(static_cast<int>(editor_.ActivePage()));
  }
  pages::SetPageControlsEnabled(communicationSettingsPage_, editor_.PagesEnabled(),
                                pages::Reach::AllDescendants);
  sourceZoneNaming_->SyncFromEditor();
  favoriteGroupNaming_->SyncFromEditor();
  zoneAudio_->SyncFromEditor();
  presets_->SyncFromEditor();
  favorites_->SyncFromEditor();
  groups_->SyncFromEditor();
  restrictions_->SyncFromEditor();
  options_->SyncFromEditor();
  syncing_ = false;
  ShowHints();
  SyncActions();
  UpdateModifiedMark();
}

void MainWindow::PageChosen(int index) {
  if (syncing_ || index < 0 || index >= kPageCount) return;
  CloseNameEditors();
  editor_.PageChosen(static_cast<Page>(index));
}

void MainWindow::SyncModeChecks() {
  const TransferController::Mode mode = controller_->CheckedMode();
  fileModeAction_->setChecked(mode == TransferController::Mode::File);
  serialModeAction_->setChecked(mode == TransferController::Mode::Serial);
  telnetModeAction_->setChecked(mode == TransferController::Mode::Telnet);
  SyncActions();
}

void MainWindow::SyncActions() {
  // The controller refuses these while a run waits, and Import and Export
  // while no mode is checked; greyed, the menu says so.
  const bool busy = controller_->Busy();
  const bool modeChecked = controller_->CheckedMode() != TransferController::Mode::None;
  for (QAction* action : {fileModeAction_, serialModeAction_, telnetModeAction_}) action->setEnabled(!busy);
  importAction_->setEnabled(!busy && modeChecked);
  // An export and a comparison need a configuration, and never run beside a transfer.
  exportAction_->setEnabled(!busy && modeChecked && editor_.HasConfiguration());
  compareAction_->setEnabled(!busy && editor_.HasConfiguration());
  for (QAction* names : {importNamesAction_, exportNamesAction_})
    names->setEnabled(!busy && editor_.HasConfiguration());
  cancelButton_->setVisible(busy);
  escapeShortcut_->setEnabled(busy);
  SyncUnitItems();
  SyncLinkItems();
  SyncExportChangesAction();
  SyncSheetActions();
}

void MainWindow::SyncExportChangesAction() {
  std::size_t lines = 0;
  const ChangesState state = controller_->ExportChangesState(&lines);
  UpdateTitle();
  ShowUnitState(state, lines);
  // Live is offered as Export Changes is, and its shortcut works unopened.
  SyncLiveItem();
  exportChangesAction_->setEnabled(!controller_->Busy() && state == ChangesState::Ready);
  exportChangesAction_->setToolTip(state == ChangesState::Ready
                                       ? QString("Sends only what changed since the unit's configuration was "
                                                 "last imported or exported")
                                       : Latin1(TransferController::ChangesStateText(state)));
}

void MainWindow::UpdateModifiedMark() {
  setWindowModified(editor_.IsModified());
  // What Export Changes would send moves with the configuration.
  SyncExportChangesAction();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Resize:
      if (receivedTextBase_.isValid() && watched == pageTabs_->parent())
        LayOutClient(static_cast<QResizeEvent*>(event)->size());
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::ConfirmDiscard() {
  // Enter must not throw the edits away.
  const std::string question = DiscardQuestion();
  return question.empty() || prompts_.Confirm(question, Prompts::DefaultButton::Cancel);
}

void MainWindow::ChooseFileMode() {
  if (!SwitchLiveOff()) return SyncModeChecks();
  controller_->ChooseFileMode();
  SyncModeChecks();
}

void MainWindow::ChooseSerialMode() {
  if (!SwitchLiveOff()) return SyncModeChecks();
  controller_->ChooseSerialMode();
  SyncModeChecks();
}

void MainWindow::ChooseTelnetMode() {
  if (!SwitchLiveOff()) return SyncModeChecks();
  controller_->ChooseTelnetMode();
  SyncModeChecks();
}

void MainWindow::ImportConfiguration() {
  if (!SwitchLiveOff()) return;
  // An import replaces everything: unsaved changes go only with the user's OK.
  if (controller_->CheckedMode() != TransferController::Mode::None && !ConfirmDiscard()) return;
  controller_->ImportConfiguration();
  UpdateModifiedMark();
}

void MainWindow::ExportConfiguration() {
  if (!SwitchLiveOff()) return;
  controller_->ExportConfiguration();
  UpdateModifiedMark();
}

void MainWindow::ExportChanges() {
  if (!SwitchLiveOff()) return;
  controller_->ExportChanges();
  UpdateModifiedMark();
}

void MainWindow::CompareWithFile() {
  if (controller_->Busy()) return;
  CloseNameEditors();
  zem::CompareWithFile(editor_, prompts_, lastComparedFile_);
}

void MainWindow::Exit() { close(); }

void MainWindow::ShowAbout() { prompts_.ShowInformation(AboutText()); }

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownBefore_) return;
  shownBefore_ = true;
  QTimer::singleShot(0, this, [this] {
    const QScreen* where = screen();
    if (!where) return;
    const QRect available = where->availableGeometry();
    if (!available.contains(frameGeometry())) FitInto(available);
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Exit and the close box alike. During an import nothing counts as
  // unsaved: starting it was the moment to ask.
  CloseNameEditors();
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  SwitchLiveOff();
  controller_->WindowClosing();
  QMainWindow::closeEvent(event);
}

bool MainWindow::WriteExportedFile(const std::string& name, const std::string& bytes) {
  if (writingFile_) {
    prompts_.ShowError("Cannot create file " + name + ". Another file is still being written");
    return false;
  }
  const QScopedValueRollback<bool> writing(writingFile_, true);
  // A FIFO is written only while a program reads it: with none, the window
  // does not wait for one. While one reads, the rest waits in the event
  // loop for room, as long as the reader keeps taking bytes.
  bool waited = false;
  const FileWaiter whileRead = [this, &name, &waited](int fd, bool forWrite) {
    if (fd < 0) throw std::runtime_error("No program is reading it");
    if (!std::exchange(waited, true)) editor_.status.Set(" Waiting for " + name + " to be read");
    QEventLoop loop;
    QSocketNotifier ready(fd, forWrite ? QSocketNotifier::Write : QSocketNotifier::Read);
    connect(&ready, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer stalled;
    stalled.setSingleShot(true);
    bool stalledOut = false;
    connect(&stalled, &QTimer::timeout, &loop, [&] {
      stalledOut = true;
      loop.quit();
    });
    stalled.start(kReaderStallMs);
    loop.exec();
    if (stalledOut)
      throw std::runtime_error("The program reading it took nothing for " +
                               std::to_string(kReaderStallMs / 1000) + " seconds");
  };
  std::string error;
  bool written = false;
  try {
    written = WriteFileAtomically(name, bytes, &error, &whileRead);
  } catch (const std::runtime_error& e) {
    error = e.what();
  }
  if (!written) {
    // EPIPE: the reader went away before the end.
    if (error == std::error_code(EPIPE, std::generic_category()).message())
      error = "The program reading it stopped before the end";
    // The status line no longer says it waits.
    if (waited) editor_.status.Set(" Not written: " + name);
    prompts_.ShowError("Cannot create file " + name + ". " + error);
  }
  return written;
}

}  // namespace zem
