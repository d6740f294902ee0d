#include "protocol/message.h"

namespace fp::protocol {
namespace {

void putWord(Bytes& out, std::uint16_t word) {
  out.push_back(static_cast<std::uint8_t>(word >> 8));
  out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

MessageError putFields(Bytes& out, const std::vector<std::string>& fields) {
  if (fields.size() > kMaxFields) return MessageError::TooManyFields;
  out.push_back(static_cast<std::uint8_t>(fields.size()));
  for (const std::string& field : fields) {
    if (field.size() > kMaxFieldLength) return MessageError::FieldTooLong;
    putWord(out, static_cast<std::uint16_t>(field.size()));
    out.insert(out.end(), field.begin(), field.end());
  }
  // Two more bytes of CRC travel with the body.
  return out.size() + 2 > kMaxBody ? MessageError::BodyTooLong : MessageError::None;
}

// Reads a body front to back, refusing to step past its end.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool byte(std::uint8_t& out) {
    if (pos_ >= bytes_.size()) return false;
    out = bytes_[pos_++];
    return true;
  }
  bool word(std::uint16_t& out) {
    std::uint8_t high = 0, low = 0;
    if (!byte(high) || !byte(low)) return false;
    out = static_cast<std::uint16_t>((high << 8) | low);
    return true;
  }
  bool text(std::size_t length, std::string& out) {
    if (bytes_.size() - pos_ < length) return false;
    out.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
    pos_ += length;
    return true;
  }
  bool atEnd() const { return pos_ == bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

MessageError readFields(Reader& in, std::vector<std::string>& fields) {
  std::uint8_t count = 0;
  if (!in.byte(count)) return MessageError::Truncated;
  if (count > kMaxFields) return MessageError::TooManyFields;
  fields.assign(count, std::string{});
  for (std::string& field : fields) {
    std::uint16_t length = 0;
    if (!in.word(length)) return MessageError::Truncated;
    if (length > kMaxFieldLength) return MessageError::FieldTooLong;
    if (!in.text(length, field)) return MessageError::Truncated;
  }
  return in.atEnd() ? MessageError::None : MessageError::TrailingBytes;
}

MessageError readHeader(Reader& in, std::uint8_t kind, std::uint8_t& sequence) {
  std::uint8_t actual = 0;
  if (!in.byte(sequence) || !in.byte(actual)) return MessageError::Truncated;
  return actual == kind ? MessageError::None : MessageError::WrongKind;
}

}  // namespace

std::string_view messageErrorText(MessageError error) {
  switch (error) {
    case MessageError::None:
      return "no error";
    case MessageError::TooManyFields:
      return "too many fields";
    case MessageError::FieldTooLong:
      return "field too long";
    case MessageError::BodyTooLong:
      return "message too long";
    case MessageError::Truncated:
      return "message truncated";
    case MessageError::TrailingBytes:
      return "bytes after the last field";
    case MessageError::WrongKind:
      return "wrong message kind";
  }
  return "unknown message error";
}

MessageError encodeCommand(const CommandMessage& message, Bytes& body) {
  body.clear();
  body.push_back(message.sequence);
  body.push_back(kCommandKind);
  putWord(body, message.command);
  putWord(body, message.extension);
  return putFields(body, message.fields);
}

MessageError encodeReply(const ReplyMessage& message, Bytes& body) {
  body.clear();
  body.push_back(message.sequence);
  body.push_back(kReplyKind);
  putWord(body, message.printerStatus);
  putWord(body, message.fiscalStatus);
  putWord(body, message.returnCode);
  return putFields(body, message.fields);
}

MessageError parseCommand(std::span<const std::uint8_t> body, CommandMessage& message) {
  Reader in(body);
  if (MessageError e = readHeader(in, kCommandKind, message.sequence); e != MessageError::None)
    return e;
  if (!in.word(message.command) || !in.word(message.extension)) return MessageError::Truncated;
  return readFields(in, message.fields);
}

MessageError parseReply(std::span<const std::uint8_t> body, ReplyMessage& message) {
  Reader in(body);
  if (MessageError e = readHeader(in, kReplyKind, message.sequence); e != MessageError::None)
    return e;
  if (!in.word(message.printerStatus) || !in.word(message.fiscalStatus) ||
      !in.word(message.returnCode))
    return MessageError::Truncated;
  return readFields(in, message.fields);
}

std::optional<std::uint8_t> messageKind(std::span<const std::uint8_t> body) {
  if (body.size() < 2) return std::nullopt;
  return body[1];
}

}  // namespace fp::protocol
