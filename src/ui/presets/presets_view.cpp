#include "ui/presets/presets_view.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSlider>

#include "ui/pages/continuing_step.h"
#include "ui/pages/drop_down_list.h"
#include "ui/pages/page_controls.h"
#include "ui/presets/name_edit_widget.h"

namespace zem {
namespace {

using pages::MakeCentredLabel;
using pages::MakeLabel;
using pages::Name;
using pages::SetLabelText;

constexpr const char* kBandNames[kBands] = {"32", "64", "125", "250", "500", "1K", "2K", "4K", "8K", "16K"};
constexpr int kBandLeft = 47, kBandStep = 45, kSliderWidth = 45, kSliderHeight = 150, kSliderTop = 39;

QString GainText(int position) { return QString::number(-position); }

}  // namespace

PresetsView::PresetsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet10");
  BuildControls();
  ConnectControls();
  SyncFromEditor();
}

void PresetsView::BuildControls() {
  MakeLabel(this, "Label71", "+10db", 8, 41);
  MakeLabel(this, "Label72", "+0db", 8, 108);
  MakeLabel(this, "Label73", "-10db", 8, 175);
  for (int b = 1; b <= kBands; ++b) {
    const int left = kBandLeft + (b - 1) * kBandStep;
    MakeCentredLabel(this, Name("Label", 73 + b), kBandNames[b - 1], left, 26, kSliderWidth);
    bands_[b - 1] =
        pages::MakeSlider(this, Name("TrackBar", 25 - b), pages::BandSliderName(b, kBandNames[b - 1]),
                          readings::Gain(), Qt::Vertical, PresetsLogic::kMin, PresetsLogic::kMax, 1,
                          QRect(left, kSliderTop, kSliderWidth, kSliderHeight));
    bandGain_[b - 1] = MakeCentredLabel(this, Name("Label", 83 + b), "0", left, 188, kSliderWidth);
  }

  QLabel* presetsCaption = MakeLabel(this, "Label95", "Presets", 511, 25);
  presetList_ = new QListWidget(this);
  presetList_->setObjectName("ListBox2");
  pages::NameAfterCaption(presetList_, presetsCaption);
  presetList_->setSelectionMode(QAbstractItemView::SingleSelection);
  presetList_->setGeometry(511, 44, 145, 145);

  QLabel* nameCaption = MakeLabel(this, "Label94", "Name Selected Preset:", 510, 218);
  nameEdit_ = new NameEditWidget(static_cast<int>(PresetsLogic::kTypedNameLength), this);
  nameEdit_->setObjectName("Edit4");
  nameEdit_->setAccessibleName("Name of the selected preset");
  nameCaption->setBuddy(nameEdit_);
  nameEdit_->setGeometry(511, 237, 145, nameEdit_->sizeHint().height());

  QLabel* quickEQCaption = MakeLabel(this, "Label96", "Load Quick EQ Presets", 20, 219);
  quickEQList_ = new DropDownList(this);
  quickEQList_->setObjectName("ComboBox4");
  pages::NameAfterCaption(quickEQList_, quickEQCaption);
  quickEQList_->setEditable(false);
  quickEQList_->setGeometry(22, 238, 145, quickEQList_->sizeHint().height());

  // Presets live in the unit: editing them is no unsaved change, and an
  // export does not carry them. The page says so.
  MakeLabel(this, "PresetsNotExported", kNotExportedText, 22, 290);

  // Tab order as the controls stand, left to right.
  QWidget::setTabOrder(bands_[kBands - 1], quickEQList_);
  QWidget::setTabOrder(quickEQList_, presetList_);
  QWidget::setTabOrder(presetList_, nameEdit_);
}

void PresetsView::ConnectControls() {
  PresetsLogic& logic = editor_.presets;
  for (int b = 1; b <= kBands; ++b) {
    auto* step = new ContinuingStep(editor_, bands_[b - 1]);
    connect(bands_[b - 1], &QSlider::valueChanged, this, [this, &logic, b, step](int position) {
      step->Changing(StepId{StepKind::PresetBand, editor_.ShownPreset(), b});
      logic.SetBandPosition(b, position);
      SetLabelText(bandGain_[b - 1], GainText(logic.BandPosition(b)));
    });
  }
  auto* nameStep = new ContinuingStep(editor_, nameEdit_);
  connect(nameEdit_, &QLineEdit::textEdited, this, [this, &logic, nameStep](const QString& text) {
    nameStep->Changing(StepId{StepKind::PresetName, editor_.ShownPreset()});
    logic.SetNameText(Latin1Bytes(text));
  });
  // Selection, not the current item: keyboard focus entering the list makes
  // an item current without choosing a preset.
  connect(presetList_, &QListWidget::itemSelectionChanged, this, [this, &logic] {
    const QList<QListWidgetItem*> chosen = presetList_->selectedItems();
    if (chosen.isEmpty()) return;
    logic.PresetChosen(presetList_->row(chosen.front()));
    SyncFromEditor();
    // A renamed preset changes the system preset list of the zone page too.
    editor_.NotifyChanged();
  });
  connect(quickEQList_, &QComboBox::activated, this, [this](int position) {
    editor_.Step(StepId{StepKind::PresetQuickEQ, editor_.ShownPreset()}, [&] {
      editor_.quickEQPresetList.Select(position);
      editor_.PresetQuickEQChosen();
    });
    ShowSliders();
  });
}

void PresetsView::ShowSliders() {
  const PresetsLogic& logic = editor_.presets;
  for (int b = 1; b <= kBands; ++b) {
    pages::SetSliderValue(bands_[b - 1], logic.BandPosition(b));
    SetLabelText(bandGain_[b - 1], GainText(logic.BandPosition(b)));
  }
}

void PresetsView::SyncFromEditor() {
  ShowSliders();
  nameEdit_->SetTextFromModel(Latin1(editor_.presets.NameText()));
  pages::SyncList(presetList_, editor_.Model().screen.PresetList);
  pages::SyncCombo(quickEQList_, editor_.quickEQPresetList);
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
}

}  // namespace zem
