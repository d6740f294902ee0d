// The commands of the console's buttons, with the fields exactly as it sends
// them (an empty field is an empty string), for driving the virtual printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim_test {

struct Button {
  std::uint16_t word;
  std::uint16_t extension;
  std::vector<std::string> fields;
  bool packed;  // sent as "HHHH|HHHH" with no further fields
};

inline const std::string kDescription = "Venta de item       ";

inline std::vector<std::string> itemFields() {
  return {"", "", "", "",   kDescription, "000010000", "00000000100", "2100", "",
          "", "", "", "99", "07",         ""};
}

inline std::vector<std::string> paymentFields() {
  return {"", "", "", "", "", "08", "00000010000"};
}

inline std::vector<std::string> closeFields() {
  return {"", "", "", "", "", "", "3"};
}

inline std::vector<std::string> customerFields(const std::string& taxNumber = "30000000007") {
  return {"vela s.a.", "", "calle falsa 1       ", "", "", "T", taxNumber, "I", "", "", "", ""};
}

inline const Button kTicketOpen{0x0A01, 0x0000, {}, true};
inline const Button kTicketItem{0x0A02, 0x0000, itemFields(), false};
inline const Button kTicketItemReturn{0x0A02, 0x0001, itemFields(), false};
inline const Button kTicketPayment{0x0A05, 0x0000, paymentFields(), false};
inline const Button kTicketClose{0x0A06, 0x0013, closeFields(), false};
inline const Button kTicketCancel{0x0A07, 0x0000, {}, true};

inline const Button kInvoiceOpen{0x0B01, 0x0000, customerFields(), false};
inline const Button kInvoiceItem{0x0B02, 0x0000, itemFields(), false};
inline const Button kInvoiceItemReturn{0x0B02, 0x0001, itemFields(), false};
inline const Button kInvoicePayment{0x0B05, 0x0000, paymentFields(), false};
inline const Button kInvoiceClose{0x0B06, 0x0013, closeFields(), false};
inline const Button kInvoiceCancel{0x0B07, 0x0000, {}, true};

inline const Button kNonFiscalOpen{0x0E01, 0x0000, {}, true};
inline const Button kNonFiscalText{0x0E02, 0x0000, {"Prueba documento NF"}, false};
inline const Button kNonFiscalClose{0x0E06, 0x0001, {"", "", "", "", "", ""}, false};

inline const Button kClosingZ{0x0801, 0x0C00, {}, true};
inline const Button kClosingX{0x0802, 0x0C21, {}, true};
inline const Button kJournalTotal{0x0803, 0x0C20, {}, true};
inline const Button kDrawerOpen{0x0707, 0x0000, {}, true};

// The same button with one further field replaced (1 = first further field).
inline Button withField(Button button, std::size_t position, std::string value) {
  if (button.fields.size() < position) button.fields.resize(position);
  button.fields[position - 1] = std::move(value);
  button.packed = false;
  return button;
}

}  // namespace sim_test
