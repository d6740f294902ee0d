// The commands of the console's buttons as the virtual printer receives them,
// read from the one oracle of expected calls (tests/support/expected_commands.h).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/status_words.h"
#include "tests/support/expected_commands.h"

namespace sim_test {

// The status bits the printer's replies carry, as the tests check them.
namespace fiscal_status = fp::protocol::fiscal_status;
namespace printer_status = fp::protocol::printer_status;

struct Button {
  std::uint16_t word;
  std::uint16_t extension;
  std::vector<std::string> fields;  // the further fields; an empty field is ""
  bool packed;                      // sent as "HHHH|HHHH" with no further fields
};

// The button whose procedure is `procedure`, from the oracle's case.
inline Button button(std::string_view procedure) {
  for (const testing_support::Case& c : testing_support::cases()) {
    if (c.procedure != procedure) continue;
    if (!c.packed.empty()) {
      return {static_cast<std::uint16_t>(std::stoul(c.packed.substr(0, 4), nullptr, 16)),
              static_cast<std::uint16_t>(std::stoul(c.packed.substr(5, 4), nullptr, 16)),
              {},
              true};
    }
    const auto word = [](const std::string& bytes) {
      return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                        static_cast<unsigned char>(bytes[1]));
    };
    Button b{word(c.fields[0].bytes), word(c.fields[1].bytes), {}, false};
    for (std::size_t i = 2; i < c.fields.size(); ++i) b.fields.push_back(c.fields[i].bytes);
    return b;
  }
  throw std::logic_error("no such button in the oracle");
}

inline const Button kTicketOpen = button("TicketOpen");
inline const Button kTicketItem = button("TicketItemAdd");
inline const Button kTicketItemReturn = button("TicketItemReturn");
inline const Button kTicketPayment = button("TicketPayment");
inline const Button kTicketClose = button("TicketClose");
inline const Button kTicketCancel = button("TicketCancel");

inline const Button kInvoiceOpen = button("InvoiceOpen");
inline const Button kInvoiceItem = button("InvoiceItemAdd");
inline const Button kInvoiceItemReturn = button("InvoiceItemReturn");
inline const Button kInvoicePayment = button("InvoicePayment");
inline const Button kInvoiceClose = button("InvoiceClose");
inline const Button kInvoiceCancel = button("InvoiceCancel");

inline const Button kNonFiscalOpen = button("NonFiscalOpen");
inline const Button kNonFiscalText = button("NonFiscalText");
inline const Button kNonFiscalClose = button("NonFiscalClose");

inline const Button kClosingZ = button("ClosingZ");
inline const Button kClosingX = button("ClosingX");
inline const Button kJournalTotal = button("JournalTotal");
inline const Button kDrawerOpen = button("DrawerOpen");

// The same button with one further field replaced (1 = first further field).
inline Button withField(Button b, std::size_t position, std::string value) {
  if (b.fields.size() < position) b.fields.resize(position);
  b.fields[position - 1] = std::move(value);
  b.packed = false;
  return b;
}

}  // namespace sim_test
