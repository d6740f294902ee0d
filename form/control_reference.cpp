#include "form/control_reference.h"

#include <vector>

namespace console {
namespace {

// The frame a control sits in, as references write it.
std::string_view frameOf(const FormDefinition& form, const ControlDefinition& control) {
  return control.frame.empty() ? form.name : control.frame;
}

ControlLookup failed(ControlLookup::Failure failure, std::string why) {
  return ControlLookup{nullptr, failure, std::move(why)};
}

ControlLookup byCaption(const FormDefinition& form, std::string_view reference) {
  // "FRAME/CAPTION" when the part before the first '/' names a frame or the form.
  std::string_view frame;
  std::string_view caption = reference;
  if (const std::size_t slash = reference.find('/'); slash != std::string_view::npos) {
    const std::string_view prefix = reference.substr(0, slash);
    const ControlDefinition* named = form.find(prefix);
    if (prefix == form.name || (named != nullptr && named->kind == ControlKind::GroupFrame)) {
      frame = prefix;
      caption = reference.substr(slash + 1);
    }
  }
  std::vector<const ControlDefinition*> found;
  for (const ControlDefinition& control : form.controls) {
    if (!frame.empty() && frameOf(form, control) != frame) continue;
    if ((!control.caption.empty() && control.caption == caption) ||
        (!frame.empty() && control.name == caption)) {
      found.push_back(&control);
    }
  }
  if (found.size() == 1) return ControlLookup{found.front(), ControlLookup::Failure::kNone, {}};
  const std::string quoted = "'" + std::string(reference) + "'";
  if (found.empty()) {
    return failed(ControlLookup::Failure::kUnknown, "no control is named or captioned " + quoted +
                                                        "; Controls() and Describe() list them");
  }
  std::string choices;
  for (const ControlDefinition* control : found) {
    choices += (choices.empty() ? "" : " or ") + captionReference(form, *control) + " (" +
               std::string(control->name) + ")";
  }
  return failed(ControlLookup::Failure::kAmbiguous,
                quoted + " is the caption of " + std::to_string(found.size()) +
                    " controls; name one with its frame: " + choices);
}

}  // namespace

ControlLookup findControl(const FormDefinition& form, std::string_view reference) {
  if (const ControlDefinition* named = form.find(reference)) {
    return ControlLookup{named, ControlLookup::Failure::kNone, {}};
  }
  return byCaption(form, reference);
}

std::string captionReference(const FormDefinition& form, const ControlDefinition& control) {
  if (control.caption.empty()) return std::string(control.name);
  return std::string(frameOf(form, control)) + "/" + std::string(control.caption);
}

std::string_view kindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton:
      return "button";
    case ControlKind::Label:
      return "label";
    case ControlKind::TextBox:
      return "textbox";
    case ControlKind::GroupFrame:
      return "frame";
  }
  return "control";
}

}  // namespace console
