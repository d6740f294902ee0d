#include "panel/switch_board.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace panel {
namespace {

using sim::watch::PaperState;

constexpr std::uint32_t kSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

}  // namespace

SwitchBoard::SwitchBoard(QWidget* parent) : QGroupBox(QStringLiteral("Switches"), parent) {
  setAccessibleName(QStringLiteral("Switches"));
  auto* form = new QFormLayout(this);
  form->setVerticalSpacing(3);

  paper_ = new QButtonGroup(this);
  auto* paperRow = new QHBoxLayout;
  const std::pair<PaperState, const char*> papers[] = {
      {PaperState::kOk, "O&K"}, {PaperState::kNearEnd, "&Near end"}, {PaperState::kOut, "O&ut"}};
  for (const auto& [state, caption] : papers) {
    auto* button = new QRadioButton(QString::fromLatin1(caption), this);
    button->setAccessibleName(QStringLiteral("Paper ") + QString::fromLatin1(caption).remove('&'));
    paper_->addButton(button, static_cast<int>(state));
    paperRow->addWidget(button);
  }
  connect(paper_, &QButtonGroup::idClicked, this, [this](int id) {
    const auto state = static_cast<PaperState>(id);
    ask(state == PaperState::kOut       ? QStringLiteral("paper out")
        : state == PaperState::kNearEnd ? QStringLiteral("paper near-end")
                                        : QStringLiteral("paper ok"));
  });
  form->addRow(QStringLiteral("Paper:"), paperRow);

  cover_ = new QCheckBox(QStringLiteral("&Cover open"), this);
  cover_->setAccessibleName(QStringLiteral("Cover open"));
  connect(cover_, &QCheckBox::clicked, this, [this](bool open) {
    ask(open ? QStringLiteral("cover open") : QStringLiteral("cover closed"));
  });
  drawer_ = new QCheckBox(QStringLiteral("Cash &drawer open"), this);
  drawer_->setAccessibleName(QStringLiteral("Cash drawer open"));
  drawer_->setToolTip(QStringLiteral("The drawer command opens it; untick to shut it"));
  connect(drawer_, &QCheckBox::clicked, this, [this](bool open) {
    ask(open ? QStringLiteral("drawer open") : QStringLiteral("drawer closed"));
  });
  form->addRow(cover_);
  form->addRow(drawer_);

  powerCutMs_ = new QSpinBox(this);
  powerCutMs_->setRange(100, static_cast<int>(sim::kMaxPowerCutMs));
  powerCutMs_->setSingleStep(500);
  powerCutMs_->setValue(3000);
  powerCutMs_->setSuffix(QStringLiteral(" ms"));
  powerCutMs_->setAccessibleName(QStringLiteral("Power cut length in milliseconds"));
  powerCut_ = new QPushButton(QStringLiteral("Cut the &power"), this);
  powerCut_->setAccessibleName(QStringLiteral("Cut the power"));
  connect(powerCut_, &QPushButton::clicked, this,
          [this] { ask(QStringLiteral("power-cut %1").arg(powerCutMs_->value())); });
  power_ = new QLabel(this);
  power_->setAccessibleName(QStringLiteral("Power"));
  auto* powerRow = new QHBoxLayout;
  powerRow->addWidget(powerCutMs_);
  powerRow->addWidget(powerCut_);
  powerRow->addWidget(power_);
  form->addRow(QStringLiteral("Power:"), powerRow);

  corruptEvery_ = numberBox(QStringLiteral("Corrupt every Nth reply"), 1'000'000,
                            QStringLiteral("never"), QStringLiteral("fault corrupt-every"));
  dropEvery_ = numberBox(QStringLiteral("Drop a byte of every Nth reply"), 1'000'000,
                         QStringLiteral("never"), QStringLiteral("fault drop-every"));
  delayMs_ = numberBox(QStringLiteral("Reply delay in milliseconds"),
                       static_cast<int>(sim::kMaxDelayMs), QString(), QStringLiteral("delay"));
  delayMs_->setSuffix(QStringLiteral(" ms"));
  form->addRow(QStringLiteral("Co&rrupt every:"), corruptEvery_);
  form->addRow(QStringLiteral("Dr&op every:"), dropEvery_);
  form->addRow(QStringLiteral("Reply de&lay:"), delayMs_);

  baud_ = new QComboBox(this);
  baud_->setAccessibleName(QStringLiteral("Line speed"));
  baud_->addItem(QStringLiteral("unpaced"), 0u);
  for (const std::uint32_t speed : kSpeeds)
    baud_->addItem(QStringLiteral("%1 bit/s").arg(speed), speed);
  connect(baud_, &QComboBox::activated, this, [this](int index) {
    ask(QStringLiteral("baud %1").arg(baud_->itemData(index).toUInt()));
  });
  form->addRow(QStringLiteral("Line &speed:"), baud_);

  forced_ = new QLabel(this);
  forced_->setAccessibleName(QStringLiteral("Forced faults"));
  form->addRow(forced_);

  // Mnemonics of the form's labels lead to their fields.
  for (int row = 0; row < form->rowCount(); ++row) {
    auto* label = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)
                                            ? form->itemAt(row, QFormLayout::LabelRole)->widget()
                                            : nullptr);
    QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
    if (label != nullptr && field != nullptr && field->widget() != nullptr) {
      label->setBuddy(field->widget());
    }
  }
  showUnknown();
}

