#pragma once

#include <QWidget>
#include <array>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QComboBox;
class QLabel;
class QListWidget;
class QSlider;

namespace zem {

class NameEditWidget;

// The page "EQ Presets": shows the editor's state and sends the
// user's actions to the page logic at once.
class PresetsView : public QWidget {
  Q_OBJECT

 public:
  // The page's one line about what an export carries.
  static constexpr const char* kNotExportedText =
      "EQ presets are kept in the unit and are not part of an export.";

  PresetsView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page; no
  // handler runs while it does.
  void SyncFromEditor();

 private:
  void BuildControls();
  void ConnectControls();
  void ShowSliders();

  Editor& editor_;
  [[maybe_unused]] Prompts& prompts_;  // the page opens no dialog

  std::array<QSlider*, kBands> bands_{};
  std::array<QLabel*, kBands> bandGain_{};
  QListWidget* presetList_ = nullptr;
  NameEditWidget* nameEdit_ = nullptr;
  QComboBox* quickEQList_ = nullptr;
};

}  // namespace zem
