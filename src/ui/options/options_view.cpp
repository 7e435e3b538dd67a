#include "ui/options/options_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QValidator>
#include <algorithm>
#include <utility>

#include "editor/options_logic.h"
#include "editor/read_back_check.h"
#include "ui/pages/continuing_step.h"
#include "ui/pages/page_controls.h"

namespace zem {
namespace {

using pages::MakeLabel;

QLabel* MakeHeading(QWidget* parent, const QString& name, const QString& text, int x, int y) {
  QLabel* label = MakeLabel(parent, name, text, x, y);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSize(10);
  label->setFont(font);
  label->adjustSize();
  return label;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  // The caption without its question mark: "Enable DHCP".
  QString spoken = text;
  if (spoken.endsWith('?')) spoken.chop(1);
  box->setAccessibleName(spoken);
  box->move(place.topLeft());
  // At least the given size; wider where this machine's font needs it.
  box->resize(std::max(place.width(), box->sizeHint().width()),
              std::max(place.height(), box->sizeHint().height()));
  return box;
}

// The address fields refuse, typed or pasted, what would break their
// command (control bytes, brackets) and what single-byte text cannot hold.
class NetworkTextValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*position*/) const override {
    for (const QChar c : input)
      if (c.unicode() > 255 || !NetworkTextTakes(static_cast<unsigned char>(c.unicode()))) return Invalid;
    return Acceptable;
  }
};

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& place) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(place);
  edit->setValidator(new NetworkTextValidator(edit));
  return edit;
}

void SyncEdit(QLineEdit* edit, const std::string& text) {
  const QString shown = Latin1(text);
  if (edit->text() == shown) return;
  const QSignalBlocker block(edit);
  edit->setText(shown);
}

void SyncCheck(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

}  // namespace

