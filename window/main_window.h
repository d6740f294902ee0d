// The console's window, built from its form definition: one widget per control,
// placed in twips at the screen's logical resolution, stacked as the form says,
// and a control table over them in identifier order.
#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "shell/control_table.h"
#include "form/main_form.h"

namespace console {

// The family that stands in for the form's font face, which Linux does not have.
inline constexpr const char* kFallbackFontFamily = "Liberation Sans";

// Pixels for a length in twips at `dotsPerInch`, rounded to the nearest pixel.
int twipsToPixels(int twips, int dotsPerInch);

// How long showPainted() waits for the window system to show the window.
inline constexpr std::chrono::milliseconds kShowDeadline{2000};

class MainWindow final : public QWidget {
 public:
  // Receives each operator event of a control (Click, SecondaryEvent).
  using ControlEventSink = std::function<void(ControlId, EventId)>;
  // Called when the window closes (title bar, window manager or close()).
  using CloseHandler = std::function<void()>;

  explicit MainWindow(const FormDefinition& form);
  ~MainWindow() override;

  const FormDefinition& form() const { return form_; }
  const ControlTable& controls() const { return table_; }
  // The widget of the control called `name`, or nullptr.
  QWidget* widget(std::string_view name) const;

  // Shows the window and returns once it has been painted on the screen, or
  // after kShowDeadline if the window system never shows it. The window is
  // moved, if need be, so that all of it is on the screen it opens on.
  void showPainted();

  void setControlEventSink(ControlEventSink sink) { sink_ = std::move(sink); }
  void setCloseHandler(CloseHandler handler) { closeHandler_ = std::move(handler); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Entry {
    const ControlDefinition* definition;
    QWidget* widget;
  };

  QWidget* createWidget(const ControlDefinition& control);
  QWidget* createButton(const ControlDefinition& control);
  void applyFormAttributes();
  void keepOnScreen();
  void stackControls();
  void chainTabOrder();
  void raiseEvent(ControlId id, EventId event);

  const FormDefinition& form_;
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<Control>> adapters_;
  ControlTable table_;
  ControlEventSink sink_;
  CloseHandler closeHandler_;
};

}  // namespace console
