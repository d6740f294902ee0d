#include "form/tab_order.h"

#include <algorithm>

namespace console {

const ControlDefinition* coveringControl(const FormDefinition& form,
                                         const ControlDefinition& control) {
  for (const ControlDefinition& other : form.controls) {
    if (other.stackRank > control.stackRank && other.rect.contains(control.rect)) return &other;
  }
  return nullptr;
}

bool takesFocus(const FormDefinition& form, const ControlDefinition& control) {
  const bool focusKind =
      control.kind == ControlKind::CommandButton || control.kind == ControlKind::TextBox;
  return focusKind && coveringControl(form, control) == nullptr;
}

std::vector<const ControlDefinition*> tabOrder(const FormDefinition& form) {
  std::vector<const ControlDefinition*> order;
  for (const ControlDefinition& control : form.controls) {
    if (takesFocus(form, control)) order.push_back(&control);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->rect.top < b->rect.top; });
  // Each control gets the top of its row's first control as its row key.
  std::vector<std::pair<int, const ControlDefinition*>> rows;
  int rowTop = 0;
  for (const ControlDefinition* control : order) {
    if (rows.empty() || control->rect.top >= rowTop + kTabRowSpan) rowTop = control->rect.top;
    rows.emplace_back(rowTop, control);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second->rect.left < b.second->rect.left;
  });
  for (std::size_t i = 0; i < rows.size(); ++i) order[i] = rows[i].second;
  return order;
}

}  // namespace console
