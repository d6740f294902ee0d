#include "window/automation_session.h"

#include <QAbstractButton>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>

#include "form/control_reference.h"
#include "window/automation.h"
#include "window/latin1.h"
#include "window/main_window.h"

namespace console {
namespace {

// Further names tried when the first is taken: Console2 .. Console99.
constexpr int kLastNumberedName = 99;

// What a control's widget shows now: a label's or button's text, the message
// box's text; a frame shows none of its own.
QString shownText(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  return {};
}

// Answers `call` with an error, from whichever thread.
void replyError(const QDBusConnection& connection, const QDBusMessage& call, const char* error,
                const QString& text) {
  call.setDelayedReply(true);
  connection.send(call.createErrorReply(automationError(error), text));
}

// "; the button captioned X is FRAME/X" when a button shows `caption`: a name
// comes before a caption ("ESTADO" is a label), and the refusal says which
// reference presses the button.
QString buttonCaptioned(const FormDefinition& form, const QString& caption) {
  for (const ControlDefinition& control : form.controls) {
    if (control.kind == ControlKind::CommandButton && latin1(control.caption) == caption) {
      return QStringLiteral("; the button captioned %1 is %2")
          .arg(caption, latin1(captionReference(form, control)));
    }
  }
  return {};
}

// The control a reference names, or null after answering `call` with the error.
const ControlDefinition* lookUp(const BusContext& context, const QString& reference,
                                const QDBusMessage& call) {
  const ControlLookup found = findControl(*context.form, latin1Bytes(reference));
  if (found.control == nullptr) {
    replyError(
        context.connection, call,
        found.failure == ControlLookup::Failure::kAmbiguous ? "AmbiguousCaption" : "UnknownControl",
        latin1(found.why));
  }
  return found.control;
}

// Why a press is refused, the same whichever thread refuses it.
QString busyText() {
  return QStringLiteral("a procedure is running; presses are refused, not queued");
}
QString disabledText() {
  return QStringLiteral("the window is disabled (Enabled is false); press refused");
}

}  // namespace

QString automationError(const char* suffix) {
  return QStringLiteral("org.fiscalconsole.Error.") + QLatin1String(suffix);
}

void publishEnabled(AutomationShared& shared, const QDBusConnection& connection, bool enabled) {
  if (shared.enabled.exchange(enabled) == enabled) return;
  propertiesChanged(connection, QLatin1String("/MainForm"), QLatin1String(kMainFormInterface),
                    {{QStringLiteral("Enabled"), enabled}});
}

// ---- on the bus thread -------------------------------------------------------

MainFormAdaptor::MainFormAdaptor(QObject* object, const BusContext& context)
    : QDBusAbstractAdaptor(object), context_(context) {}

bool MainFormAdaptor::enabled() const {
  return context_.shared->enabled.load();
}

// Answered at once, also while a procedure blocks the window; the window
// follows as soon as its thread is free.
void MainFormAdaptor::setEnabled(bool enabled) {
  publishEnabled(*context_.shared, context_.connection, enabled);
  AutomationSession* session = context_.session;
  QMetaObject::invokeMethod(
      session, [session] { session->applyEnabled(); }, Qt::QueuedConnection);
}

bool MainFormAdaptor::Activate(const QDBusMessage& call) {
  call.setDelayedReply(true);
  AutomationSession* session = context_.session;
  QMetaObject::invokeMethod(
      session, [session, call] { session->activate(call); }, Qt::QueuedConnection);
  return true;
}

bool MainFormAdaptor::Deactivate(const QDBusMessage& call) {
  call.setDelayedReply(true);
  AutomationSession* session = context_.session;
  QMetaObject::invokeMethod(
      session, [session, call] { session->deactivate(call); }, Qt::QueuedConnection);
  return true;
}

bool MainFormAdaptor::DoModal() {
  return false;
}

RigAdaptor::RigAdaptor(QObject* object, const BusContext& context)
    : QDBusAbstractAdaptor(object), context_(context) {}

void RigAdaptor::Press(const QString& reference, const QDBusMessage& call) {
  const ControlDefinition* definition = lookUp(context_, reference, call);
  AutomationShared& shared = *context_.shared;
  if (definition == nullptr) return;
  if (definition->kind != ControlKind::CommandButton) {
    replyError(context_.connection, call, "NotAButton",
               QStringLiteral("'%1' is the %2 %3, not a command button; only buttons are "
                              "pressed%4")
                   .arg(reference, latin1(kindName(definition->kind)), latin1(definition->name),
                        buttonCaptioned(*context_.form, reference)));
    return;
  }
  const QString control = latin1(definition->name);
  if (!shared.enabled.load()) {
    replyError(context_.connection, call, "Disabled", disabledText());
    return;
  }
  bool idle = false;
  if (shared.proceduresRunning.load() > 0 ||
      !shared.pressInFlight.compare_exchange_strong(idle, true)) {
    replyError(context_.connection, call, "Busy", busyText());
    return;
  }
  call.setDelayedReply(true);
  AutomationSession* session = context_.session;
  QMetaObject::invokeMethod(
      session, [session, control, call] { session->press(control, call); }, Qt::QueuedConnection);
}

QString RigAdaptor::Read(const QString& reference, const QDBusMessage& call) {
  const ControlDefinition* definition = lookUp(context_, reference, call);
  if (definition == nullptr) return {};
  if (definition->kind == ControlKind::GroupFrame) {
    replyError(context_.connection, call, "NotADisplay",
               QStringLiteral("'%1' is the frame %2, which shows no text of its own")
                   .arg(reference, latin1(definition->name)));
    return {};
  }
  QMutexLocker lock(&context_.shared->mutex);
  return context_.shared->displays.value(latin1(definition->name));
}

QStringList RigAdaptor::Controls() {
  QStringList names;
  for (const ControlDefinition& control : context_.form->controls) names << latin1(control.name);
  return names;
}

QList<QStringList> RigAdaptor::Describe() {
  const FormDefinition& form = *context_.form;
  QList<QStringList> controls;
  for (const ControlDefinition& control : form.controls) {
    controls << QStringList{latin1(control.name), latin1(kindName(control.kind)),
                            latin1(control.caption),
                            latin1(control.frame.empty() ? form.name : control.frame)};
  }
  return controls;
}

BusObject::BusObject(BusContext context) : context_(std::move(context)) {
  new MainFormAdaptor(this, context_);
  new RigAdaptor(this, context_);
}

// ---- on the window's thread --------------------------------------------------

AutomationSession::AutomationSession(MainWindow& window, const FormDefinition& form,
                                     std::shared_ptr<AutomationShared> shared,
                                     QDBusConnection connection, QString connectionName)
    : QObject(&window),
      window_(window),
      form_(form),
      shared_(std::move(shared)),
      connection_(std::move(connection)),
      connectionName_(std::move(connectionName)) {
  shared_->enabled.store(window_.isEnabled());
  window_.installEventFilter(this);
  for (const ControlDefinition& control : form_.controls) {
    QWidget* widget = window_.widget(control.name);
    const QString name = latin1(control.name);
    setDisplay(name, shownText(widget));
    // The operator may type into the message box; Read shows what it shows.
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      connect(edit, &QLineEdit::textChanged, this,
              [this, name](const QString& text) { setDisplay(name, text); });
    }
  }
  shared_->session = this;
}

