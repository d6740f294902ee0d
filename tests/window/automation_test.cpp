// The console's outside: its command line, and its automation interface on a
// private session bus (the suite runs under dbus-run-session), driven the way a
// test rig drives it: the real console executable on the virtual printer, and
// the real window in this process over the recording library.
#include "window/automation.h"

#include <stdio.h>

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <sstream>
#include <thread>

#include "app/console_module.h"
#include "form/control_reference.h"
#include "tests/simulator/simulator_process.h"
#include "tests/support/recorder.h"
#include "tests/window/window_support.h"
#include "window/adapted_object.h"

namespace {

const QString kService = QStringLiteral("org.fiscalconsole.Console");

QProcessEnvironment offscreen() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.remove(QStringLiteral("FISCALPRINTER_PORT1"));
  return environment;
}

// A method call that keeps this process's event loop running while it waits, so
// that it can also reach a console in this very process.
QDBusMessage callOn(const QString& service, const char* interface, const char* method,
                    const QVariantList& arguments = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      service, QStringLiteral("/MainForm"), QLatin1String(interface), QLatin1String(method));
  call.setArguments(arguments);
  QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 20'000);
  if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 25'000)) qFatal("no answer");
  return pending.reply();
}
QDBusMessage rig(const QString& service, const char* method, const QVariantList& arguments = {}) {
  return callOn(service, "org.fiscalconsole.Rig", method, arguments);
}
QString errorOf(const QDBusMessage& reply) {
  return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
}
QString readOn(const QString& service, const char* control) {
  return rig(service, "Read", {QString::fromLatin1(control)}).arguments().value(0).toString();
}
void setEnabled(const QString& service, bool enabled) {
  callOn(service, "org.freedesktop.DBus.Properties", "Set",
         {QStringLiteral("org.fiscalconsole.MainForm"), QStringLiteral("Enabled"),
          QVariant::fromValue(QDBusVariant(enabled))});
}

// A D-Bus tool as the peer (gdbus, dbus-send): what it printed, both streams.
QString tool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20'000))
    qFatal("the tool never ended");
  return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}
QString gdbusCall(const QString& service, const QString& path, const QStringList& method) {
  return tool(QStringLiteral("gdbus"), QStringList{"call", "--session", "--dest", service,
                                                   "--object-path", path, "--method"} +
                                           method);
}

// The same from a thread that is not the window's (popen: no event loop needed).
std::string gdbusFromAnyThread(const std::string& service, const std::string& method) {
  const std::string command = "gdbus call --session --dest " + service +
                              " --object-path /MainForm --method " + method + " 2>&1";
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

bool waitForName(const QString& name) {
  return QTest::qWaitFor(
      [&] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value(); },
      15'000);
}

// The console executable, stopped by its process id at the end.
class ConsoleProcess {
 public:
  explicit ConsoleProcess(const QStringList& arguments,
                          const QProcessEnvironment& environment = offscreen()) {
    process_.setProcessEnvironment(environment);
    process_.start(QStringLiteral(CONSOLE_EXECUTABLE), arguments);
  }
  ~ConsoleProcess() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
  QProcess& process() { return process_; }

 private:
  QProcess process_;
};

}  // namespace

class DisplayListener : public QObject {
  Q_OBJECT
 public:
  QStringList seen;
 public Q_SLOTS:
  void changed(const QString& control, const QString& text) { seen << control + '=' + text; }
};

// The console's window in this process on `library`, its automation on the bus.
struct WindowInProcess {
  explicit WindowInProcess(const std::string& library)
      : module(runtime, library),
        forms(console::mainForm(), automation.watch(console::eventEntryOf(module))),
        window(forms.open()) {}
  std::ostringstream errors;
  console::ProgramRuntime runtime{errors};
  console::ConsoleModule module;
  console::Automation automation{console::mainForm(), errors};
  console::QtFormsRuntime forms;
  console::MainWindow& window;
};

class PropertiesListener : public QObject {
  Q_OBJECT
 public:
  QStringList seen;
 public Q_SLOTS:
  void changed(const QString& interface, const QVariantMap& values, const QStringList&) {
    for (auto it = values.begin(); it != values.end(); ++it)
      seen << interface + '.' + it.key() + '=' + it.value().toString();
  }
};

