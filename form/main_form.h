// The definition of MainForm, the console's one window, as plain data: the form
// itself and its 33 controls with their geometry in twips, captions, enclosing
// frames and stacking. The Qt forms runtime builds the window from it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace console {

// Twips per inch; 15 twips make one pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

enum class ControlKind { CommandButton, Label, TextBox, GroupFrame };

// A rectangle in twips, measured from the top-left corner of the client area.
struct TwipRect {
  int left;
  int top;
  int width;
  int height;

  constexpr int right() const { return left + width; }
  constexpr int bottom() const { return top + height; }
  constexpr bool contains(const TwipRect& other) const {
    return other.left >= left && other.top >= top && other.right() <= right() &&
           other.bottom() <= bottom();
  }
};

struct ControlDefinition {
  std::string_view name;
  std::uint32_t id;
  ControlKind kind;
  TwipRect rect;
  std::string_view caption;  // the caption, or the initial text of the text box
  std::string_view frame;    // the enclosing group frame; empty when none
  int stackRank;             // 0 is the back; a higher rank is drawn over a lower one
  bool sunkenBorder;
};

struct FontDefinition {
  std::string_view face;
  double pointSize;
  int weight;
  bool italic;
  bool underline;
  bool strikeOut;
};

struct FormDefinition {
  std::string_view name;
  std::uint32_t id;
  std::string_view caption;
  TwipRect rect;        // screen position and client-area size
  FontDefinition font;  // used by the form and by every control
  std::string_view eventEntry;
  // The control that has the focus when the form opens.
  std::string_view initialFocus;
  std::span<const ControlDefinition> controls;  // ascending identifier order

  // The control called `controlName`, or nullptr.
  const ControlDefinition* find(std::string_view controlName) const;
};

const FormDefinition& mainForm();

}  // namespace console
