// Undo and redo of the user's edits: the editor's side of EditHistory.
#include "editor/editor.h"
#include "editor/options_logic.h"

namespace zem {

int Editor::ShownPreset() const {
  return model.screen.PresetList.HasSelection() ? model.screen.PresetList.Selected + 1
                                                : model.screen.CurrentEQPreset;
}

void Editor::BeginStep(StepId id) {
  if (history.OpenStep() == id) return;
  EndStep();
  history.Open(id, model.unit);
}

void Editor::EndStep() {
  if (history.OpenStep()) history.Close(model.unit);
}

void Editor::Step(StepId id, const std::function<void()>& edit) {
  BeginStep(id);
  edit();
  EndStep();
}

bool Editor::Undo() { return TakeStep(false); }

bool Editor::Redo() { return TakeStep(true); }

bool Editor::TakeStep(bool redo) {
  if (kept_) return false;
  EndStep();
  if (redo ? !history.CanRedo() : !history.CanUndo()) return false;
  const EditHistory::Step* step = redo ? history.Redo(model.unit) : history.Undo(model.unit);
  if (!step) return false;
  ShowStep(*step);
  return true;
}

void Editor::ShowStep(const EditHistory::Step& step) {
  ScreenState& screen = model.screen;
  const int item = step.id.item;
  switch (ItemOf(step.id.kind)) {
    case StepItem::Zone:
      if (NumberedTable<int, kZones>::Contains(item) &&
          item <= static_cast<int>(screen.ZoneList.Items.size())) {
        screen.CurrentZone = item;
        screen.ZoneList.Select(item - 1);
      }
      break;
    case StepItem::Favorite:
      if (NumberedTable<int, kFavorites>::Contains(item)) {
        screen.CurrentFavorite = item;
        screen.FavoriteList.Select(item - 1);
      }
      break;
    case StepItem::Preset:
      if (NumberedTable<int, kPresets>::Contains(item)) {
        screen.CurrentEQPreset = item;
        screen.PresetList.Select(item - 1);
      }
      break;
    case StepItem::PageOnly:
      break;
  }
  activePage_ = PageOf(step.id.kind);

  // Every page's controls show the model again. The favorites marker stays
  // where it was, over what the cell holds now.
  zoneAudio.ShowZone(screen.CurrentZone);
  favorites.ShowFavoriteAgain();
  presets.ShowPreset(screen.CurrentEQPreset);
  const int presetPosition = screen.PresetList.Selected;
  presets.FillPresetLists();
  screen.PresetList.Select(presetPosition);
  DisplayLevelChanged(model, model.unit.Options.DisplayLevel);

  // The presets are the unit's own: taking back a preset's edit changes
  // nothing unsaved.
  if (!step.diff.OnlyPresets()) revision.Bump();
  RefreshPages();
}

}  // namespace zem
