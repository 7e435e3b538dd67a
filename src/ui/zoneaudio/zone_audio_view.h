#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "editor/editor.h"
#include "transfer/prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace zem {

class ManualTickSlider;

// The page TabSheet5, "Zone Audio Controls": shows the editor's state and
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
  // "Delete": the quick EQ file chosen in ComboBox1, after asking.
  void DeleteQuickEQFile();

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

  std::array<QSlider*, kBands> bands_{};    // TrackBar1..TrackBar10
  std::array<QLabel*, kBands> bandGain_{};  // Label50..Label59
  QSlider* bass_ = nullptr;                 // TrackBar11
  QSlider* treble_ = nullptr;               // TrackBar12
  QSlider* volume_ = nullptr;               // TrackBar13
  ManualTickSlider* balance_ = nullptr;     // TrackBar14
  QSlider* lowpass_ = nullptr;              // TrackBar25
  QLabel* bassGain_ = nullptr;              // Label36
  QLabel* trebleGain_ = nullptr;            // Label39
  QLabel* volumeText_ = nullptr;            // Label23
  QLabel* balanceText_ = nullptr;           // Label30
  QLabel* lowpassText_ = nullptr;           // Label885
  QListWidget* zoneList_ = nullptr;         // ListBox3
  QComboBox* dspModeList_ = nullptr;        // ComboBox2
  QComboBox* systemEQList_ = nullptr;       // ComboBox3
  QComboBox* quickEQList_ = nullptr;        // ComboBox1
  QPushButton* saveButton_ = nullptr;       // Button1
  QPushButton* deleteButton_ = nullptr;     // Button2
  QCheckBox* volumeLocked_ = nullptr;       // VolumeLocked
  // Controls whose state the logic decides.
  std::vector<std::pair<ZoneAudioGroup, QWidget*>> flagged_;
};

}  // namespace zem
