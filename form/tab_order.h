// Which controls of a form take the keyboard focus, and in which order Tab visits
// them: reading order, rows from top to bottom and, within a row, left to right.
#pragma once

#include <vector>

#include "form/main_form.h"

namespace console {

// Controls whose tops lie less than this below the top of a row's first control
// belong to that row: the height of one standard command button.
inline constexpr int kTabRowSpan = 420;

// The control stacked over `control` that hides it completely, or nullptr.
const ControlDefinition* coveringControl(const FormDefinition& form,
                                         const ControlDefinition& control);

// Command buttons and the text box take the focus, unless another control
// hides them completely (nobody could see where the focus went).
bool takesFocus(const FormDefinition& form, const ControlDefinition& control);

// The focus-taking controls in Tab order; the first one follows the last.
std::vector<const ControlDefinition*> tabOrder(const FormDefinition& form);

}  // namespace console
