#include "ui/presets/presets_view.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSlider>

#include "ui/pages/page_controls.h"
#include "ui/presets/name_edit_widget.h"

namespace zem {
namespace {

using pages::MakeCentredLabel;
using pages::MakeLabel;
using pages::SetLabelText;

constexpr const char* kBandNames[kBands] = {"32", "64", "125", "250", "500", "1K", "2K", "4K", "8K", "16K"};
constexpr int kBandLeft = 47, kBandStep = 45, kSliderWidth = 45, kSliderHeight = 150, kSliderTop = 39;

QString Name(const char* stem, int number) { return QString::fromLatin1(stem) + QString::number(number); }

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
        pages::MakeSlider(this, Name("TrackBar", 25 - b), Qt::Vertical, PresetsLogic::kMin,
                          PresetsLogic::kMax, 1, QRect(left, kSliderTop, kSliderWidth, kSliderHeight));
    bandGain_[b - 1] = MakeCentredLabel(this, Name("Label", 83 + b), "0", left, 188, kSliderWidth);
  }

  MakeLabel(this, "Label95", "Presets", 511, 25);
  presets_ = new QListWidget(this);
  presets_->setObjectName("ListBox2");
  presets_->setSelectionMode(QAbstractItemView::SingleSelection);
  presets_->setGeometry(511, 44, 145, 145);

  MakeLabel(this, "Label94", "Name Selected Preset:", 510, 218);
  name_ = new NameEditWidget(static_cast<int>(PresetsLogic::kTypedNameLength), this);
  name_->setObjectName("Edit4");
  name_->setGeometry(511, 237, 145, name_->sizeHint().height());

  MakeLabel(this, "Label96", "Load Quick EQ Presets", 20, 219);
  quickEQ_ = new QComboBox(this);
  quickEQ_->setObjectName("ComboBox4");
  quickEQ_->setEditable(false);
  quickEQ_->setGeometry(22, 238, 145, quickEQ_->sizeHint().height());

  // Tab order as the controls stand, left to right.
  QWidget::setTabOrder(bands_[kBands - 1], quickEQ_);
  QWidget::setTabOrder(quickEQ_, presets_);
  QWidget::setTabOrder(presets_, name_);
}

void PresetsView::ConnectControls() {
  PresetsLogic& logic = editor_.presets;
  for (int b = 1; b <= kBands; ++b) {
    connect(bands_[b - 1], &QSlider::valueChanged, this, [this, &logic, b](int position) {
      logic.SetBandPosition(b, position);
      SetLabelText(bandGain_[b - 1], GainText(logic.BandPosition(b)));
    });
  }
  connect(name_, &QLineEdit::textEdited, this,
          [&logic](const QString& text) { logic.SetNameText(Latin1Bytes(text)); });
  // Selection, not the current item: keyboard focus entering the list makes
  // an item current without choosing a preset.
  connect(presets_, &QListWidget::itemSelectionChanged, this, [this, &logic] {
    const QList<QListWidgetItem*> chosen = presets_->selectedItems();
    if (chosen.isEmpty()) return;
    logic.ListBox2Click(presets_->row(chosen.front()));
    SyncFromEditor();
    // A renamed preset changes the system preset list of the zone page too.
    editor_.NotifyChanged();
  });
  connect(quickEQ_, &QComboBox::activated, this, [this](int position) {
    editor_.quickEQPresetList.Select(position);
    editor_.ComboBox4Change();
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
  name_->SetTextFromModel(Latin1(editor_.presets.NameText()));
  pages::SyncList(presets_, editor_.model.PresetList);
  pages::SyncCombo(quickEQ_, editor_.quickEQPresetList);
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
}

}  // namespace zem