OptionsView::OptionsView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet9");

  MakeHeading(this, "Label24", "Network Card Settings", 137, 60);
  dhcp_ = MakeCheckBox(this, "DHCPCheckbox", "Enable DHCP?", QRect(137, 99, 97, 17));
  QLabel* ipCaption = MakeLabel(this, "Label25", "IP Address", 137, 127);
  ipAddress_ = MakeEdit(this, "IPAddress", QRect(137, 147, 121, 21));
  pages::NameAfterCaption(ipAddress_, ipCaption);
  QLabel* netmaskCaption = MakeLabel(this, "Label26", "Netmask", 137, 177);
  netmask_ = MakeEdit(this, "Netmask", QRect(137, 196, 121, 21));
  pages::NameAfterCaption(netmask_, netmaskCaption);
  QLabel* gatewayCaption = MakeLabel(this, "Label40", "Gateway", 137, 229);
  gateway_ = MakeEdit(this, "Gateway", QRect(137, 248, 121, 21));
  pages::NameAfterCaption(gateway_, gatewayCaption);

  MakeHeading(this, "Label41", "Lockouts", 429, 60);
  frontPanel_ = MakeCheckBox(this, "FPCheckbox", "Lock Front Panel?", QRect(429, 99, 115, 17));
  irLockout_ = MakeCheckBox(this, "IRCheckbox", "Front Panel IR Lockout?", QRect(429, 126, 140, 17));

  MakeHeading(this, "Label42", "Display Brightness", 429, 168);
  displayLevelText_ = MakeLabel(this, "DisplayLvl", "Level: 0", 429, 205);
  // Said as its label shows it: level 0 is "100%".
  const ConfigModel& model = editor_.Model();
  const auto levelName = [&model](int position) {
    return Latin1(model.screen.LevelNames[static_cast<std::size_t>(std::clamp(position, 0, kLevels - 1))]);
  };
  displayLevel_ = pages::MakeSlider(this, "Display", "Display level", readings::Named(levelName),
                                    Qt::Horizontal, 0, kLevels - 1, 1, QRect(425, 224, 135, 45));

  setTabOrder(dhcp_, ipAddress_);
  setTabOrder(ipAddress_, netmask_);
  setTabOrder(netmask_, gateway_);
  setTabOrder(gateway_, frontPanel_);
  setTabOrder(frontPanel_, irLockout_);
  setTabOrder(irLockout_, displayLevel_);

  // Each control writes its option into the configuration at once. A box
  // is one undo step; typing into a field and moving the slider are one step
  // until the focus leaves or a second passes.
  const auto checkInto = [&](QCheckBox* box, bool OptionsRec::*option, StepKind kind) {
    connect(box, &QCheckBox::toggled, this, [this, option, kind](bool on) {
      editor_.Step(StepId{kind}, [&] { editor_.options.SetFlag(option, on); });
    });
  };
  checkInto(dhcp_, &OptionsRec::DHCPEnabled, StepKind::Dhcp);
  connect(dhcp_, &QCheckBox::toggled, this, &OptionsView::MarkAddresses);
  checkInto(frontPanel_, &OptionsRec::FrontPanelLock, StepKind::FrontPanelLock);
  checkInto(irLockout_, &OptionsRec::IRLockout, StepKind::IRLockout);
  const auto textInto = [&](QLineEdit* edit, std::string OptionsRec::*option, StepKind kind) {
    auto* step = new ContinuingStep(editor_, edit);
    connect(edit, &QLineEdit::textChanged, this, [this, option, kind, step](const QString& text) {
      step->Changing(StepId{kind});
      editor_.options.SetText(option, Latin1Bytes(text));
    });
    connect(edit, &QLineEdit::textChanged, this, &OptionsView::MarkAddresses);
  };
  textInto(ipAddress_, &OptionsRec::IPAddress, StepKind::IPAddress);
  textInto(netmask_, &OptionsRec::Netmask, StepKind::Netmask);
  textInto(gateway_, &OptionsRec::Gateway, StepKind::Gateway);
  auto* levelStep = new ContinuingStep(editor_, displayLevel_);
  connect(displayLevel_, &QSlider::valueChanged, this, [this, levelStep](int position) {
    levelStep->Changing(StepId{StepKind::DisplayLevel});
    editor_.options.SetDisplayLevel(position);
    pages::SetLabelText(displayLevelText_, Latin1(editor_.Model().screen.DisplayLabel));
  });

  SyncFromEditor();
}

void OptionsView::SyncFromEditor() {
  const OptionsRec& options = editor_.Model().unit.Options;
  SyncCheck(dhcp_, options.DHCPEnabled);
  SyncCheck(frontPanel_, options.FrontPanelLock);
  SyncCheck(irLockout_, options.IRLockout);
  SyncEdit(ipAddress_, options.IPAddress);
  SyncEdit(netmask_, options.Netmask);
  SyncEdit(gateway_, options.Gateway);
  pages::SetSliderValue(displayLevel_, options.DisplayLevel);
  pages::SetLabelText(displayLevelText_, Latin1(editor_.Model().screen.DisplayLabel));
  pages::SetPageControlsEnabled(this, editor_.PagesEnabled());
  MarkAddresses();
}

void OptionsView::MarkAddresses() {
  const OptionsRec& options = editor_.Model().unit.Options;
  const std::pair<QLineEdit*, ExportedField::Kind> fields[] = {{ipAddress_, ExportedField::Kind::IPAddress},
                                                               {netmask_, ExportedField::Kind::Netmask},
                                                               {gateway_, ExportedField::Kind::Gateway}};
  for (const auto& [edit, kind] : fields) {
    const std::string text = Latin1Bytes(edit->text());
    const bool unsound = !options.DHCPEnabled && !IsDottedQuad(text);
    const QString why = unsound ? Latin1(NotAnAddress(kind, text).Text()) : QString();
    if (edit->toolTip() == why) continue;
    // On this field only: the frame must show whatever the style draws.
    edit->setStyleSheet(unsound ? QStringLiteral("QLineEdit { border: 2px solid red; }") : QString());
    edit->setToolTip(why);
  }
}

}  // namespace zem
