// Controls of the window as the control table sees them: each widget carries one
// settable text property, which PropertyPut reaches by dispatch identifier.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "shell/control_table.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace console {

// What a put that cannot be carried out returns, as a dispatch interface would.
inline constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003u);
inline constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);

// A control whose one property (`Caption` or `Text`) shows a value. The value is
// turned into the text a control shows (see displayText) and handed to `show`.
class WidgetControl final : public Control {
 public:
  using Show = std::function<void(const QString&)>;

  WidgetControl(Property property, Show show);
  std::int32_t put(Property property, std::uint32_t valueType, const void* value) override;

 private:
  Property property_;
  Show show_;
};

// The adapters of each kind of widget. The widget must outlive its adapter.
std::unique_ptr<Control> labelControl(QLabel& label);         // Caption
std::unique_ptr<Control> textBoxControl(QLineEdit& edit);     // Text
std::unique_ptr<Control> buttonControl(QPushButton& button);  // Caption
std::unique_ptr<Control> frameControl(QGroupBox& frame);      // Caption
std::unique_ptr<Control> formControl(QWidget& window);        // Caption (the title)

}  // namespace console
