#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/config_revision.h"
#include "editor/edit_history.h"
#include "editor/favorites_logic.h"
#include "editor/matrix_logic.h"
#include "editor/options_logic.h"
#include "editor/presets_logic.h"
#include "editor/unit_baseline.h"
#include "editor/zone_audio_logic.h"
#include "model/config_model.h"
#include "model/text_log.h"

namespace zem {

// The pages of the window, in tab order.
enum class Page {
  ConfigurationFile,
  SourceZoneNaming,
  FavoriteGroupNaming,
  ZoneAudioControls,
  EQPresets,
  Favorites,
  Groups,
  Restrictions,
  CommunicationSettings,  // never shown
  Options,
};
inline constexpr int kPageCount = 10;

// Why a text that names no source gives nothing to import, compare or
// export: `what` names the text ("The file a.zem"). No period at the end.
std::string NoConfigurationText(const std::string& what);

// Everything the main window holds, without widgets: the model, the two text
// areas and the status line, the page logic, which page is shown and whether
// the editor pages are enabled. The window, zemctl and the transfer runs all
// work on one of these; the window's views show it.
class Editor {
 public:
  // Told when many things changed at once (reset, import, page refresh), so
  // views can show the editor afresh.
  struct Listener {
    virtual ~Listener() = default;
    virtual void EditorChanged() = 0;
    // The configuration's revision, or the revision last exported, changed:
    // whether there are unsaved changes may have changed with it.
    virtual void RevisionChanged() {}
  };

  // The window's creation: PopupFromMouse cleared, then the reset.
  explicit Editor(std::string quickEQFolder = std::string());
  ~Editor();
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  void SetListener(Listener* listener) { listener_ = listener; }
  void NotifyChanged();

  ConfigModel model;
  // The configuration as the views read it: they change it only through
  // the editor's operations and its page logic, which move the revision.
  const ConfigModel& Model() const { return model; }
  // Bumped by every change of what an export writes; EQ presets and volume
  // locks are the unit's own data, never exported, and do not count.
  ConfigRevision revision;
  TextLog receivedText;  // collected configuration text; lines sent in an export
  TextLog messageLog;    // mode, link and reader messages; the generated sequence in an export
  StatusLine status;
  // What the unit on the current link holds, for File > Export Changes.
  UnitBaseline unitBaseline;

  ZoneAudioLogic zoneAudio{model, revision};
  PresetsLogic presets{model};
  FavoritesLogic favorites{model, revision};
  MatrixLogic matrix{model, revision};
  OptionsLogic options{model, revision};

  // A name typed into a name grid; the grid opens and closes its step. A
  // number outside the table changes nothing.
  void SetName(NameTable table, int number, std::string name);
  // The matrix grids' row labels take the zone names again.
  void CopyZoneLabels();
  // An edit with no setter of its own (the bulk edits, tools, tests):
  // `edit` writes the configuration and says whether it changed anything,
  // and then the revision moves. Returns what `edit` said.
  bool Change(const std::function<bool(ConfigModel&)>& edit);

  // Quick EQ files: the zone's quick EQ list and the presets page's.
  const std::string& QuickEQFolder() const { return quickEQFolder_; }
  void SetQuickEQFolder(std::string folder) { quickEQFolder_ = std::move(folder); }
  ListState quickEQZoneList;
  ListState quickEQPresetList;
  void ListQuickEQFiles();
  // Loads the quick EQ file chosen in the zone's quick EQ list into the band sliders.
  void ZoneQuickEQChosen();
  // The system EQ preset list chose `position`; like the quick EQ list it
  // loads the quick EQ file chosen there.
  void SystemEQPresetChosen(int position);
  // Loads the quick EQ file chosen in the presets page's quick EQ list into the preset sliders.
  void PresetQuickEQChosen();
  // The file name a save of the zone band sliders proposes: the quick EQ
  // file last loaded into them, else "New EQ.eq".
  std::string ProposedQuickEQFileName() const;

  bool PagesEnabled() const { return pagesEnabled_; }
  // Enables or disables the controls of every editor page.
  void SetPagesEnabled(bool enabled);
  Page ActivePage() const { return activePage_; }
  // Shows a page from code; does not refresh.
  void SetActivePage(Page page) { activePage_ = page; }

