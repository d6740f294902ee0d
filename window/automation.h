// The form's automation interface on the user's session bus, and beside it an
// interface for test rigs that presses buttons and reads the displays.
//
//   bus name     org.fiscalconsole.Console (a second console at the same time
//                takes org.fiscalconsole.Console2, and so on up to Console99)
//   object path  /MainForm
//   interfaces   org.fiscalconsole.MainForm: Activate, Deactivate, DoModal (each
//                returns a boolean) and the read-write boolean property Enabled
//                (the window's state; PropertiesChanged on every change)
//                org.fiscalconsole.Rig: Press(s), Read(s) -> s, Controls() -> as,
//                Describe() -> aas, signal DisplayChanged(s control, s text);
//                Press and Read take a control's name, its caption, or
//                FRAME/CAPTION (form/control_reference.h)
//
// Never the system bus. Without a session bus the console runs as it would
// otherwise and says once on the error stream that automation is off.
#pragma once

#include <QPointer>
#include <QString>
#include <iosfwd>
#include <memory>

#include "window/forms_runtime.h"

namespace console {

class AutomationSession;
struct AutomationShared;

inline constexpr const char* kAutomationService = "org.fiscalconsole.Console";
inline constexpr const char* kAutomationPath = "/MainForm";
inline constexpr const char* kMainFormInterface = "org.fiscalconsole.MainForm";
inline constexpr const char* kRigInterface = "org.fiscalconsole.Rig";

class Automation {
 public:
  Automation(const FormDefinition& form, std::ostream& errors);
  ~Automation();
  Automation(const Automation&) = delete;
  Automation& operator=(const Automation&) = delete;

  // Wraps the event entry: while it runs, presses from the bus are refused;
  // every PropertyPut it makes is reported as DisplayChanged; and once the form's
  // FormOpened has been handled, the interface goes on the bus. The returned
  // entry must not outlive this object.
  EventEntry watch(EventEntry entry);

  // The bus name taken, or empty while automation is off.
  QString busName() const;

 private:
  void afterFormOpened();

  const FormDefinition& form_;
  std::ostream& errors_;
  std::shared_ptr<AutomationShared> shared_;
  QPointer<AutomationSession> session_;
  bool started_ = false;
};

}  // namespace console