// An interface with a read-only and a compound property, and an output argument.
class ProbeAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.fiscalconsole.Probe")
  Q_PROPERTY(int Count READ count)
  Q_PROPERTY(QList<int> Numbers MEMBER numbers)
 public:
  explicit ProbeAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
  int count() const { return 7; }
  QList<int> numbers;
 public Q_SLOTS:
  int Halve(int value, int& rest) {
    rest = value % 2;
    return value / 2;
  }
};

class AutomationTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // --help and --version print and succeed; bad options print a line and the
  // usage and fail with 2; none of them opens a window (offscreen, it would stay).
  void commandLineAnswersWithoutAWindow() {
    const struct {
      QStringList arguments;
      int exitCode;
      QString firstLine;  // of standard output for 0, of standard error otherwise
    } cases[] = {
        {{"--help"}, 0, "Usage: fiscal-console [--library PATH] [--port DEVICE]"},
        {{"--port=/dev/null", "-h"}, 0, "Usage: fiscal-console [--library PATH] [--port DEVICE]"},
        {{"--version"}, 0, "fiscal-console " CONSOLE_VERSION},
        {{"--bogus"}, 2, "fiscal-console: unknown option --bogus"},
        {{"--port"}, 2, "fiscal-console: --port needs a value (DEVICE)"},
        {{"--library", ""}, 2, "fiscal-console: --library needs a value that is not empty"},
        {{"--port="}, 2, "fiscal-console: --port needs a value that is not empty"},
        {{"--version=2"}, 2, "fiscal-console: --version takes no value"},
        {{"stray"}, 2, "fiscal-console: unexpected argument stray"},
        {{"--", "--help"}, 2, "fiscal-console: unexpected argument --help"},
    };
    for (const auto& c : cases) {
      ConsoleProcess console(c.arguments);
      QVERIFY(console.process().waitForFinished(10'000));
      QCOMPARE(console.process().exitCode(), c.exitCode);
      const QByteArray out = console.process().readAllStandardOutput();
      const QByteArray err = console.process().readAllStandardError();
      QCOMPARE(QString::fromLatin1((c.exitCode == 0 ? out : err).split('\n').first()), c.firstLine);
      if (c.exitCode == 2) QVERIFY(err.contains("\nUsage: fiscal-console [--library PATH]"));
      QVERIFY((c.exitCode == 0 ? err : out).isEmpty());
    }
  }

  // A ticket pressed through the bus on the virtual printer (reached by --port),
  // ESTADO read after each step; presses refused while disabled, while a press
  // runs, or for a control that does not exist.
  void rigRunsATicketOnTheVirtualPrinter() {
    sim_test::SimulatorProcess printer({"--z-ms", "3000"});
    QVERIFY(printer.started());
    ConsoleProcess console({"--port", QString::fromStdString(printer.port())});
    QVERIFY(waitForName(kService));
    DisplayListener listener;
    QVERIFY(QDBusConnection::sessionBus().connect(kService, "/MainForm", "org.fiscalconsole.Rig",
                                                  "DisplayChanged", &listener,
                                                  SLOT(changed(QString, QString))));

    QCOMPARE(readOn(kService, "CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
    // By name, by a caption only one button shows, by caption within its frame.
    for (const char* button : {"CmCommand3", "CmFrame3/ITEM +", "Pago", "CERRAR TIQUE"}) {
      QCOMPARE(errorOf(rig(kService, "Press", {QString::fromLatin1(button)})), QString());
      QCOMPARE(readOn(kService, "ESTADO"), QStringLiteral("0"));
    }
    // A caption two buttons show is refused and sends nothing; labels read
    // what they show; Describe gives each control's kind, caption and frame.
    QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("ITEM -")})),
             QStringLiteral("org.fiscalconsole.Error.AmbiguousCaption"));
    QCOMPARE(errorOf(rig(kService, "Read", {QStringLiteral("Devolucion de item")})),
             QStringLiteral("org.fiscalconsole.Error.AmbiguousCaption"));
    QCOMPARE(readOn(kService, "MainForm/Devolucion de item"), QStringLiteral("Devolucion de item"));
    QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("Impresor")})),
             QStringLiteral("org.fiscalconsole.Error.NotAButton"));
    const QDBusMessage described = rig(kService, "Describe");
    const auto controls = qdbus_cast<QList<QStringList>>(described.arguments().value(0));
    QCOMPARE(controls.size(), 33);
    QVERIFY(controls.contains(QStringList{"CmCommand13", "button", "ABRIR CAJON1", "MainForm"}));
    QVERIFY(controls.contains(QStringList{"CmStatic1", "label", "Devolucion de item", "CmFrame3"}));
    QVERIFY(QTest::qWaitFor([&] { return listener.seen.size() == 4; }, 5000));
    QCOMPARE(listener.seen, QStringList(4, QStringLiteral("ESTADO=0")));
    QCOMPARE(printer.stat("commands_executed"), std::uint64_t{4});
    // The next press may follow the answer of the last at once (the drawer).
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("CmCommand13")})), QString());
    }

    QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("CmCommand99")})),
             QStringLiteral("org.fiscalconsole.Error.UnknownControl"));
    setEnabled(kService, false);
    QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("CmCommand3")})),
             QStringLiteral("org.fiscalconsole.Error.Disabled"));
    setEnabled(kService, true);

    // CIERRE Z takes the printer 3 s; a press meanwhile is refused, not queued.
    QDBusMessage closing =
        QDBusMessage::createMethodCall(kService, "/MainForm", "org.fiscalconsole.Rig", "Press");
    closing << QStringLiteral("CmCommand15");
    QDBusPendingCall z = QDBusConnection::sessionBus().asyncCall(closing, 20'000);
    QTest::qWait(500);
    QCOMPARE(errorOf(rig(kService, "Press", {QStringLiteral("CmCommand3")})),
             QStringLiteral("org.fiscalconsole.Error.Busy"));
    QVERIFY(QTest::qWaitFor([&] { return z.isFinished(); }, 20'000));
    QCOMPARE(errorOf(z.reply()), QString());
    // The Z closing went out; the refused press sent nothing.
    QCOMPARE(printer.stat("commands_executed"), std::uint64_t{4 + 10 + 1});

    // A second console at the same time takes a numbered name; this one has no
    // library and says so, naming the path.
    ConsoleProcess second({"--library", "/no/such/libprinter.so"});
    QVERIFY(waitForName(kService + '2'));
    QCOMPARE(readOn(kService + '2', "CmCOMUNICACION"),
             QStringLiteral("Biblioteca del impresor no encontrada"));
    const QByteArray errors = second.process().readAllStandardError();
    QVERIFY2(errors.contains("as org.fiscalconsole.Console2"), errors.constData());
    QVERIFY2(errors.contains("/no/such/libprinter.so: cannot open shared object file"),
             errors.constData());
  }

  // Without a session bus the console runs as before and says so once.
  void withoutASessionBusTheConsoleRunsAndSaysSo() {
    QProcessEnvironment environment = offscreen();
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    ConsoleProcess console({"--library", "/no/such/libprinter.so"}, environment);
    console.process().setReadChannel(QProcess::StandardError);
    QVERIFY(QTest::qWaitFor([&] { return console.process().canReadLine(); }, 10'000));
    QTest::qWait(500);
    QCOMPARE(console.process().state(), QProcess::Running);
    const QString errors = QString::fromLatin1(console.process().readAllStandardError());
    QCOMPARE(errors.count(QStringLiteral("automation is off")), 1);
  }

  // org.freedesktop.DBus.Properties by the D-Bus rules, with gdbus and
  // dbus-send as the peers: no conversion of a value of another type, the
  // errors the rules name (a probe object of this process has the read-only and
  // compound properties the console lacks), and PropertiesChanged for every
  // change of Enabled, by the bus or by the program, once; Get and GetAll read
  // the window's state.
  void propertiesFollowTheDBusRules() {
    WindowInProcess app(testing_support::recordingLibraryPath());
    console::MainWindow& window = app.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString service = app.automation.busName();
    PropertiesListener listener;
    QVERIFY(QDBusConnection::sessionBus().connect(
        service, "/MainForm", "org.freedesktop.DBus.Properties", "PropertiesChanged", &listener,
        SLOT(changed(QString, QVariantMap, QStringList))));
    console::AdaptedObject probe;
    new ProbeAdaptor(&probe);
    QVERIFY(QDBusConnection::sessionBus().registerVirtualObject("/Probe", &probe));
    const QString self = QDBusConnection::sessionBus().baseService();
    const auto properties = [&](const QStringList& call, bool onProbe = false) {
      return gdbusCall(onProbe ? self : service, onProbe ? "/Probe" : "/MainForm",
                       QStringList{"org.freedesktop.DBus.Properties." + call[0]} + call.mid(1));
    };

    const QString form = QStringLiteral("org.fiscalconsole.MainForm");
    const QString error = QStringLiteral("Error: GDBus.Error:org.freedesktop.DBus.Error.");
    const struct {
      QStringList call;
      QString answer;  // the start of what gdbus prints
      bool onProbe = false;
    } cases[] = {
        {{"Set", form, "Enabled", "<'false'>"}, error + "InvalidArgs"},
        {{"Set", form, "Enabled", "<int32 0>"}, error + "InvalidArgs"},
        {{"Set", form, "Enabled", "<@ab [false]>"}, error + "InvalidArgs"},
        {{"Set", form, "Nope", "<false>"}, error + "UnknownProperty"},
        {{"Set", "org.fiscalconsole.Nope", "Enabled", "<false>"}, error + "UnknownInterface"},
        {{"Get", "org.fiscalconsole.Rig", "Enabled"}, error + "UnknownProperty"},
        {{"Get", "org.fiscalconsole.Nope", "Enabled"}, error + "UnknownInterface"},
        {{"GetAll", "org.fiscalconsole.Nope"}, error + "UnknownInterface"},
        {{"GetAll", "org.fiscalconsole.Rig"}, "(@a{sv} {},)"},
        {{"Get", form, "Enabled"}, "(<true>,)"},
        {{"Set", "org.fiscalconsole.Probe", "Count", "<8>"}, error + "PropertyReadOnly", true},
        {{"Get", "", "Count"}, "(<7>,)", true},
        {{"Set", "org.fiscalconsole.Probe", "Numbers", "<@a(ii) []>"}, error + "InvalidArgs", true},
        {{"Set", "org.fiscalconsole.Probe", "Numbers", "<[1, 2]>"}, "()", true},
        {{"Get", "org.fiscalconsole.Probe", "Numbers"}, "(<[1, 2]>,)", true},
    };
    for (const auto& c : cases) {
      const QString answer = properties(c.call, c.onProbe);
      QVERIFY2(answer.startsWith(c.answer), qPrintable(c.call.join(' ') + " -> " + answer));
    }
    QCOMPARE(gdbusCall(self, "/Probe", {"org.fiscalconsole.Probe.Halve", "7"}),
             QStringLiteral("(3, 1)\n"));
    // Methods given other arguments or names (dbus-send does not check them first).
    const struct {
      QStringList call;
      const char* error;
    } sends[] = {
        {{"org.fiscalconsole.Rig.Read", "int32:5"}, "InvalidArgs"},
        {{"org.fiscalconsole.Rig.Read", "string:ESTADO", "string:x"}, "InvalidArgs"},
        {{"org.fiscalconsole.Nope.Read", "string:ESTADO"}, "UnknownInterface"},
        {{"org.fiscalconsole.Rig.Nope"}, "UnknownMethod"},
    };
    for (const auto& c : sends) {
      const QString answer = tool(
          "dbus-send",
          QStringList{"--session", "--print-reply", "--dest=" + service, "/MainForm"} + c.call);
      QVERIFY2(answer.contains(QLatin1String("org.freedesktop.DBus.Error.") + c.error),
               qPrintable(c.call.join(' ') + " -> " + answer));
    }
    // Introspection from the adaptors, with no EmitsChangedSignal="false".
    const auto introspection = [](const QString& destination, const QString& path) {
      return tool("gdbus", {"introspect", "--session", "--xml", "--dest", destination,
                            "--object-path", path});
    };
    const QString mainForm = introspection(service, "/MainForm");
    QVERIFY2(mainForm.contains(R"(<property name="Enabled" type="b" access="readwrite"/>)") &&
                 mainForm.contains(R"(<arg name="control" type="s" direction="in"/>)") &&
                 !mainForm.contains("EmitsChangedSignal"),
             qPrintable(mainForm));
    const QString probeXml = introspection(self, "/Probe");
    QVERIFY2(probeXml.contains(R"(<property name="Count" type="i" access="read"/>)") &&
                 probeXml.contains(R"(<arg name="rest" type="i" direction="out"/>)"),
             qPrintable(probeXml));
    QDBusConnection::sessionBus().unregisterObject("/Probe");
    QVERIFY(window.isEnabled());

    window.setEnabled(false);  // by the program
    QCOMPARE(properties({"Get", form, "Enabled"}), QStringLiteral("(<false>,)\n"));
    QCOMPARE(properties({"Set", form, "Enabled", "<true>"}), QStringLiteral("()\n"));
    QVERIFY(QTest::qWaitFor([&] { return window.isEnabled(); }, 5000));
    QCOMPARE(properties({"GetAll", form}), QStringLiteral("({'Enabled': <true>},)\n"));
    QVERIFY(QTest::qWaitFor([&] { return listener.seen.size() >= 2; }, 5000));
    QTest::qWait(200);  // room for a duplicate to show
    QCOMPARE(listener.seen, QStringList({form + ".Enabled=false", form + ".Enabled=true"}));
    window.close();
  }

  // A press from the bus while the procedure of a mouse click runs (a Z
  // closing the virtual printer takes 3 s over) is refused, not queued.
  void pressIsRefusedWhileAClicksProcedureRuns() {
    sim_test::SimulatorProcess printer({"--z-ms", "3000"});
    QVERIFY(printer.started());
    qputenv("FISCALPRINTER_PORT1", QByteArray::fromStdString(printer.port()));
    WindowInProcess app(LIBRARY_PATH);
    console::MainWindow& window = app.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window_test::shownBy(window, "CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
    const std::string service = app.automation.busName().toStdString();
    std::string answer;
    std::thread rig([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      answer = gdbusFromAnyThread(service, "org.fiscalconsole.Rig.Press CmCommand3");
    });
    QVERIFY(window_test::clickOnTop(window, "CmCommand15"));  // CIERRE Z, by the mouse
    rig.join();
    QVERIFY2(answer.find("org.fiscalconsole.Error.Busy") != std::string::npos, answer.c_str());
    QCOMPARE(printer.stat("commands_executed"), std::uint64_t{1});  // the Z alone
    window.close();
    qunsetenv("FISCALPRINTER_PORT1");
  }

  // Press reaches the procedure exactly as a click does: for every button the
  // same library calls with the same bytes at the same addresses.
  void pressMakesTheSameCallsAsAClick() {
    WindowInProcess app(testing_support::recordingLibraryPath());
    testing_support::Recorder recorder;
    console::MainWindow& window = app.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString service = app.automation.busName();
    QVERIFY(!service.isEmpty());

    int buttons = 0;
    for (const auto* button : window_test::controlsOfKind(console::ControlKind::CommandButton)) {
      const QString name = QString::fromLatin1(button->name.data(), button->name.size());
      recorder.reset();
      QCOMPARE(errorOf(rig(service, "Press", {name})), QString());
      const std::vector<std::string> pressed = describe(recorder.calls());
      // Found by caption within its frame, the same button makes the same calls.
      recorder.reset();
      const std::string byCaption = console::captionReference(console::mainForm(), *button);
      QCOMPARE(errorOf(rig(service, "Press", {QString::fromLatin1(byCaption.c_str())})), QString());
      QCOMPARE(describe(recorder.calls()), pressed);
      recorder.reset();
      if (!window_test::clickOnTop(window, button->name.data())) continue;  // CmCommand1
      QCOMPARE(pressed, describe(recorder.calls()));
      QVERIFY(!pressed.empty());
      ++buttons;
    }
    QCOMPARE(buttons, 20);  // every button bound to Click
    window.close();
  }

 private:
  static std::vector<std::string> describe(const std::vector<RecordedCall>& calls) {
    std::vector<std::string> out;
    for (const RecordedCall& call : calls) {
      std::ostringstream line;
      line << call.name << ' ' << call.intArg << ' ' << call.address << ' '
           << testing_support::bytesOf(call) << '|' << testing_support::atAddressOf(call) << '|'
           << call.areaAllZero;
      out.push_back(line.str());
    }
    return out;
  }
};

QTEST_MAIN(AutomationTest)
#include "automation_test.moc"
