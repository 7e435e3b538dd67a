#include "ui/zoneaudio/zone_audio_view.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "editor/bulk_edits.h"
#include "eqfiles/quick_eq_files.h"
#include "transfer/file_io.h"
#include "ui/pages/choice_dialog.h"
#include "ui/pages/continuing_step.h"
#include "ui/pages/drop_down_list.h"
#include "ui/pages/find_bar.h"
#include "ui/pages/page_controls.h"
#include "ui/zoneaudio/manual_tick_slider.h"

namespace zem {
namespace {

using pages::MakeCentredLabel;
using pages::MakeLabel;
using pages::MakeSlider;
using pages::Name;
using pages::SetLabelText;
using pages::SetSliderValue;

constexpr const char* kBandNames[kBands] = {"32", "64", "125", "250", "500", "1K", "2K", "4K", "8K", "16K"};
constexpr int kBandLeft = 63, kBandStep = 45, kSliderWidth = 45, kSliderHeight = 150;

// The widgets of each control group, by object name.
QStringList GroupMembers(ZoneAudioGroup group) {
  switch (group) {
    case ZoneAudioGroup::ZoneList:
      return {"ListBox3"};
    case ZoneAudioGroup::ZoneListCaption:
      return {"Label37"};
    case ZoneAudioGroup::ZoneLevels:
      return {"TrackBar13", "TrackBar14", "ComboBox2", "Label97", "Label23",
              "Label32",    "Label31",    "Label30",   "Label33", "Label34"};
    case ZoneAudioGroup::Equalizer: {
      QStringList names = {"Button1", "Button2", "ComboBox1", "Label99",
                           "Label6",  "Label7",  "Label8",    "Label38"};
      for (int b = 1; b <= kBands; ++b)
        names << Name("TrackBar", b) << Name("Label", 8 + b) << Name("Label", 49 + b);
      return names;
    }
    case ZoneAudioGroup::SystemPreset:
      return {"ComboBox3", "Label98"};
    case ZoneAudioGroup::Tone:
      return {"Label21", "Label22", "Label27",    "Label28",   "Label29",
              "Label36", "Label39", "TrackBar11", "TrackBar12"};
    case ZoneAudioGroup::Lowpass:
      return {"TrackBar25", "Label885", "Label886", "Label887", "Label888"};
    case ZoneAudioGroup::VolumeLock:
      return {"VolumeLocked"};
    case ZoneAudioGroup::BalanceCentre:
      return {"Label35"};
  }
  qFatal("zone audio page: control group %d has no widgets", static_cast<int>(group));
}

QFrame* MakeBevel(QWidget* parent, const QString& name, const QRect& place) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(place);
  return frame;
}

QComboBox* MakeDropDown(QWidget* parent, const QString& name, int x, int y, int width) {
  auto* box = new DropDownList(parent);
  box->setObjectName(name);
  box->setEditable(false);
  box->setGeometry(x, y, width, box->sizeHint().height());
  return box;
}

}  // namespace

ZoneAudioView::ZoneAudioView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet5");
  BuildControls();
  ConnectControls();
  SyncFromEditor();
}