AutomationSession::~AutomationSession() {
  shared_->session = nullptr;
  if (!name_.isEmpty()) connection_.interface()->unregisterService(name_);
  connection_.unregisterObject(QLatin1String("/MainForm"));
  // The bus thread may still post work to this object until it has stopped; such
  // work is dropped with this object, and its callers get the bus's error.
  thread_.quit();
  thread_.wait();
  connection_ = QDBusConnection(QString());
  QDBusConnection::disconnectFromBus(connectionName_);
}

QString AutomationSession::open(QString& why) {
  // Describe's a(as): a list of string lists is no type QtDBus knows by itself.
  qDBusRegisterMetaType<QList<QStringList>>();
  object_ = new BusObject(BusContext{shared_, this, connection_, &form_});
  object_->moveToThread(&thread_);
  // Deleted on its own thread as that thread ends.
  connect(&thread_, &QThread::finished, object_, &QObject::deleteLater);
  thread_.setObjectName(QStringLiteral("automation"));
  thread_.start();
  if (!connection_.registerVirtualObject(QLatin1String("/MainForm"), object_)) {
    why = QStringLiteral("cannot export /MainForm: ") + connection_.lastError().message();
    return {};
  }
  QDBusConnectionInterface* bus = connection_.interface();
  for (int number = 1; number <= kLastNumberedName; ++number) {
    const QString name = QLatin1String("org.fiscalconsole.Console") +
                         (number == 1 ? QString() : QString::number(number));
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus->registerService(name, QDBusConnectionInterface::DontQueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
      why = QStringLiteral("cannot take a bus name: ") + reply.error().message();
      return {};
    }
    if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
      name_ = name;
      return name_;
    }
  }
  why = QStringLiteral("org.fiscalconsole.Console and Console2 to Console%1 are all taken")
            .arg(kLastNumberedName);
  return {};
}

void AutomationSession::setDisplay(const QString& control, const QString& text) {
  QMutexLocker lock(&shared_->mutex);
  shared_->displays.insert(control, text);
}

void AutomationSession::displayPut(int position, const QString& text) {
  const QString control = position == 0
                              ? latin1(form_.name)
                              : latin1(form_.controls[static_cast<std::size_t>(position - 1)].name);
  if (position > 0) setDisplay(control, text);
  QDBusMessage signal =
      QDBusMessage::createSignal(QLatin1String("/MainForm"), QLatin1String("org.fiscalconsole.Rig"),
                                 QLatin1String("DisplayChanged"));
  signal << control << text;
  connection_.send(signal);
}

void AutomationSession::press(const QString& control, const QDBusMessage& call) {
  // The press is over before its answer leaves: the caller may press again at once.
  const auto answer = [this](const QDBusMessage& reply) {
    shared_->pressInFlight.store(false);
    connection_.send(reply);
  };
  const auto refuse = [&](const char* error, const QString& text) {
    answer(call.createErrorReply(automationError(error), text));
  };
  // A nested event loop inside a procedure may run this early: refuse, never queue.
  if (shared_->proceduresRunning.load() > 0) {
    return refuse("Busy", busyText());
  }
  if (!window_.isVisible()) return refuse("Closed", QStringLiteral("the window has closed"));
  if (!window_.isEnabled()) {
    return refuse("Disabled", disabledText());
  }
  auto* button = qobject_cast<QAbstractButton*>(window_.widget(latin1Bytes(control)));
  if (button == nullptr) {
    return refuse("NotAButton", QStringLiteral("'%1' is not a command button").arg(control));
  }
  // The same signal a mouse click emits: the same event, procedure and bytes.
  button->click();
  answer(call.createReply());
}

void AutomationSession::activate(const QDBusMessage& call) {
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  window_.raise();
  window_.activateWindow();
  connection_.send(call.createReply(QVariant(true)));
}

void AutomationSession::deactivate(const QDBusMessage& call) {
  window_.lower();
  connection_.send(call.createReply(QVariant(true)));
}

void AutomationSession::applyEnabled() {
  window_.setEnabled(shared_->enabled.load());
}

bool AutomationSession::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::EnabledChange) {
    publishEnabled(*shared_, connection_, window_.isEnabled());
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace console
