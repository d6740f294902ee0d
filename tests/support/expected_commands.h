// The expected calls of the 19 command buttons: for each procedure its button,
// the fields it hands to AddDataField (or the packed text it sends whole), and
// whether it ends with the result step. The one oracle of the command set: the
// spine suite raises the events directly, the window suite clicks the real
// window, and the simulator's suites drive the virtual printer with the same rows.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>


namespace testing_support {

// One expected AddDataField: the bytes it carries (its `length` bytes) and, for
// an empty field, what stands at its address up to the first zero byte.
struct Field {
  std::string bytes;
  int length;
  std::string atAddress;
};

inline std::string text(const char* s) {
  return std::string(s) + '\0';
}
inline std::string word(unsigned w) {
  return {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)};
}
inline Field binary(unsigned w) {
  return {word(w), 2, ""};
}
inline Field value(const char* s) {
  return {s, static_cast<int>(std::string(s).size()), text(s)};
}
inline Field empty(const char* standing) {
  return {"", 0, text(standing)};
}

inline constexpr const char* kTwenty = "                    ";
inline constexpr const char* kDescription = "Venta de item       ";

inline std::vector<Field> ticketItem(unsigned extension) {
  std::vector<Field> f = {binary(0x0A02), binary(extension)};
  for (int i = 0; i < 4; ++i) f.push_back(empty(""));
  for (const char* v : {kDescription, "000010000", "00000000100", "2100"}) f.push_back(value(v));
  for (int i = 0; i < 4; ++i) f.push_back(empty(""));
  f.push_back(value("99"));
  f.push_back(value("07"));
  f.push_back(empty(""));
  return f;
}

inline std::vector<Field> invoiceItem(unsigned extension) {
  std::vector<Field> f = {binary(0x0B02), binary(extension)};
  for (int i = 0; i < 4; ++i) f.push_back(empty(" "));
  for (const char* v : {kDescription, "000010000", "00000000100", "2100"}) f.push_back(value(v));
  for (int i = 0; i < 4; ++i) f.push_back(empty(" "));
  f.push_back(value("99"));
  f.push_back(value("07"));
  f.push_back(empty("07"));
  return f;
}

inline std::vector<Field> closeOrPay(unsigned command, unsigned extension, int empties,
                                     const char* standing, std::vector<const char*> tail) {
  std::vector<Field> f = {binary(command), binary(extension)};
  for (int i = 0; i < empties; ++i) f.push_back(empty(standing));
  for (const char* v : tail) f.push_back(value(v));
  return f;
}

struct Case {
  const char* procedure;
  std::uint32_t button;  // control identifier
  std::vector<Field> fields;  // empty for packed commands
  std::string packed;         // empty for field lists
  bool resultStep;
};

// The entry points one click calls, in order.
inline std::vector<std::string> expectedNames(const Case& c) {
  std::vector<std::string> names;
  if (c.packed.empty()) {
    names.assign(c.fields.size(), "AddDataField");
    names.push_back("SendCommand");
  } else {
    names.push_back("SendCommandComplete");
  }
  if (c.resultStep) names.push_back("getLastError");
  return names;
}

inline std::vector<Case> cases() {
  return {
      {"TicketOpen", 0x07000009, {}, "0A01|0000", true},
      {"TicketItemAdd", 0x0700000B, ticketItem(0x0000), "", true},
      {"TicketItemReturn", 0x07000011, ticketItem(0x0001), "", true},
      {"TicketPayment", 0x07000012, closeOrPay(0x0A05, 0x0000, 5, " ", {"08", "00000010000"}), "",
       true},
      {"TicketClose", 0x0700000D, closeOrPay(0x0A06, 0x0013, 6, " ", {"3"}), "", true},
      {"TicketCancel", 0x0700000C, {}, "0A07|0000", true},
      {"InvoiceOpen",
       0x0700001A,
       {binary(0x0B01), binary(0x0000), value("vela s.a."), empty(""),
        value("calle falsa 1       "), empty(kTwenty), empty(kTwenty), value("T"),
        value("30000000007"), value("I"), empty(kTwenty), empty(kTwenty), empty(kTwenty),
        empty(kTwenty)},
       "",
       true},
      {"InvoiceItemAdd", 0x0700001C, invoiceItem(0x0000), "", true},
      {"InvoiceItemReturn", 0x07000030, invoiceItem(0x0001), "", true},
      {"InvoicePayment", 0x0700001E, closeOrPay(0x0B05, 0x0000, 5, "", {"08", "00000010000"}), "",
       true},
      {"InvoiceClose", 0x0700001D, closeOrPay(0x0B06, 0x0013, 6, "", {"3"}), "", true},
      {"InvoiceCancel", 0x0700001B, {}, "0B07|0000", true},
      {"NonFiscalOpen", 0x0700000E, {}, "0E01|0000", true},
      {"NonFiscalText",
       0x0700000F,
       {binary(0x0E02), binary(0x0000), value("Prueba documento NF")},
       "",
       true},
      {"NonFiscalClose", 0x07000010, closeOrPay(0x0E06, 0x0001, 6, " ", {}), "", true},
      {"ClosingZ", 0x07000017, {}, "0801|0C00", false},
      {"ClosingX", 0x07000018, {}, "0802|0C21", false},
      {"JournalTotal", 0x07000019, {}, "0803|0C20", false},
      {"DrawerOpen", 0x07000014, {}, "0707|0000", true},
  };
}

// Names a case in GoogleTest's messages.
inline void PrintTo(const Case& c, std::ostream* os) {
  *os << c.procedure;
}

}  // namespace testing_support