QSpinBox* SwitchBoard::numberBox(const QString& name, int maximum, const QString& special,
                                 const QString& request) {
  auto* box = new QSpinBox(this);
  box->setRange(0, maximum);
  box->setSpecialValueText(special);
  box->setAccessibleName(name);
  box->setKeyboardTracking(false);  // one request when the number is entered, not per digit
  connect(box, &QSpinBox::valueChanged, this,
          [this, request](int value) { ask(request + QStringLiteral(" %1").arg(value)); });
  return box;
}

QRadioButton* SwitchBoard::paperButton(PaperState state) const {
  return qobject_cast<QRadioButton*>(paper_->button(static_cast<int>(state)));
}

void SwitchBoard::ask(const QString& request) {
  emit requested(request);
  // Back to what the printer said, until it says otherwise.
  if (known_) {
    show(*known_);
  } else {
    showUnknown();
  }
}

void SwitchBoard::showNumber(QSpinBox* box, std::uint32_t value) {
  // A number being typed is left alone; the printer's value comes back once it is entered.
  const QString shown = box->value() == box->minimum() && !box->specialValueText().isEmpty()
                            ? box->specialValueText()
                            : box->prefix() + QString::number(box->value()) + box->suffix();
  if (box->hasFocus() && box->text() != shown) return;
  const QSignalBlocker quiet(box);
  box->setValue(static_cast<int>(value));
}

void SwitchBoard::show(const sim::watch::Conditions& c) {
  known_ = c;
  setEnabled(true);
  {
    const QSignalBlocker quiet(paper_);
    paper_->button(static_cast<int>(c.paper))->setChecked(true);
  }
  for (auto [box, value] : {std::pair{cover_, c.coverOpen}, std::pair{drawer_, c.drawerOpen}}) {
    const QSignalBlocker quiet(box);
    box->setChecked(value);
  }
  power_->setText(c.powerCut ? QStringLiteral("<b style=\"color:#c0392b\">CUT</b>")
                             : QStringLiteral("on"));
  power_->setAccessibleDescription(c.powerCut ? QStringLiteral("cut") : QStringLiteral("on"));
  showNumber(corruptEvery_, c.corruptEvery);
  showNumber(dropEvery_, c.dropEvery);
  showNumber(delayMs_, c.delayMs);
  {
    const QSignalBlocker quiet(baud_);
    int index = baud_->findData(c.baud);
    if (index < 0) {
      baud_->addItem(QStringLiteral("%1 bit/s").arg(c.baud), c.baud);
      index = baud_->count() - 1;
    }
    baud_->setCurrentIndex(index);
  }
  forced_->setText(c.forced == sim::watch::Fault::kNone
                       ? QString()
                       : QStringLiteral("Forced: the next %1 replies %2")
                             .arg(c.forcedLeft)
                             .arg(c.forced == sim::watch::Fault::kCorrupt
                                      ? QStringLiteral("corrupted")
                                      : QStringLiteral("lose a byte")));
}

void SwitchBoard::showUnknown() {
  known_.reset();
  setEnabled(false);
  power_->setText(QStringLiteral("?"));
  power_->setAccessibleDescription(QStringLiteral("unknown"));
}

}  // namespace panel
