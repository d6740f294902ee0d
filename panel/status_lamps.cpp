#include "panel/status_lamps.h"

#include <QGridLayout>

namespace panel {
namespace {

using fp::protocol::StatusWord;

}  // namespace

StatusLamps::StatusLamps(QWidget* parent) : QGroupBox(QStringLiteral("Status lamps"), parent) {
  setAccessibleName(QStringLiteral("Status lamps"));
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(2);
  int row = 0;
  for (const auto& [word, title] :
       {std::pair{StatusWord::Printer, "Printer"}, std::pair{StatusWord::Fiscal, "Fiscal"}}) {
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(QLatin1String(title)), this);
    grid->addWidget(heading, row++, 0);
    for (int bit = 0; bit < 16; ++bit) {
      const QString name = QString::fromLatin1(fp::protocol::statusBitName(word, bit));
      if (name.isEmpty()) continue;  // a bit that carries nothing
      auto* label = new QLabel(this);
      label->setAccessibleName(QStringLiteral("%1 lamp: %2").arg(QLatin1String(title), name));
      grid->addWidget(label, row++, 0);
      lamps_.push_back({word, bit, name, label});
    }
  }
  grid->setRowStretch(row, 1);
  showUnknown();
}

void StatusLamps::setLamp(Lamp& lamp, bool lit, bool known) {
  lamp.lit = lit;
  const QString colour = !known ? QStringLiteral("#bbbbbb")
                         : lit  ? (lamp.word == StatusWord::Printer ? QStringLiteral("#e23b2e")
                                                                    : QStringLiteral("#2ea043"))
                                : QStringLiteral("#5a5a5a");
  lamp.label->setText(QStringLiteral("<span style=\"color:%1\">&#9679;</span> %2")
                          .arg(colour, lamp.name.toHtmlEscaped()));
  lamp.label->setAccessibleDescription(!known ? QStringLiteral("unknown")
                                       : lit  ? QStringLiteral("lit")
                                              : QStringLiteral("off"));
}

void StatusLamps::show(const sim::watch::Status& status) {
  for (Lamp& lamp : lamps_) {
    const std::uint16_t value = lamp.word == StatusWord::Printer ? status.printer : status.fiscal;
    setLamp(lamp, (value & (1u << lamp.bit)) != 0, true);
  }
}

void StatusLamps::showUnknown() {
  for (Lamp& lamp : lamps_) setLamp(lamp, false, false);
}

bool StatusLamps::lit(StatusWord word, int bit) const {
  for (const Lamp& lamp : lamps_) {
    if (lamp.word == word && lamp.bit == bit) return lamp.lit;
  }
  return false;
}

}  // namespace panel
