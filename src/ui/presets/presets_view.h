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

// The page TabSheet10, "EQ Presets": shows the editor's state and sends the
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

  std::array<QSlider*, kBands> bands_{};    // band 1 TrackBar24 .. band 10 TrackBar15
  std::array<QLabel*, kBands> bandGain_{};  // Label84..Label93
  QListWidget* presetList_ = nullptr;       // ListBox2
  NameEditWidget* nameEdit_ = nullptr;      // Edit4
  QComboBox* quickEQList_ = nullptr;        // ComboBox4
};

}  // namespace zem
