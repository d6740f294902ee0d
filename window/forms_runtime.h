// The forms runtime on Qt Widgets: runs the event loop of the one window and
// hands each of its events to the event entry, one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "form/main_form.h"
#include "shell/control_table.h"
#include "shell/forms_interface.h"

namespace console {

class MainWindow;

class QtFormsRuntime final : public FormsRuntime {
 public:
  QtFormsRuntime(const FormDefinition& form, EventEntry entry);
  ~QtFormsRuntime() override;

  void markMainProgram() override;
  // Creates the application object, opens the window, runs the event loop until
  // the window has closed, and returns the loop's exit code.
  std::int32_t run(int argc, char** argv) override;

  // The steps of run() for a caller that owns the application object: creates
  // the window, shows it painted, then delivers FormOpened. Input given before
  // FormOpened has been handled is dropped.
  MainWindow& open();
  // The window, once open() has created it.
  MainWindow* window() const { return window_.get(); }

 private:
  enum class Phase { Created, Open, Closed };

  void showBeforeConnecting();
  void onControlEvent(ControlId id, EventId event);
  void onClose();
  void deliver(ControlId id, EventId event);

  const FormDefinition& form_;
  EventEntry entry_;
  std::unique_ptr<MainWindow> window_;
  Phase phase_ = Phase::Created;
  bool closedWhileOpening_ = false;
};

}  // namespace console
