// The whole console for a window suite: the program runtime, the program module
// over a printer library, the recorder of the recording library and the Qt forms
// runtime with its window. One per test function.
#pragma once

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <memory>
#include <sstream>
#include <string>

#include "app/console_module.h"
#include "window/forms_runtime.h"
#include "window/main_window.h"
#include "shell/program_runtime.h"
#include "tests/support/recorder.h"
#include "tests/window/window_support.h"

namespace window_test {

class ConsoleUnderTest {
 public:
  // Results scripted on recorder() before open() reach the connection: the
  // recording library is loaded with the module, and the window connects in open().
  explicit ConsoleUnderTest(std::string libraryPath = testing_support::recordingLibraryPath())
      : module_(runtime_, std::move(libraryPath)),
        forms_(std::make_unique<console::QtFormsRuntime>(console::mainForm(),
                                                         console::eventEntryOf(module_))) {}

  testing_support::Recorder& recorder() { return recorder_; }
  console::ProgramRuntime& runtime() { return runtime_; }

  console::MainWindow& open() {
    console::MainWindow& window = forms_->open();
    if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
    return window;
  }
  console::MainWindow& window() { return *forms_->window(); }

  // A left click in the middle of the control called `name`, which must be on top
  // there (CmCommand1 lies under CmCommand3, but away from its middle).
  bool clickOn(const char* name) { return clickOnTop(window(), name); }

  // What the label or text box called `name` shows.
  QString shown(const char* name) { return shownBy(window(), name); }

  // Closes the window as a window manager does, then as the program would, and
  // destroys it: the form must get its closing event once in all.
  void closeWindow() {
    QCloseEvent request;
    QApplication::sendEvent(window().windowHandle(), &request);
    window().close();
    destroyWindow();
  }

  // Destroys the window (and its forms runtime) as the program does at its end.
  void destroyWindow() { forms_.reset(); }

 private:
  std::ostringstream errors_;
  console::ProgramRuntime runtime_{errors_};
  console::ConsoleModule module_;
  testing_support::Recorder recorder_;
  std::unique_ptr<console::QtFormsRuntime> forms_;
};

}  // namespace window_test
