// Finding a control the way a tester names it from what the window shows, for
// the automation interface: by its name ("CmCommand5"), by its caption when no
// other control shows the same one ("ABRIR TIQUE"), or by its caption within
// the frame it sits in ("CmFrame3/ITEM +"; the form's name, "MainForm/ITEM +",
// for a control outside every frame). A caption alone that two controls show
// ("ITEM +", "Devolucion de item") is refused and the refusal names the
// references that tell them apart. Names come first: "ESTADO" is the display
// of that name; the button captioned ESTADO is "CmFrame1/ESTADO".
#pragma once

#include <string>
#include <string_view>

#include "form/main_form.h"

namespace console {

struct ControlLookup {
  enum class Failure { kNone, kUnknown, kAmbiguous };
  const ControlDefinition* control = nullptr;  // set when failure is kNone
  Failure failure = Failure::kNone;
  std::string why;  // for a failure: one line naming what was looked for and why
};

ControlLookup findControl(const FormDefinition& form, std::string_view reference);

// "FRAME/CAPTION" for a control with a caption ("MainForm/..." outside every
// frame); the name for one without.
std::string captionReference(const FormDefinition& form, const ControlDefinition& control);

// "button", "label", "textbox", "frame".
std::string_view kindName(ControlKind kind);

}  // namespace console
