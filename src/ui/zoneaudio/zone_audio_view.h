#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "editor/bulk_edits.h"
#include "editor/editor.h"
#include "transfer/prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace zem {

class ChoiceDialog;
class ManualTickSlider;

// The page "Zone Audio Controls": shows the editor's state and
// sends the user's actions to the page logic at once, so a page refresh
// always finds every change in the logic.
class ZoneAudioView : public QWidget {
  Q_OBJECT

 public:
  ZoneAudioView(Editor& editor, Prompts& prompts, QWidget* parent = nullptr);
  // Shows the editor's current state in every control of the page; no
  // handler runs while it does.
  void SyncFromEditor();

  // "Save": the band sliders into a quick EQ file the user chooses.
  void SaveQuickEQFile();
  // "Delete": the quick EQ file chosen in the quick EQ list, after asking.
  void DeleteQuickEQFile();

  // Edit > Copy Audio Settings To... and the zone list's context menu: a
  // dialog listing the other zones, whose OK copies the parts of the shown
  // zone's audio record checked in it to the chosen zones in one step. Null
  // when no zone is shown.
  ChoiceDialog* OpenCopyAudioDialog();
  bool CanCopyAudio() const;

 private:
  void BuildControls();
  void ConnectControls();
  void ShowSliders();
  void ShowReadouts();
  void ApplyFlags();
  // A step of the zone shown.
  StepId ZoneStep(StepKind kind, int band = 0) const;

  // A slider with one readout label, and the logic's position of it.
  struct Readout {
    QSlider* slider;
    QLabel* label;
    void (ZoneAudioLogic::*set)(int);
    int (ZoneAudioLogic::*get)() const;
    std::string (*text)(int);
    StepKind step;
  };
  // Bass, treble, volume, balance and lowpass.
  std::array<Readout, 5> Readouts() const;

  Editor& editor_;
  Prompts& prompts_;

  std::array<QSlider*, kBands> bands_{};
  std::array<QLabel*, kBands> bandGain_{};
  QSlider* bass_ = nullptr;
  QSlider* treble_ = nullptr;
  QSlider* volume_ = nullptr;
  ManualTickSlider* balance_ = nullptr;
  QSlider* lowpass_ = nullptr;
  QLabel* bassGain_ = nullptr;
  QLabel* trebleGain_ = nullptr;
  QLabel* volumeText_ = nullptr;
  QLabel* balanceText_ = nullptr;
  QLabel* lowpassText_ = nullptr;
  QListWidget* zoneList_ = nullptr;
  QComboBox* dspModeList_ = nullptr;
  QComboBox* systemEQList_ = nullptr;
  QComboBox* quickEQList_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QCheckBox* volumeLocked_ = nullptr;  // VolumeLocked
  // Controls whose state the logic decides.
  std::vector<std::pair<ZoneAudioGroup, QWidget*>> flagged_;
  // What Copy Audio copies (AudioParts), as its dialog last chose.
  int copyAudioParts_ = kCopyAllAudio;
};

}  // namespace zem
