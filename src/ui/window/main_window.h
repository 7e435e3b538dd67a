#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor.h"
#include "editor/unit_names.h"
#include "transfer/prompts.h"
#include "transfer/transfer_controller.h"

class QAction;
class QActionGroup;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QTabWidget;

namespace zem {

class EditMenu;
class ZoneAudioView;
class PresetsView;
class OptionsView;
class FavoritesView;
class GroupsView;
class RestrictionsView;
class SourceZoneNamingView;
class FavoriteGroupNamingView;
class OpenRecentMenu;
class SiteDialog;
struct SiteUnit;

// The main window: the File menu that drives the transfers, the page control
// whose pages are the editors, the two text areas of the "Configuration File"
// page and the status line. It shows the Editor and hands the user's actions
// to it and to the TransferController it owns.
class MainWindow : public QMainWindow, public Editor::Listener {
  Q_OBJECT

 public:
  // The window's client area, below the menu bar.
  static constexpr int kClientWidth = 713;
  static constexpr int kClientHeight = 450;

  MainWindow(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  ~MainWindow() override;

  TransferController& Controller() { return *controller_; }
  // The folder the first page's hint offers example configurations from;
  // empty (the default): no such hint.
  void SetExamplesFolder(QString folder);

  // The About box's text: two lines separated by LF CR.
  static std::string AboutText();

  // Where a window of `window` size (without its frame) goes on a screen
  // whose free area is `available`: centred, and shrunk to fit with its
  // frame when the area is smaller, never off it.
  static QRect FitWindow(QSize window, QMargins frame, QRect available);
  // Places the window by FitWindow; a window smaller than its default size
  // also gets that smaller minimum, its client area scrolling.
  void FitInto(QRect available);

  // Editor::Listener: show the editor afresh.
  void EditorChanged() override;
  // Editor::Listener: the modified mark follows the configuration's revision.
  // While Live is on, each change goes to the unit as it is made.
  void RevisionChanged() override {
    UpdateModifiedMark();
    NoteUnreturnedNames();
    SendLiveEdit();
  }

  void ChooseFileMode();
  void ChooseSerialMode();
  void ChooseTelnetMode();
  void ImportConfiguration();
  void ExportConfiguration();
  // File > Export Changes: only what changed since the unit's configuration
  // was last imported or exported.
  void ExportChanges();
  // File > Compare with File...: the differences go to the message log.
  void CompareWithFile();
  // File > Compare with Unit...: the same, with the unit on the current link
  // (main_window_unit.cpp, with the unit's status field and the title).
  void CompareWithUnit();
  // What the title names: the unit on the current link in Serial and
  // Telnet Mode, else the file (or unit) last imported or exported; empty before.
  QString ShownDocumentName() const;
  // File > Import Names... and Export Names... (main_window_names.cpp).
  void ImportNames();
  void ExportNames();
  // File > Print Sheet... and File > Export Sheet...: the handover sheet of
  // the configuration (main_window_sheet.cpp).
  void PrintSheet();
  void ExportSheet();
  // File > Check Connection... and File > Save Support File...
  // (main_window_link.cpp).
  void CheckConnection();
  void SaveSupportFile();
  // The save dialog's title: the file holds the configuration text that passed.
  static constexpr const char* kSupportFileCaption =
      "Save Support File - it holds the configuration text that passed on the link (names, addresses)";
  void Exit();
  void ShowAbout();
  // The user moved to the tab at `index`.
  void PageChosen(int index);

  // The question asked before changes are thrown away: the configuration's
  // unsaved changes (`notExported`), the `unsent` changes the unit has not
  // received; empty when neither would be lost.
  static std::string DiscardQuestion(bool notExported, std::size_t unsent);
  // The title's modified mark follows the editor's unsaved changes.
  void UpdateModifiedMark();

  // Imports `path` as File > Import would, after the unsaved guard, in File
  // Mode (chosen first as the menu would): a file named on the command
  // line, dropped on the window or chosen from File > Open Recent.
  void OpenConfigurationFile(const std::string& path);
  // File > Open Site... (main_window_site.cpp): asks for a site file and
  // shows its units' list, whose Open calls OpenSiteUnit.
  void OpenSite();
  // Opens a unit of a site: its intended file as File > Import would, then
  // its link chosen without a prompt, and the unit's whole `read` (when
  // not empty) taken as what the unit holds.
  void OpenSiteUnit(const SiteUnit& unit, const std::string& read);
  // The site's list while it is open; null otherwise.
  SiteDialog* SiteList() const;
  static constexpr const char* kBusyOpenStatus = " A transfer is running: the file was not opened";
  // A drop with no local *.zem file: this, then the first URL's name.
  static constexpr const char* kNotConfigurationStatus = " Not a configuration file: ";

 protected:
  void closeEvent(QCloseEvent* event) override;
  // On the first showing, once the frame is known, a window that does not fit
  // its screen is fitted to it.
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A local *.zem file dropped on the window is opened; any other drop of
  // files or URLs is refused on the status line.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenu();
  // Drops and File > Open Recent (main_window_open.cpp).
  void SetUpOpening();
  // File > Open Site..., after Open Recent (main_window_site.cpp).
  void SetUpSite();
  // The names file's File menu items and the Edit menu's copy commands
  // (main_window_names.cpp).
  void BuildNamesMenu(QMenu* fileMenu);
  void BuildCopyMenu();
  // The sheet's two File menu items.
  void SetUpSheet();
  void SyncSheetActions();
  // Export Sheet's proposed name: beside the file the title names.
  std::string SheetProposedName() const;
  // The sheet's title block, asked for before it is printed or exported:
  // the site's fields as last given for this file or unit in this run (the
  // site first the title's name), the installer's from the settings. Nothing
  // when cancelled.
  std::optional<Prompts::SheetFields> AskSheetTitle();
  // Writes a file the window exports (names, the sheet) atomically. A FIFO
  // with no reader fails at once; one being read gets every byte, the
  // window live meanwhile, unless its reader takes nothing for
  // kReaderStallMs. False with the error box shown.
  bool WriteExportedFile(const std::string& name, const std::string& bytes);
  static constexpr int kReaderStallMs = 30000;
  void BuildPages();
  // Places the page control and the controls that grow in a client area of `client`.
  void LayOutClient(QSize client);
  QWidget* BuildConfigurationFilePage();
  QWidget* BuildCommunicationSettingsPage();
  void SyncModeChecks();
  void SyncActions();
  // Export Changes: enabled, and its tooltip, as the configuration and the baseline stand.
  void SyncExportChangesAction();
  // True when nothing unsaved would be lost, or the user agrees to lose it.
  bool ConfirmDiscard();
  // main_window_link.cpp
  void BuildLinkItems(QMenu* fileMenu);
  void SyncLinkItems();
  // main_window_unit.cpp
  void BuildUnitItems(QMenu* fileMenu);
  void SyncUnitItems();
  // File > Live (main_window_live.cpp). SwitchLiveOff: what waits is sent,
  // then "[EC]", then the link closed; false while a line is in flight
  // (the action asked for must wait, as it does for any transfer).
  void BuildLiveItem(QMenu* fileMenu);
  void SyncLiveItem();
  bool SwitchLiveOff();
  void SendLiveEdit();
  // Closes a name's open in-place editor, keeping its text: before an
  // export, a comparison, a page switch, Live on or off, or quitting.
  void CloseNameEditors();
  std::string LiveStateText() const;
  // A name entered (typed, pasted, from a names file) that a unit cannot
  // return whole: the status line says so once, in Serial or Telnet Mode.
  void NoteUnreturnedNames();
  // The unit's status field, as the configuration and the baseline stand
  // (`state`, with `lines` not sent).
  void ShowUnitState(ChangesState state, std::size_t lines);
  // The title names the document or the unit on the link, and carries the
  // mark of unsaved changes.
  void UpdateTitle();
  // The hints of the empty text areas, while nothing is loaded.
  void ShowHints();
  // DiscardQuestion for the configuration and the unit as they stand.
  std::string DiscardQuestion() const;

  Editor& editor_;
  Prompts& prompts_;
  TransferController* controller_ = nullptr;  // owned as a QObject child

  QAction* fileModeAction_ = nullptr;
  QAction* serialModeAction_ = nullptr;
  QAction* telnetModeAction_ = nullptr;
  QActionGroup* modeGroup_ = nullptr;
  QAction* importAction_ = nullptr;
  QAction* exportAction_ = nullptr;
  QAction* exportChangesAction_ = nullptr;
  QAction* liveAction_ = nullptr;
  QAction* compareAction_ = nullptr;
  QAction* compareUnitAction_ = nullptr;
  QAction* verifyAction_ = nullptr;
  QAction* backUpAction_ = nullptr;
  QAction* checkConnectionAction_ = nullptr;
  QAction* fullCheckAction_ = nullptr;
  QAction* saveSupportAction_ = nullptr;
  QLabel* unitState_ = nullptr;
  EditMenu* editMenu_ = nullptr;  // Undo and Redo
  std::string lastComparedFile_;
  OpenRecentMenu* openRecentMenu_ = nullptr;
  QAction* importNamesAction_ = nullptr;
  QAction* exportNamesAction_ = nullptr;
  QAction* printSheetAction_ = nullptr;
  QAction* exportSheetAction_ = nullptr;
  QAction* openSiteAction_ = nullptr;
  QPointer<SiteDialog> siteDialog_;
  // The site's fields of the sheet, by the file or unit they were given for.
  std::map<std::string, Prompts::SheetFields> sheetSites_;

  QTabWidget* pageTabs_ = nullptr;
  // The two text areas, over the editor's logs; they let go of the logs when
  // the window's children go, before the editor does.
  QPlainTextEdit* receivedTextView_ = nullptr;
  QPlainTextEdit* messageLogView_ = nullptr;
  QWidget* communicationSettingsPage_ = nullptr;
  QLabel* statusText_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QShortcut* escapeShortcut_ = nullptr;

  SourceZoneNamingView* sourceZoneNaming_ = nullptr;
  FavoriteGroupNamingView* favoriteGroupNaming_ = nullptr;
  ZoneAudioView* zoneAudio_ = nullptr;
  PresetsView* presets_ = nullptr;
  FavoritesView* favorites_ = nullptr;
  GroupsView* groups_ = nullptr;
  RestrictionsView* restrictions_ = nullptr;
  OptionsView* options_ = nullptr;

  std::vector<std::pair<QWidget*, QRect>> tallGrids_;
  QRect receivedTextBase_;
  QRect messageLogBase_;

  bool shownBefore_ = false;
  bool syncing_ = false;
  UnreturnedNamesWatch unreturnedNames_;
  // WriteExportedFile waits for a FIFO's reader.
  bool writingFile_ = false;
  QString examplesFolder_;
};

}  // namespace zem
