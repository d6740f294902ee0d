// The paper roll: every printed line goes to a text stream, one per line. Lines
// are composed in the printer's 8-bit text (protocol/printer_text.h), so widths
// count characters; the stream gets them in UTF-8.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class PaperRoll {
 public:
  // Width of the roll in characters; longer lines are cut.
  static constexpr std::size_t kColumns = 40;
  // Lines left at which the roll counts as nearly finished.
  static constexpr std::size_t kLowThreshold = 20;

  // Prints to `out` (kept by reference, flushed after every line). A capacity
  // of 0 is an endless roll; otherwise the roll ends after that many lines.
  explicit PaperRoll(std::ostream& out, std::size_t capacityLines = 0);

  // Prints one line. A line past the end of the roll, or one the stream
  // fails to take, is lost and counted in lostLines().
  void print(std::string_view line);

  // Hands every line that reaches the paper, as printed, to `watch` (empty:
  // nobody), right after the stream has taken it.
  void watchLines(std::function<void(std::string_view)> watch) { watch_ = std::move(watch); }

  std::size_t printedLines() const { return printed_; }
  std::size_t lostLines() const { return lost_; }
  bool isLow() const;
  // The roll is finished, or its stream has failed: nothing more can be printed.
  bool isOut() const;
  // A write to the stream failed (a full disk, an unwritable device).
  bool hasFailed() const { return failed_; }

  // What the printer is told about its paper from outside: as the roll
  // says, near its end, or out. loadNewRoll() starts a full roll.
  enum class Condition { kAsTheRollSays, kNearEnd, kOut };
  void setCondition(Condition condition) { condition_ = condition; }
  void loadNewRoll();

  // Lines printed between hold() and release() reach the stream only at
  // release(); discard() forgets them, as if they had never been printed (a
  // command the fiscal memory could not keep prints nothing).
  void hold();
  void release();
  void discard();

 private:
  bool write(std::string_view line);  // false (and counted lost) when the stream fails

  std::ostream& out_;
  std::size_t capacity_;
  std::size_t printed_ = 0;
  Condition condition_ = Condition::kAsTheRollSays;
  bool holding_ = false;
  std::size_t printedBeforeHold_ = 0;
  std::vector<std::string> held_;
  std::size_t lost_ = 0;
  bool failed_ = false;
  std::function<void(std::string_view)> watch_;
};

}  // namespace sim
