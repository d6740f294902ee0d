// The two messages of the link: a command from the host, a reply from the printer.
//
// Command body: sequence, 'C', command word (2), extension word (2), field count (1),
//               then per field its length (2) and its bytes.
// Reply body:   sequence, 'R', printer status (2), fiscal status (2), return code (2),
//               field count (1), then per field its length (2) and its bytes.
// Every number is unsigned, high byte first. Fields are binary-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/wire.h"

namespace fp::protocol {

struct CommandMessage {
  std::uint8_t sequence = 0;
  std::uint16_t command = 0;
  std::uint16_t extension = 0;
  std::vector<std::string> fields;  // the further fields; "" is an empty field
};

struct ReplyMessage {
  std::uint8_t sequence = 0;
  std::uint16_t printerStatus = 0;
  std::uint16_t fiscalStatus = 0;
  std::uint16_t returnCode = 0;  // 0: executed; otherwise the printer's refusal
  std::vector<std::string> fields;
};

enum class MessageError {
  None,
  TooManyFields,  // more than kMaxFields
  FieldTooLong,   // a field over kMaxFieldLength
  BodyTooLong,    // the body over kMaxBody
  Truncated,      // the body ends inside a header or a field
  TrailingBytes,  // bytes after the last field
  WrongKind,      // not the expected message kind
};

std::string_view messageErrorText(MessageError error);

// The body of a message, or the reason it cannot be sent.
MessageError encodeCommand(const CommandMessage& message, Bytes& body);
MessageError encodeReply(const ReplyMessage& message, Bytes& body);

// Parses a body (as the frame decoder delivers it).
MessageError parseCommand(std::span<const std::uint8_t> body, CommandMessage& message);
MessageError parseReply(std::span<const std::uint8_t> body, ReplyMessage& message);

// The message kind of a body (kCommandKind, kReplyKind), or nothing when too short.
std::optional<std::uint8_t> messageKind(std::span<const std::uint8_t> body);

}  // namespace fp::protocol