void ZoneAudioView::BuildControls() {
  // The frames first, so every other control stands in front of them.
  MakeBevel(this, "Bevel1", QRect(24, 8, 497, 180));
  MakeBevel(this, "Bevel2", QRect(24, 192, 497, 180));

  // Upper frame: the ten-band equaliser.
  MakeLabel(this, "Label99", "ZQ", 31, 9);
  MakeLabel(this, "Label7", "+10db", 30, 25);
  MakeLabel(this, "Label6", "+0db", 30, 92);
  MakeLabel(this, "Label8", "-10db", 30, 159);
  for (int b = 1; b <= kBands; ++b) {
    const int left = kBandLeft + (b - 1) * kBandStep;
    MakeCentredLabel(this, Name("Label", 8 + b), kBandNames[b - 1], left, 10, kSliderWidth);
    bands_[b - 1] = MakeSlider(this, Name("TrackBar", b), pages::BandSliderName(b, kBandNames[b - 1]),
                               readings::Gain(), Qt::Vertical, ZoneAudioLogic::kBandMin,
                               ZoneAudioLogic::kBandMax, 1, QRect(left, 23, kSliderWidth, kSliderHeight));
    bandGain_[b - 1] = MakeCentredLabel(this, Name("Label", 49 + b), "0", left, 172, kSliderWidth);
  }

  // Lower frame, left: bass and treble, or the lowpass filter in their place.
  MakeCentredLabel(this, "Label21", "Bass", 61, 194, kSliderWidth);
  MakeCentredLabel(this, "Label22", "Treble", 109, 194, kSliderWidth);
  MakeLabel(this, "Label29", "+12db", 28, 212);
  MakeLabel(this, "Label28", "+0db", 28, 276);
  MakeLabel(this, "Label27", "-12db", 28, 342);
  bass_ =
      MakeSlider(this, "TrackBar11", "Bass in dB", readings::Gain(), Qt::Vertical, ZoneAudioLogic::kToneMin,
                 ZoneAudioLogic::kToneMax, 1, QRect(61, 207, kSliderWidth, kSliderHeight));
  treble_ =
      MakeSlider(this, "TrackBar12", "Treble in dB", readings::Gain(), Qt::Vertical, ZoneAudioLogic::kToneMin,
                 ZoneAudioLogic::kToneMax, 1, QRect(109, 207, kSliderWidth, kSliderHeight));
  bassGain_ = MakeCentredLabel(this, "Label36", "0", 61, 356, kSliderWidth);
  trebleGain_ = MakeCentredLabel(this, "Label39", "0", 109, 356, kSliderWidth);

  MakeCentredLabel(this, "Label887", "Lowpass Filter", 60, 194, 100);
  MakeLabel(this, "Label886", "40Hz", 28, 212);
  MakeLabel(this, "Label888", "240Hz", 28, 342);
  lowpass_ = MakeSlider(this, "TrackBar25", "Lowpass in Hz", readings::Plain("Hz"), Qt::Vertical,
                        ZoneAudioLogic::kLowpassMin, ZoneAudioLogic::kLowpassMax, 5,
                        QRect(87, 207, kSliderWidth, kSliderHeight));
  lowpassText_ = MakeCentredLabel(this, "Label885", "40Hz", 77, 356, 65);

  // Lower frame, right: volume, balance and the quick EQ files.
  volumeText_ = MakeLabel(this, "Label23", "Volume: -20db", 187, 197);
  volume_ = MakeSlider(this, "TrackBar13", "Volume in dB", readings::Plain("dB"), Qt::Horizontal,
                       ZoneAudioLogic::kVolumeMin, ZoneAudioLogic::kVolumeMax, 1, QRect(178, 212, 335, 45));
  MakeLabel(this, "Label32", "-80db", 184, 255);
  auto* zeroDb = MakeLabel(this, "Label31", "+0db", 0, 255);
  zeroDb->move(178 + 335 - zeroDb->width() - 6, 255);

  balanceText_ = MakeLabel(this, "Label30", "Balance (L: 25db / R: 0db)", 187, 281);
  balance_ = new ManualTickSlider(this);
  pages::SetUpSlider(balance_, "TrackBar14", "Balance, negative is left", readings::Balance(),
                     ZoneAudioLogic::kBalanceMin, ZoneAudioLogic::kBalanceMax, 0, QRect(178, 296, 167, 45));
  // The window's creation places these three ticks by hand.
  for (int tick : {0, -40, 40}) balance_->SetTick(tick);
  MakeLabel(this, "Label33", "Left", 184, 340);
  auto* right = MakeLabel(this, "Label34", "Right", 0, 340);
  right->move(178 + 167 - right->width() - 6, 340);
  auto* middle = MakeLabel(this, "Label35", "|", 0, 340);
  middle->move(178 + 167 / 2 - middle->width() / 2, 340);

  QLabel* quickEQCaption = MakeLabel(this, "Label38", "EQ Presets", 368, 281);
  quickEQList_ = MakeDropDown(this, "ComboBox1", 368, 299, 145);
  // Read with the heading it stands under, and said to be the file list.
  quickEQCaption->setBuddy(quickEQList_);
  quickEQList_->setAccessibleName("Quick EQ file");
  saveButton_ = new QPushButton("Save", this);
  saveButton_->setObjectName("Button1");
  saveButton_->setAccessibleName("Save quick EQ file");
  saveButton_->setGeometry(368, 330, 65, 25);
  deleteButton_ = new QPushButton("Delete", this);
  deleteButton_->setObjectName("Button2");
  deleteButton_->setAccessibleName("Delete quick EQ file");
  deleteButton_->setGeometry(448, 330, 65, 25);

  // Kept hidden: nothing connects it to the model.
  volumeLocked_ = new QCheckBox("Volume Lock", this);
  volumeLocked_->setObjectName("VolumeLocked");
  volumeLocked_->setAccessibleName("Volume lock");
  volumeLocked_->move(424, 197);
  volumeLocked_->adjustSize();
  volumeLocked_->hide();

  // Right of the frames: zone, DSP mode and system preset.
  QLabel* zonesCaption = MakeLabel(this, "Label37", "Zones", 545, 9);
  zoneList_ = new QListWidget(this);
  zoneList_->setObjectName("ListBox3");
  pages::NameAfterCaption(zoneList_, zonesCaption);
  zoneList_->setSelectionMode(QAbstractItemView::SingleSelection);
  zoneList_->setGeometry(543, 29, 128, 221);

  QLabel* dspModeCaption = MakeLabel(this, "Label97", "DSP Mode", 543, 269);
  dspModeList_ = MakeDropDown(this, "ComboBox2", 544, 288, 130);
  pages::NameAfterCaption(dspModeList_, dspModeCaption);
  for (const DspMode mode : kDspModes) {
    const std::string_view name = DspModeName(mode);
    dspModeList_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
  }
  QLabel* systemEQCaption = MakeLabel(this, "Label98", "System EQ Preset", 543, 315);
  systemEQList_ = MakeDropDown(this, "ComboBox3", 543, 334, 130);
  pages::NameAfterCaption(systemEQList_, systemEQCaption);

  // Every group's widgets must be there: a misspelt name would leave a
  // control enabled whatever the mode.
  for (const ZoneAudioGroup group : kZoneAudioGroups) {
    for (const QString& name : GroupMembers(group)) {
      auto* widget = findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
      if (!widget) qFatal("zone audio page: no control %s", qPrintable(name));
      flagged_.emplace_back(group, widget);
    }
  }
}