  // The full reset: the model's tables, the quick EQ lists, pages disabled.
  void ResetModel();
  // The page-switch refresh: restrictions into every favorite and onto the
  // favorites grid, names into the lists and labels.
  void RefreshPages();
  // The user moved to another tab.
  void PageChosen(Page page);

  // The import after the text has been collected into receivedText:
  // ReadReceivedCommands, then FinishImport.
  void CompleteImport();
  // Pages enabled, " Parsing...", every command line of receivedText read:
  // StartReadingCommands, then ReadReceivedLines over all lines.
  void ReadReceivedCommands();
  // Pages enabled, " Parsing...", room made in messageLog for the reading.
  void StartReadingCommands();
  // Reads the command lines among the `count` lines of receivedText from
  // `first` on (fewer at its end): the window reads a large text in slices.
  void ReadReceivedLines(std::size_t first, std::size_t count);
  // "X" marks, the first items shown, refresh, " Import Complete".
  void FinishImport();
  // receivedText := the lines of a file's text (CR LF, lone CR, lone LF end lines).
  void LoadReceivedText(std::string text);
  // Empties receivedText and messageLog; the model stays.
  void ClearTexts();
  // A whole import of a configuration file's text, without a window.
  void ImportFileText(std::string text, const std::string& fileName);

  // The export text of the current configuration (after RefreshPages); empty
  // while no configuration is known (SourceCount -1).
  bool HasConfiguration() const { return model.unit.SourceCount != -1; }
  // Shows the first page, refreshes, and fills messageLog with the sequence.
  std::vector<std::string> PrepareExport();

  // Unsaved changes: whether what an export would write differs from what
  // was last imported or exported. Compared only once the revision has moved
  // on, so an edit undone by hand clears the mark again. Nothing counts while
  // no configuration is known (nothing could be exported) or while an import
  // is under way.
  bool IsModified() const;
  // The export of what the last PrepareExport built succeeded: unless the
  // configuration changed since, there is nothing unsaved. An export that
  // failed or was refused simply does not call it.
  void MarkExported();
  // Live sent the configuration as it stands: nothing is unsaved. Unlike an
  // export, the page shown and the message log stay as they are.
  void MarkSentAsIs();

  // An import is about to replace everything: what it replaces is kept
  // until the import knows whether it read anything.
  void KeepForImport();
  // The import read nothing: the configuration, the pages' controls and
  // enabled state, the page shown and the collected text are put back as
  // they were. The message log is left to tell what happened.
  void RestoreKept();
  bool ImportPending() const { return kept_ != nullptr; }

  // Undo and redo. Every user's edit is a step: BeginStep before its first
  // change (a step of the same id stays open, as for a slider moved by
  // several keys), EndStep once it is complete; Step does both around a
  // one-off edit.
  EditHistory history;
  void BeginStep(StepId id);
  void EndStep();
  void Step(StepId id, const std::function<void()>& edit);
  // Takes back (or does again) a step and shows the page and the zone,
  // favorite or preset where it was made; false when there is none.
  bool Undo();
  bool Redo();
  // The EQ preset the presets page shows and edits.
  int ShownPreset() const;

 private:
  struct Kept;

  void MarkUnusedCells();
  bool TakeStep(bool redo);
  void ShowStep(const EditHistory::Step& step);
  // A zone is about to be shown, which brings its record into the
  // controls' ranges: the same is done to what the configuration is
  // compared with, outside any step.
  void BringIntoRangeAsShown(int zone);

  std::string quickEQFolder_;
  std::string lastZoneQuickEQ_;  // the name of the quick EQ file last loaded into the zone sliders
  bool pagesEnabled_ = false;
  Page activePage_ = Page::ConfigurationFile;
  Listener* listener_ = nullptr;
  std::uint64_t savedRevision_ = 0;     // the revision last imported or exported
  std::uint64_t preparedRevision_ = 0;  // the revision the last PrepareExport built
  // Made only when there is one: a tool that reads a file and stops never
  // needs them.
  std::optional<UnitConfiguration> saved_;     // the configuration last imported or exported
  std::optional<UnitConfiguration> prepared_;  // the configuration the last PrepareExport built
  std::unique_ptr<Kept> kept_;
};

}  // namespace zem
