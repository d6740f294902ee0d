#include "window/main_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "window/qt_controls.h"
#include "form/tab_order.h"

namespace console {
namespace {

QString latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QFont formFont(const FontDefinition& definition) {
  const QString face = latin1(definition.face);
  QFont::insertSubstitution(face, QString::fromLatin1(kFallbackFontFamily));
  QFont font(face);
  font.setPointSizeF(definition.pointSize);
  font.setWeight(static_cast<QFont::Weight>(definition.weight));
  font.setItalic(definition.italic);
  font.setUnderline(definition.underline);
  font.setStrikeOut(definition.strikeOut);
  return font;
}

QWidget* createLabel(const ControlDefinition& control, QWidget* parent) {
  auto* label = new QLabel(latin1(control.caption), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (control.sunkenBorder) label->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  return label;
}

QWidget* createTextBox(const ControlDefinition& control, QWidget* parent) {
  auto* edit = new QLineEdit(latin1(control.caption), parent);
  edit->setFrame(control.sunkenBorder);
  return edit;
}

QWidget* createFrame(const ControlDefinition& control, QWidget* parent) {
  auto* frame = new QGroupBox(latin1(control.caption), parent);
  frame->setFocusPolicy(Qt::NoFocus);
  return frame;
}

std::unique_ptr<Control> adapterFor(const ControlDefinition& control, QWidget& widget) {
  switch (control.kind) {
    case ControlKind::CommandButton:
      return buttonControl(static_cast<QPushButton&>(widget));
    case ControlKind::Label:
      return labelControl(static_cast<QLabel&>(widget));
    case ControlKind::TextBox:
      return textBoxControl(static_cast<QLineEdit&>(widget));
    case ControlKind::GroupFrame:
      return frameControl(static_cast<QGroupBox&>(widget));
  }
  return nullptr;
}

}  // namespace

int twipsToPixels(int twips, int dotsPerInch) {
  const long scaled = static_cast<long>(twips) * dotsPerInch;
  const long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : (scaled - half) / kTwipsPerInch);
}

MainWindow::MainWindow(const FormDefinition& form) : form_(form) {
  applyFormAttributes();
  table_.set(0, adapters_.emplace_back(formControl(*this)).get());
  int position = 1;
  for (const ControlDefinition& control : form.controls) {
    QWidget* widget = createWidget(control);
    widget->setObjectName(latin1(control.name));
    widget->setGeometry(twipsToPixels(control.rect.left, logicalDpiX()),
                        twipsToPixels(control.rect.top, logicalDpiY()),
                        twipsToPixels(control.rect.width, logicalDpiX()),
                        twipsToPixels(control.rect.height, logicalDpiY()));
    entries_.push_back({&control, widget});
    table_.set(position++, adapters_.emplace_back(adapterFor(control, *widget)).get());
  }
  stackControls();
  chainTabOrder();
  if (QWidget* focus = widget(form.initialFocus)) focus->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() = default;

void MainWindow::applyFormAttributes() {
  setObjectName(latin1(form_.name));
  setWindowTitle(latin1(form_.caption));
  setFont(formFont(form_.font));
  // The form's background is the button-face colour; text keeps the window-text colour.
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  move(twipsToPixels(form_.rect.left, logicalDpiX()), twipsToPixels(form_.rect.top, logicalDpiY()));
  resize(twipsToPixels(form_.rect.width, logicalDpiX()),
         twipsToPixels(form_.rect.height, logicalDpiY()));
}

QWidget* MainWindow::createWidget(const ControlDefinition& control) {
  switch (control.kind) {
    case ControlKind::CommandButton:
      return createButton(control);
    case ControlKind::Label:
      return createLabel(control, this);
    case ControlKind::TextBox:
      return createTextBox(control, this);
    case ControlKind::GroupFrame:
      return createFrame(control, this);
  }
  return nullptr;
}

// A left click (or Space while the button has the focus) raises Click; a right
// click raises SecondaryEvent.
QWidget* MainWindow::createButton(const ControlDefinition& control) {
  auto* button = new QPushButton(latin1(control.caption), this);
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(takesFocus(form_, control) ? Qt::StrongFocus : Qt::NoFocus);
  button->setContextMenuPolicy(Qt::CustomContextMenu);
  const ControlId id = control.id;
  QObject::connect(button, &QPushButton::clicked, this, [this, id] { raiseEvent(id, kClick); });
  QObject::connect(button, &QWidget::customContextMenuRequested, this,
                   [this, id] { raiseEvent(id, kSecondaryEvent); });
  return button;
}

void MainWindow::stackControls() {
  std::vector<Entry> byRank = entries_;
  std::sort(byRank.begin(), byRank.end(), [](const Entry& a, const Entry& b) {
    return a.definition->stackRank < b.definition->stackRank;
  });
  for (const Entry& entry : byRank) entry.widget->raise();
}

void MainWindow::chainTabOrder() {
  QWidget* previous = nullptr;
  for (const ControlDefinition* control : tabOrder(form_)) {
    QWidget* next = widget(control->name);
    if (previous != nullptr) QWidget::setTabOrder(previous, next);
    previous = next;
  }
}

QWidget* MainWindow::widget(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (entry.definition->name == name) return entry.widget;
  }
  return nullptr;
}

void MainWindow::raiseEvent(ControlId id, EventId event) {
  if (sink_) sink_(id, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeHandler_) closeHandler_();
  event->accept();
}

}  // namespace console