std::array<ZoneAudioView::Readout, 5> ZoneAudioView::Readouts() const {
  return {{
      {bass_, bassGain_, &ZoneAudioLogic::SetBassPosition, &ZoneAudioLogic::BassPosition,
       &ZoneAudioLogic::GainText, StepKind::Bass},
      {treble_, trebleGain_, &ZoneAudioLogic::SetTreblePosition, &ZoneAudioLogic::TreblePosition,
       &ZoneAudioLogic::GainText, StepKind::Treble},
      {volume_, volumeText_, &ZoneAudioLogic::SetVolumePosition, &ZoneAudioLogic::VolumePosition,
       &ZoneAudioLogic::VolumeText, StepKind::Volume},
      {balance_, balanceText_, &ZoneAudioLogic::SetBalancePosition, &ZoneAudioLogic::BalancePosition,
       &ZoneAudioLogic::BalanceText, StepKind::Balance},
      {lowpass_, lowpassText_, &ZoneAudioLogic::SetLowpassPosition, &ZoneAudioLogic::LowpassPosition,
       &ZoneAudioLogic::LowpassText, StepKind::Lowpass},
  }};
}

void ZoneAudioView::ConnectControls() {
  ZoneAudioLogic& logic = editor_.zoneAudio;
  for (int b = 1; b <= kBands; ++b) {
    auto* step = new ContinuingStep(editor_, bands_[b - 1]);
    connect(bands_[b - 1], &QSlider::valueChanged, this, [this, &logic, b, step](int position) {
      step->Changing(ZoneStep(StepKind::Band, b));
      logic.SetBandPosition(b, position);
      SetLabelText(bandGain_[b - 1], QString::fromStdString(ZoneAudioLogic::GainText(logic.BandPosition(b))));
    });
  }
  for (const Readout& r : Readouts()) {
    auto* step = new ContinuingStep(editor_, r.slider);
    connect(r.slider, &QSlider::valueChanged, this, [this, &logic, r, step](int position) {
      step->Changing(ZoneStep(r.step));
      (logic.*r.set)(position);
      SetLabelText(r.label, QString::fromStdString(r.text((logic.*r.get)())));
    });
  }

  // Selection, not the current item: keyboard focus entering the list makes
  // an item current without choosing a zone.
  connect(zoneList_, &QListWidget::itemSelectionChanged, this, [this, &logic] {
    const QList<QListWidgetItem*> chosen = zoneList_->selectedItems();
    if (chosen.isEmpty()) return;
    logic.ZoneChosen(zoneList_->row(chosen.front()));
    SyncFromEditor();
  });
  connect(dspModeList_, &QComboBox::activated, this, [this, &logic](int position) {
    editor_.Step(ZoneStep(StepKind::DspMode), [&] { logic.DSPModeChosen(position); });
    ApplyFlags();
  });
  connect(systemEQList_, &QComboBox::activated, this, [this](int position) {
    editor_.Step(ZoneStep(StepKind::SystemEQ), [&] { editor_.SystemEQPresetChosen(position); });
    SyncFromEditor();
  });
  connect(quickEQList_, &QComboBox::activated, this, [this](int position) {
    editor_.Step(ZoneStep(StepKind::ZoneQuickEQ), [&] {
      editor_.quickEQZoneList.Select(position);
      editor_.ZoneQuickEQChosen();
    });
    ShowSliders();
  });
  AddDialogMenu(
      zoneList_, "ZoneListMenu", "ZoneListCopyAudio", "Copy Audio Settings To...",
      [this] { return CanCopyAudio(); }, [this] { OpenCopyAudioDialog(); });
  // Below the quick EQ buttons and the system preset, clear of the scales
  // and labels of the lower frame.
  new FindBar(this, QRect(352, 358, 321, 26), [this] {
    return FindBar::Target{"zone", [this] { return editor_.Model().screen.ZoneList.Items; },
                           [this] { return editor_.Model().screen.ZoneList.Selected; },
                           [this](int row) { zoneList_->setCurrentRow(row); }, zoneList_};
  });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveQuickEQFile(); });
  connect(deleteButton_, &QPushButton::clicked, this, [this] { DeleteQuickEQFile(); });
}

