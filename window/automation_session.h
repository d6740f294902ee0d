// The automation interface while it is on the bus: the session (on the window's
// thread, where every press and window change is carried out) and the exported
// object with its two adaptors (on a thread of its own, so that a call arriving
// while a procedure blocks the window is answered at once instead of queued;
// its calls and properties follow the D-Bus rules, see adapted_object.h).
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>

#include "form/main_form.h"
#include "window/adapted_object.h"

namespace console {

class MainWindow;
class AutomationSession;

// State shared by the window's thread and the bus thread.
struct AutomationShared {
  std::atomic<int> proceduresRunning{0};   // events inside the event entry (nested too)
  std::atomic<bool> pressInFlight{false};  // a Press accepted and not yet answered
  std::atomic<bool> enabled{true};         // Enabled: the window's state, or what Set asked
  QMutex mutex;                            // guards displays
  QHash<QString, QString> displays;        // what each control shows, by name
  // The session on the bus, or null; read and written on the window's thread only.
  AutomationSession* session = nullptr;
};

// What the adaptors on the bus thread need.
struct BusContext {
  std::shared_ptr<AutomationShared> shared;
  AutomationSession* session;  // outlives the bus thread
  QDBusConnection connection;
  const FormDefinition* form;
};

// org.fiscalconsole.MainForm: the form's own automation interface.
class MainFormAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.fiscalconsole.MainForm")
  Q_PROPERTY(bool Enabled READ enabled WRITE setEnabled)

 public:
  MainFormAdaptor(QObject* object, const BusContext& context);

  bool enabled() const;
  void setEnabled(bool enabled);

 public Q_SLOTS:
  // Raises the window, restores it when minimised, and gives it the focus.
  bool Activate(const QDBusMessage& call);
  // Lowers the window behind the others.
  bool Deactivate(const QDBusMessage& call);
  // Always false: the form is already shown, modeless.
  bool DoModal();

 private:
  const BusContext& context_;
};

// org.fiscalconsole.Rig: presses and reads for test rigs.
class RigAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.fiscalconsole.Rig")

 public:
  RigAdaptor(QObject* object, const BusContext& context);

 public Q_SLOTS:
  // `control` is a name, a caption no other control shows, or FRAME/CAPTION
  // (form/control_reference.h).
  // Delivers the Click of that command button as a mouse click does and answers
  // when its procedure has ended. Errors: UnknownControl, AmbiguousCaption,
  // NotAButton, Disabled, Busy (a procedure is running), Closed.
  void Press(const QString& control, const QDBusMessage& call);
  // What the control shows now: the text of a display (ESTADO, Cm1, Cm2,
  // CmCOMUNICACION), the caption of a label or button. Errors: UnknownControl,
  // AmbiguousCaption, NotADisplay (a frame).
  QString Read(const QString& control, const QDBusMessage& call);
  // The names of the form's 33 controls, in the form's order.
  QStringList Controls();
  // For each control, in the form's order: name, kind (button, label, textbox,
  // frame), caption, and the frame it sits in (the form's name outside every
  // frame), so that FRAME/CAPTION finds it.
  QList<QStringList> Describe();

 Q_SIGNALS:
  // Sent by the session after each PropertyPut (declared here for introspection).
  void DisplayChanged(const QString& control, const QString& text);

 private:
  const BusContext& context_;
};

// The object exported at /MainForm; it lives on the bus thread.
class BusObject final : public AdaptedObject {
 public:
  explicit BusObject(BusContext context);

 private:
  BusContext context_;
};

// The interface on the bus for one window. A child of that window: it leaves the
// bus when the window is destroyed.
class AutomationSession final : public QObject {
  Q_OBJECT
 public:
  AutomationSession(MainWindow& window, const FormDefinition& form,
                    std::shared_ptr<AutomationShared> shared, QDBusConnection connection,
                    QString connectionName);
  ~AutomationSession() override;

  // Exports the object and takes the first free bus name. Returns the name, or
  // an empty string with `why` filled in.
  QString open(QString& why);
  // The bus name taken by open().
  const QString& name() const { return name_; }

  // Called on the window's thread after a PropertyPut on `position` succeeded.
  void displayPut(int position, const QString& text);

  // Carried out on the window's thread for the bus thread; each answers `call`.
  void press(const QString& control, const QDBusMessage& call);
  void activate(const QDBusMessage& call);
  void deactivate(const QDBusMessage& call);
  // Gives the window the Enabled property's current value.
  void applyEnabled();

 protected:
  // Reports every change of the window's enabled state as the property's.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setDisplay(const QString& control, const QString& text);

  MainWindow& window_;
  const FormDefinition& form_;
  std::shared_ptr<AutomationShared> shared_;
  QDBusConnection connection_;
  QString connectionName_;
  QString name_;
  QThread thread_;
  BusObject* object_ = nullptr;
};

// The error names, "org.fiscalconsole.Error." and the suffix.
QString automationError(const char* suffix);

// Takes `enabled` as the value of the Enabled property and, when that changes
// it, sends PropertiesChanged. From either thread.
void publishEnabled(AutomationShared& shared, const QDBusConnection& connection, bool enabled);

}  // namespace console
