#include "editor/editor.h"

#include <algorithm>

#include "command/command_reader.h"
#include "command/command_writer.h"
#include "editor/names_csv.h"
#include "editor/naming_logic.h"
#include "eqfiles/quick_eq_files.h"

namespace zem {

struct Editor::Kept {
  ConfigModel model;
  ControlFlags zoneAudioFlags;
  bool presetNamesPending = false;
  ListState quickEQZoneList;
  ListState quickEQPresetList;
  bool pagesEnabled = false;
  Page activePage = Page::ConfigurationFile;
  std::string receivedText;
  bool modified = false;
  FavoritesMarker favoritesMarker;
};

Editor::Editor(std::string quickEQFolder) : quickEQFolder_(std::move(quickEQFolder)) {
  model.screen.PopupFromMouse = false;
  revision.SetOnBump([this] {
    if (listener_) listener_->RevisionChanged();
  });
  zoneAudio.SetBeforeShowing([this](int zone) { BringIntoRangeAsShown(zone); });
  ResetModel();
  savedRevision_ = revision.Current();
}

Editor::~Editor() = default;

void Editor::NotifyChanged() {
  if (listener_) listener_->EditorChanged();
}

void Editor::SetPagesEnabled(bool enabled) {
  pagesEnabled_ = enabled;
  zoneAudio.Flags().SetAllEnabled(enabled);
}

void Editor::ResetModel() {
  zem::ResetModel(model, receivedText, messageLog);
  favorites.SetMarker({});
  ListQuickEQFiles();
  // The zone and preset controls show CurrentZone and CurrentEQPreset again.
  zoneAudio.ShowZone(model.screen.CurrentZone);
  presets.ShowPreset(model.screen.CurrentEQPreset);
  SetPagesEnabled(false);
  history.Clear();
  revision.Bump();
  NotifyChanged();
}

void Editor::ListQuickEQFiles() {
  std::vector<std::string> names = zem::ListQuickEQFiles(quickEQFolder_);
  quickEQZoneList = ListState{names, -1};
  quickEQPresetList = ListState{std::move(names), -1};
}

namespace {

std::vector<int> ChosenQuickEQ(const std::string& folder, const ListState& list) {
  if (!list.HasSelection()) return {};
  return ReadQuickEQFile(QuickEQPath(folder, list.Items[static_cast<std::size_t>(list.Selected)]));
}

}  // namespace

void Editor::ZoneQuickEQChosen() {
  const std::vector<int> values = ChosenQuickEQ(quickEQFolder_, quickEQZoneList);
  for (std::size_t k = 0; k < values.size() && k < kBands; ++k)
    zoneAudio.SetBandPosition(static_cast<int>(k) + 1, values[k]);
  if (!values.empty())
    lastZoneQuickEQ_ = quickEQZoneList.Items[static_cast<std::size_t>(quickEQZoneList.Selected)];
}

std::string Editor::ProposedQuickEQFileName() const {
  return (lastZoneQuickEQ_.empty() ? std::string("New EQ") : lastZoneQuickEQ_) + ".eq";
}

void Editor::SystemEQPresetChosen(int position) {
  // Choosing a system preset also loads the quick EQ file chosen in
  // the zone's quick EQ list into the band sliders, as choosing that file does.
  zoneAudio.SystemEQChosen(position);
  ZoneQuickEQChosen();
}

void Editor::PresetQuickEQChosen() {
  const std::vector<int> values = ChosenQuickEQ(quickEQFolder_, quickEQPresetList);
  for (std::size_t k = 0; k < values.size() && k < kBands; ++k)
    presets.SetBandPosition(static_cast<int>(k) + 1, values[k]);
}

void Editor::RefreshPages() {
  if (model.screen.PresetList.HasSelection()) {
    model.screen.CurrentEQPreset = model.screen.PresetList.Selected + 1;
    presets.PresetChosen(model.screen.PresetList.Selected);
  } else {
    // After an import the preset list has no chosen entry, but the page shows
    // CurrentEQPreset and may have renamed it.
    presets.ShowNewNames();
  }
  favorites.ApplyRestrictionOverlay();

  const int zonePosition = model.screen.ZoneList.Selected;
  model.screen.ZoneList.Items.clear();
  for (int z = 1; z <= std::min(model.unit.ZoneCount, kZones); ++z) {
    const std::string& name = model.unit.ZoneNames[z];
    model.screen.FavoriteLabels.Cell(0, z) = name;
    model.screen.RestrictionLabels.Cell(0, z) = name;
    model.screen.GroupLabels.Cell(0, z) = name;
    model.screen.ZoneList.Items.push_back(name);
  }
  model.screen.ZoneList.Select(zonePosition);

  const int favoritePosition = model.screen.FavoriteList.Selected;
  model.screen.FavoriteList.Items.assign(model.unit.FavoriteNames.begin(), model.unit.FavoriteNames.end());
  model.screen.FavoriteList.Select(favoritePosition);

  if (activePage_ == Page::ZoneAudioControls) ListQuickEQFiles();
  NotifyChanged();
}

void Editor::PageChosen(Page page) {
  EndStep();
  activePage_ = page;
  RefreshPages();
}

void Editor::LoadReceivedText(std::string text) { receivedText.AssignLines(std::move(text)); }

void Editor::ClearTexts() {
  messageLog.Clear();
  receivedText.Clear();
}

void Editor::MarkUnusedCells() {
  // With no source or zone named the counts are -1; the header row and
  // column keep their labels.
  model.screen.UnusedMarked = true;
  for (int s = kSources; s >= std::max(model.unit.SourceCount + 1, 1); --s)
    for (int z = 1; z <= kZones; ++z) model.unit.RestrictionMarks.Cell(s, z) = "X";
  model.screen.ZoneNameRows = std::max(model.unit.ZoneCount, 1);
  model.screen.SourceNameRows = std::max(model.unit.SourceCount, 1);
  for (int z = kZones; z >= std::max(model.unit.ZoneCount + 1, 1); --z) {
    for (int s = 1; s <= kSources; ++s) model.unit.RestrictionMarks.Cell(s, z) = "X";
    for (int g = 1; g <= kGroups; ++g) model.unit.GroupMarks.Cell(g, z) = "X";
  }
}

std::string NoConfigurationText(const std::string& what) {
  return what + " names no source, so it holds no configuration";
}

void Editor::CompleteImport() {
  ReadReceivedCommands();
  FinishImport();
}

void Editor::ReadReceivedCommands() {
  StartReadingCommands();
  ReadReceivedLines(0, receivedText.LineCount());
}

void Editor::StartReadingCommands() {
  SetPagesEnabled(true);
  status.Set(" Parsing...");
  // A command line logs a line, rarely two, of two or three times its
  // length: room made at once rather than by copying the log as it grows.
  messageLog.Reserve(3 * receivedText.ByteCount(), receivedText.LineCount() + receivedText.LineCount() / 4);
}

void Editor::ReadReceivedLines(std::size_t first, std::size_t count) {
  const std::size_t lineCount = receivedText.LineCount();
  const std::size_t end = first >= lineCount ? first : first + std::min(count, lineCount - first);
  for (std::size_t i = first; i < end; ++i) {
    const std::string_view line = receivedText.LineView(i);
    if (!line.empty() && (line.front() == '[' || line.front() == '(')) ReadCommand(model, messageLog, line);
  }
}

void Editor::FinishImport() {
  MarkUnusedCells();

  model.screen.ZoneList.Select(0);
  model.screen.CurrentZone = 1;
  model.screen.CurrentEQPreset = 1;
  presets.ShowPreset(1);
  presets.FillPresetLists();
  // Shown once the system EQ list holds the presets, which its choice is
  // brought within.
  zoneAudio.ShowZone(1);
  model.screen.CurrentFavorite = 1;
  favorites.LoadFavoriteToGrid(1);
  RefreshPages();

  status.Set(" Import Complete");
  messageLog.AppendLine("Import Complete");
  revision.Bump();
  savedRevision_ = revision.Current();
  saved_ = model.unit;
  kept_.reset();
  // A new configuration, a new history.
  history.Clear();
  history.DropKept();
  NotifyChanged();
}

void Editor::ImportFileText(std::string text, const std::string& fileName) {
  unitBaseline.Forget();
  ResetModel();
  SetActivePage(Page::ConfigurationFile);
  receivedText.Clear();
  LoadReceivedText(std::move(text));
  status.Set(" Imported complete from file: " + fileName);
  CompleteImport();
}

std::vector<std::string> Editor::PrepareExport() {
  if (!HasConfiguration()) return {};
  SetActivePage(Page::ConfigurationFile);
  RefreshPages();
  std::vector<std::string> lines = BuildCommandSequence(model);
  preparedRevision_ = revision.Current();
  prepared_ = model.unit;
  messageLog.Clear();
  messageLog.AppendText(ZemFileText(lines));
  return lines;
}

void Editor::BringIntoRangeAsShown(int zone) {
  // Showing the zone is no step of the one being made.
  EndStep();
  const int systemEQCount = static_cast<int>(model.screen.SystemEQList.Items.size());
  // Alike in what the configuration is compared with: the unsaved mark and
  // Export Changes see no change in it.
  for (std::optional<UnitConfiguration>* other : {&saved_, &prepared_})
    if (*other)
      (*other)->ZoneAudio[zone] = ZoneAudioLogic::ThroughControls((*other)->ZoneAudio[zone], systemEQCount);
  if (UnitConfiguration* known = unitBaseline.Known())
    known->ZoneAudio[zone] = ZoneAudioLogic::ThroughControls(known->ZoneAudio[zone], systemEQCount);
}

void Editor::SetName(NameTable table, int number, std::string name) {
  if (number < 1 || number > NameTableSize(table)) return;
  if (ApplyNames(model.unit, {NameEntry{table, number, std::move(name)}}) > 0) revision.Bump();
}

void Editor::CopyZoneLabels() { zem::CopyZoneLabels(model); }

bool Editor::Change(const std::function<bool(ConfigModel&)>& edit) {
  const bool changed = edit(model);
  if (changed) revision.Bump();
  return changed;
}

bool Editor::IsModified() const {
  if (kept_ || !HasConfiguration()) return false;
  if (revision.Current() == savedRevision_) return false;
  return !saved_ || !WritesSameExport(model.unit, *saved_);
}

void Editor::MarkExported() {
  if (!prepared_) return;
  savedRevision_ = preparedRevision_;
  saved_ = prepared_;
  if (listener_) listener_->RevisionChanged();
}

void Editor::MarkSentAsIs() {
  preparedRevision_ = revision.Current();
  prepared_ = model.unit;
  MarkExported();
}

void Editor::KeepForImport() {
  EndStep();
  history.Keep();
  kept_ = std::make_unique<Kept>(Kept{model, zoneAudio.Flags(), presets.NamesPending(), quickEQZoneList,
                                      quickEQPresetList, pagesEnabled_, activePage_, receivedText.Text(),
                                      IsModified(), favorites.Marker()});
}

void Editor::RestoreKept() {
  if (!kept_) return;
  const std::unique_ptr<Kept> kept = std::move(kept_);
  // Assigned in place: the page logic keeps referring to this model.
  model = kept->model;
  favorites.SetMarker(kept->favoritesMarker);
  zoneAudio.Flags() = kept->zoneAudioFlags;
  presets.SetNamesPending(kept->presetNamesPending);
  quickEQZoneList = kept->quickEQZoneList;
  quickEQPresetList = kept->quickEQPresetList;
  // Not SetPagesEnabled: the zone audio controls keep their own states.
  pagesEnabled_ = kept->pagesEnabled;
  activePage_ = kept->activePage;
  receivedText.Clear();
  receivedText.AppendText(kept->receivedText);
  history.TakeBackKept();
  // The configuration is back, and so is whether it held unsaved changes.
  revision.Bump();
  if (!kept->modified) savedRevision_ = revision.Current();
  NotifyChanged();
}

}  // namespace zem