bool ZoneAudioView::CanCopyAudio() const {
  const ScreenState& screen = editor_.Model().screen;
  return editor_.PagesEnabled() && screen.ZoneList.HasSelection() && screen.ZoneList.Items.size() > 1;
}

ChoiceDialog* ZoneAudioView::OpenCopyAudioDialog() {
  if (!CanCopyAudio()) return nullptr;
  const UnitConfiguration& unit = editor_.Model().unit;
  const int from = editor_.Model().screen.CurrentZone;
  const int zoneCount = std::min(unit.ZoneCount, kZones);
  std::vector<ChoiceDialog::Item> zones;
  for (int z = 1; z <= zoneCount; ++z)
    if (z != from) zones.push_back({z, std::to_string(z) + " " + ListedName(unit.ZoneNames[z], "Zone", z)});
  auto* dialog = new ChoiceDialog(window(), "CopyAudioDialog", "Copy Audio Settings",
                                  QString("Copy the audio settings of zone %1 (%2) to:")
                                      .arg(from)
                                      .arg(Latin1(ListedName(unit.ZoneNames[from], "Zone", from))),
                                  "CopyAudioZones", zones, true);
  // What to copy, as chosen last time; OK needs one part at least.
  auto* partsBox = new QGroupBox("Copy", dialog);
  partsBox->setObjectName("CopyAudioParts");
  auto* partsRow = new QHBoxLayout(partsBox);
  std::vector<std::pair<QCheckBox*, int>> boxes;
  for (const auto& [part, text, name] : {std::tuple{kCopyEQ, "EQ and DSP mode", "CopyAudioEQ"},
                                         {kCopyVolume, "Volume", "CopyAudioVolume"},
                                         {kCopyBalance, "Balance", "CopyAudioBalance"}}) {
    auto* box = new QCheckBox(text, partsBox);
    box->setObjectName(name);
    box->setChecked(copyAudioParts_ & part);
    partsRow->addWidget(box);
    boxes.emplace_back(box, part);
  }
  dialog->OptionRow()->addWidget(partsBox);
  const auto checkedParts = [boxes] {
    int parts = 0;
    for (const auto& [box, part] : boxes) parts |= box->isChecked() ? part : 0;
    return parts;
  };
  for (const auto& entry : boxes)
    connect(entry.first, &QCheckBox::toggled, dialog,
            [dialog, checkedParts] { dialog->OkButton()->setEnabled(checkedParts() != 0); });
  auto* all = new QPushButton("Select All", dialog);
  all->setObjectName("CopyAudioSelectAll");
  dialog->ButtonRow()->addWidget(all);
  connect(all, &QPushButton::clicked, dialog, [dialog] { dialog->Select([](int) { return true; }); });
  // One toggle a group with a name or a member zone.
  for (int g = 1; g <= kGroups; ++g) {
    bool members = false;
    for (int z = 1; z <= zoneCount && !members; ++z) members = unit.GroupMark(z, g) == "G";
    if (!members && IsBlankName(unit.GroupNames[g])) continue;
    const QString name = Latin1(ListedName(unit.GroupNames[g], "Group", g));
    QPushButton* group = dialog->AddToggle(name, pages::Name("CopyAudioGroup", g), [this, g](int zone) {
      return editor_.Model().unit.GroupMark(zone, g) == "G";
    });
    group->setAccessibleName("Select the zones of group " + name);
  }
  connect(dialog, &QDialog::accepted, this, [this, dialog, from, checkedParts] {
    copyAudioParts_ = checkedParts();
    const std::vector<int> chosen = dialog->Chosen();
    if (chosen.empty() || editor_.Model().screen.CurrentZone != from) return;
    const CopyAudioResult copied = CopyZoneAudio(editor_, from, chosen, copyAudioParts_);
    if (copied.zones == 0) return;
    editor_.status.Set(CopyAudioStatus(from, copyAudioParts_, copied));
    SyncFromEditor();
  });
  dialog->open();
  return dialog;
}

