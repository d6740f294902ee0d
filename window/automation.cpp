#include "window/automation.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFileInfo>
#include <ostream>
#include <vector>

#include "shell/property_put.h"
#include "window/automation_session.h"
#include "window/latin1.h"
#include "window/main_window.h"

namespace console {
namespace {

constexpr const char* kConnectionName = "fiscal-console-automation";

// A control that reports each successful put to the session on the bus. The
// put itself is the wrapped control's, unchanged, and so is its result.
class ReportingControl final : public Control {
 public:
  ReportingControl(Control& inner, int position, std::shared_ptr<AutomationShared> shared)
      : inner_(inner), position_(position), shared_(std::move(shared)) {}

  std::int32_t put(Property property, std::uint32_t valueType, const void* value) override {
    const std::int32_t result = inner_.put(property, valueType, value);
    if (result == 0 && shared_->session != nullptr) {
      const std::string text = displayText(valueType, value);
      shared_->session->displayPut(position_, latin1(text));
    }
    return result;
  }

 private:
  Control& inner_;
  int position_;
  std::shared_ptr<AutomationShared> shared_;
};

// The window's control table with every entry wrapped in a ReportingControl.
struct ReportingTable {
  const ControlTable* source = nullptr;
  ControlTable table;
  std::vector<std::unique_ptr<ReportingControl>> controls;

  const ControlTable& over(const ControlTable& window,
                           const std::shared_ptr<AutomationShared>& shared) {
    if (source == &window) return table;
    source = &window;
    table = ControlTable();
    controls.clear();
    for (int position = 0; position < ControlTable::kSize; ++position) {
      if (Control* control = window.at(position)) {
        table.set(
            position,
            controls.emplace_back(std::make_unique<ReportingControl>(*control, position, shared))
                .get());
      }
    }
    return table;
  }
};

// The session bus's address: the environment's, or the user's bus socket of a
// systemd session. Empty when there is none: libdbus would otherwise start a bus
// of its own (autolaunch), which would outlive the console.
QString sessionBusAddress() {
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return address;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo::exists(runtime + QLatin1String("/bus"))) {
    return QLatin1String("unix:path=") + runtime + QLatin1String("/bus");
  }
  return {};
}

MainWindow* openWindow(const FormDefinition& form) {
  const QString name = latin1(form.name);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = dynamic_cast<MainWindow*>(widget);
    if (window != nullptr && window->objectName() == name) return window;
  }
  return nullptr;
}

}  // namespace

Automation::Automation(const FormDefinition& form, std::ostream& errors)
    : form_(form), errors_(errors), shared_(std::make_shared<AutomationShared>()) {}

Automation::~Automation() {
  delete session_.data();
}

EventEntry Automation::watch(EventEntry entry) {
  auto table = std::make_shared<ReportingTable>();
  return [this, entry = std::move(entry), table](const ControlTable& controls,
                                                 const ControlId& controlId, const EventId& eventId,
                                                 std::uint32_t word4, std::uint32_t word5) {
    ++shared_->proceduresRunning;
    const std::int32_t result =
        entry(table->over(controls, shared_), controlId, eventId, word4, word5);
    --shared_->proceduresRunning;
    if (controlId == form_.id && eventId == kFormOpened) afterFormOpened();
    return result;
  };
}

QString Automation::busName() const {
  return session_ ? session_->name() : QString();
}

void Automation::afterFormOpened() {
  if (started_) return;
  started_ = true;
  MainWindow* window = openWindow(form_);
  if (window == nullptr) return;
  const QString address = sessionBusAddress();
  if (address.isEmpty()) {
    errors_ << "fiscal-console: no session bus (DBUS_SESSION_BUS_ADDRESS is not set); "
               "automation is off\n"
            << std::flush;
    return;
  }
  QDBusConnection connection =
      QDBusConnection::connectToBus(address, QLatin1String(kConnectionName));
  if (!connection.isConnected()) {
    errors_ << "fiscal-console: cannot reach the session bus ("
            << connection.lastError().message().toStdString() << "); automation is off\n"
            << std::flush;
    QDBusConnection::disconnectFromBus(QLatin1String(kConnectionName));
    return;
  }
  auto* session =
      new AutomationSession(*window, form_, shared_, connection, QLatin1String(kConnectionName));
  QString why;
  const QString name = session->open(why);
  if (name.isEmpty()) {
    errors_ << "fiscal-console: " << why.toStdString() << "; automation is off\n" << std::flush;
    delete session;
    return;
  }
  session_ = session;
  if (name != QLatin1String(kAutomationService)) {
    errors_ << "fiscal-console: " << kAutomationService << " is taken; automation is on the "
            << "session bus as " << name.toStdString() << '\n'
            << std::flush;
  }
}

}  // namespace console
