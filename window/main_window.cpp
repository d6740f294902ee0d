#include "window/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdint>

#include "form/tab_order.h"
#include "window/latin1.h"
#include "window/qt_controls.h"

namespace console {
namespace {

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

// A push button pressed by the keyboard as operators expect: Enter or Space
// clicks when the key goes down, and a held key runs the command once. The X
// server repeats a held key as a release and a press with one timestamp, which
// Qt does not always mark as a repetition; the button recognises the pair itself.
class CommandButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!pressesButton(*event)) {
      QPushButton::keyPressEvent(event);
      return;
    }
    if (!isRepetition(*event)) click();
    event->accept();
  }

  void keyReleaseEvent(QKeyEvent* event) override {
    releasedAt_ = event->timestamp();
    releasedKey_ = event->key();
    if (pressesButton(*event)) {
      event->accept();
      return;
    }
    QPushButton::keyReleaseEvent(event);
  }

 private:
  static bool pressesButton(const QKeyEvent& event) {
    const int key = event.key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
  }

  // Events made by a program may carry no time (0); they are never repetitions.
  bool isRepetition(const QKeyEvent& event) const {
    return event.isAutoRepeat() || (event.timestamp() != 0 && event.timestamp() == releasedAt_ &&
                                    event.key() == releasedKey_);
  }

  std::uint64_t releasedAt_ = 0;
  int releasedKey_ = 0;
};

// Where a window frame of `frame`'s size goes so that all of it lies within
// `available`: at its own top-left corner when it fits there, otherwise at the
// nearest corner from which it does. A frame wider or taller than the area
// starts at the area's left or top edge, so its title bar stays reachable.
QPoint placeWithin(const QRect& frame, const QRect& available) {
  const auto fit = [](int start, int size, int areaStart, int areaSize) {
    if (size >= areaSize) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaSize - size);
  };
  return QPoint(fit(frame.x(), frame.width(), available.x(), available.width()),
                fit(frame.y(), frame.height(), available.y(), available.height()));
}

// The screen the window opens on: the one at its position, else the primary one.
QScreen* screenAt(QPoint position) {
  QScreen* screen = QGuiApplication::screenAt(position);
  return screen != nullptr ? screen : QGuiApplication::primaryScreen();
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
  keepOnScreen();
}

// Before the window is shown its frame is not known yet and counts as the client
// area; once shown, the window manager's frame counts too.
void MainWindow::keepOnScreen() {
  const QRect frame = frameGeometry();
  const QScreen* screen = screenAt(frame.topLeft());
  if (screen == nullptr) return;
  const QPoint place = placeWithin(frame, screen->availableGeometry());
  if (place != frame.topLeft()) move(place);
}

void MainWindow::showPainted() {
  show();
  // The window paints itself when the window system exposes it; the short tick
  // wakes the loop so that the deadline holds even when no event comes.
  const QDeadlineTimer deadline(kShowDeadline);
  QTimer tick;
  tick.start(10);
  // A window closed meanwhile is never exposed.
  while (isVisible() && !windowHandle()->isExposed() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  keepOnScreen();
  // Sends the painted contents to the window system before a blocking call.
  QGuiApplication::sync();
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

// A left click (or Space or Enter while the button has the focus) raises Click;
// a right click raises SecondaryEvent.
QWidget* MainWindow::createButton(const ControlDefinition& control) {
  auto* button = new CommandButton(latin1(control.caption), this);
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