StepId ZoneAudioView::ZoneStep(StepKind kind, int band) const {
  return StepId{kind, editor_.Model().screen.CurrentZone, band};
}

void ZoneAudioView::ShowSliders() {
  const ZoneAudioLogic& logic = editor_.zoneAudio;
  for (int b = 1; b <= kBands; ++b) SetSliderValue(bands_[b - 1], logic.BandPosition(b));
  for (const Readout& r : Readouts()) SetSliderValue(r.slider, (logic.*r.get)());
  ShowReadouts();
}

void ZoneAudioView::ShowReadouts() {
  const ZoneAudioLogic& logic = editor_.zoneAudio;
  for (int b = 1; b <= kBands; ++b)
    SetLabelText(bandGain_[b - 1], QString::fromStdString(ZoneAudioLogic::GainText(logic.BandPosition(b))));
  for (const Readout& r : Readouts()) SetLabelText(r.label, QString::fromStdString(r.text((logic.*r.get)())));
}

void ZoneAudioView::ApplyFlags() {
  const ControlFlags& flags = editor_.zoneAudio.Flags();
  for (const auto& [group, widget] : flagged_) {
    widget->setEnabled(flags.Enabled(group));
    widget->setVisible(flags.Visible(group));
  }
}

void ZoneAudioView::SyncFromEditor() {
  ShowSliders();
  pages::SyncList(zoneList_, editor_.Model().screen.ZoneList);
  pages::SyncCombo(dspModeList_, editor_.zoneAudio.DSPModeList());
  pages::SyncCombo(systemEQList_, editor_.Model().screen.SystemEQList);
  pages::SyncCombo(quickEQList_, editor_.quickEQZoneList);
  ApplyFlags();
}

void ZoneAudioView::SaveQuickEQFile() {
  std::array<int, kQuickEQLines> positions{};
  const auto& bands = editor_.zoneAudio.BandPositions();
  std::copy(bands.begin(), bands.end(), positions.begin());

  // The quick EQ folder may be the user's data folder, made on first use.
  const std::string& folder = editor_.QuickEQFolder();
  if (!folder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  // A file name in the folder the lists show, so that the saved file appears there.
  std::string proposed = editor_.ProposedQuickEQFileName();
  if (!folder.empty()) proposed = (std::filesystem::path(folder) / proposed).string();

  const std::optional<std::string> chosen =
      prompts_.SaveFile(Prompts::FileDialog{"eq", "EQ files (*.eq)|*.eq", proposed});
  if (!chosen || chosen->empty()) return;
  // Only "*.eq" files are listed.
  const std::string path = WithQuickEQExtension(*chosen);

  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !prompts_.Confirm("File " + path + " exists. Overwrite?")) return;

  std::string reason;
  if (!WriteFileAtomically(path, QuickEQFileText(positions), &reason)) {
    prompts_.ShowError("Cannot create file \"" + path + "\". " + reason);
    return;
  }
  editor_.ListQuickEQFiles();
  SyncFromEditor();
  editor_.NotifyChanged();
}

void ZoneAudioView::DeleteQuickEQFile() {
  const ListState& list = editor_.quickEQZoneList;
  const std::string name = list.HasSelection() ? list.Items[static_cast<std::size_t>(list.Selected)] : "";
  // Without a folder there is nothing of ours to delete (and a relative path
  // would point into whatever the working folder is).
  const std::string& folder = editor_.QuickEQFolder();
  if (!folder.empty()) {
    const std::string path = QuickEQPath(folder, name);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && prompts_.Confirm("Delete EQ: " + name + "?"))
      std::filesystem::remove(path, ec);  // a failure is not reported
  }
  editor_.ListQuickEQFiles();
  SyncFromEditor();
  editor_.NotifyChanged();
}

}  // namespace zem
