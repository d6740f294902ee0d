#include "fiscalctl/output.h"

#include <cstdio>
#include <ostream>
#include <vector>

namespace fiscalctl {
namespace {

// The names of the bits set in `value`, lowest first; "bit N" where the library
// gives no name (or cannot name bits at all).
std::vector<std::string> setBitNames(const PrinterApi& api, int word, int value) {
  std::vector<std::string> names;
  for (int bit = 0; bit < 16; ++bit) {
    if ((value & (1 << bit)) == 0) continue;
    const char* name = api.getStatusBitName != nullptr ? api.getStatusBitName(word, bit) : "";
    names.push_back(name != nullptr && *name != '\0' ? name : "bit " + std::to_string(bit));
  }
  return names;
}

}  // namespace

std::string hexWord(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value) & 0xFFFFu);
  return text;
}

std::string codeText(const PrinterApi& api, int code) {
  std::string text;
  if (api.getErrorText != nullptr) {
    const char* base = api.getErrorText(code);
    if (base != nullptr) text = base;
  }
  if (code > FP_REFUSED_BASE && code <= FP_REFUSED_BASE + 0xFFFF &&
      api.getReturnCodeText != nullptr) {
    const char* detail = api.getReturnCodeText(code - FP_REFUSED_BASE);
    if (detail != nullptr && *detail != '\0')
      text += (text.empty() ? "" : ": ") + std::string(detail);
  }
  if (code == -1 && text.empty()) text = "the call could not be made";
  return text;
}

std::string bitNames(const PrinterApi& api, int word, int value) {
  if (api.getStatusBitName == nullptr) return "";
  std::string names;
  for (const std::string& name : setBitNames(api, word, value)) {
    names += (names.empty() ? "" : ", ") + name;
  }
  return names.empty() ? "-" : names;
}

// Printable ASCII as it is, '"' and '\\' escaped, any other byte as \xHH: a
// person sees every byte, and can type the text back as a field.
std::string quoted(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "\"";
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0F];
    }
  }
  return text + "\"";
}

void printText(std::ostream& out, const PrinterApi& api, const Outcome& outcome) {
  out << outcome.label;
  if (!outcome.words.empty()) out << "  [" << outcome.words << "]";
  out << "\n";
  if (outcome.sent) {
    const std::string text = codeText(api, outcome.code);
    out << "  result   " << outcome.code << (text.empty() ? "" : "  " + text) << "\n";
  }
  const std::string printerBits = bitNames(api, 0, outcome.printerStatus);
  const std::string fiscalBits = bitNames(api, 1, outcome.fiscalStatus);
  out << "  printer  " << hexWord(outcome.printerStatus)
      << (printerBits.empty() ? "" : "  " + printerBits) << "\n";
  out << "  fiscal   " << hexWord(outcome.fiscalStatus)
      << (fiscalBits.empty() ? "" : "  " + fiscalBits) << "\n";
  if (outcome.sent) {
    out << "  reply   ";
    if (!outcome.fieldsKnown) {
      out << " (this library does not tell the reply's fields)";
    } else if (outcome.replyFields.empty()) {
      out << " (no fields)";
    }
    for (const std::string& field : outcome.replyFields) out << ' ' << quoted(field);
    out << "\n";
  }
  out.flush();
}

std::string jsonOutcome(const PrinterApi& api, const Outcome& outcome) {
  std::string json =
      "{\"command\":" + jsonString(outcome.label) + ",\"words\":" + jsonString(outcome.words) +
      ",\"sent\":" + (outcome.sent ? "true" : "false") +
      ",\"code\":" + std::to_string(outcome.code) +
      ",\"text\":" + jsonString(codeText(api, outcome.code)) +
      ",\"printer_status\":" + std::to_string(outcome.printerStatus) +
      ",\"printer_bits\":" + jsonList(setBitNames(api, 0, outcome.printerStatus)) +
      ",\"fiscal_status\":" + std::to_string(outcome.fiscalStatus) +
      ",\"fiscal_bits\":" + jsonList(setBitNames(api, 1, outcome.fiscalStatus)) + ",\"fields\":";
  return json + (outcome.fieldsKnown ? jsonList(outcome.replyFields) : "null") + "}";
}

void printJson(std::ostream& out, const PrinterApi& api, const Outcome& outcome) {
  out << jsonOutcome(api, outcome) << "\n";
  out.flush();
}

std::string jsonList(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) {
    if (list.size() > 1) list += ",";
    list += jsonString(text);
  }
  return list + "]";
}

}  // namespace fiscalctl
