#include "window/qt_controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "shell/property_put.h"
#include "window/latin1.h"

namespace console {

WidgetControl::WidgetControl(Property property, Show show)
    : property_(property), show_(std::move(show)) {}

std::int32_t WidgetControl::put(Property property, std::uint32_t valueType, const void* value) {
  if (property != property_) return kMemberNotFound;
  if (value == nullptr || (valueType != kTextValueType && valueType != kNumberValueType)) {
    return kTypeMismatch;
  }
  // Texts are 8-bit ANSI characters.
  const std::string text = displayText(valueType, value);
  show_(latin1(text));
  return 0;
}

std::unique_ptr<Control> labelControl(QLabel& label) {
  return std::make_unique<WidgetControl>(Property::Caption,
                                         [&label](const QString& text) { label.setText(text); });
}

std::unique_ptr<Control> textBoxControl(QLineEdit& edit) {
  return std::make_unique<WidgetControl>(Property::Text,
                                         [&edit](const QString& text) { edit.setText(text); });
}

std::unique_ptr<Control> buttonControl(QPushButton& button) {
  return std::make_unique<WidgetControl>(Property::Caption,
                                         [&button](const QString& text) { button.setText(text); });
}

std::unique_ptr<Control> frameControl(QGroupBox& frame) {
  return std::make_unique<WidgetControl>(Property::Caption,
                                         [&frame](const QString& text) { frame.setTitle(text); });
}

std::unique_ptr<Control> formControl(QWidget& window) {
  return std::make_unique<WidgetControl>(
      Property::Caption, [&window](const QString& text) { window.setWindowTitle(text); });
}

}  // namespace console
