#include "libfiscalprinter/src/field_list.h"

#include <cstdint>

namespace fp::lib {
namespace {

constexpr std::size_t kWordFields = 2;

std::uint16_t wordOf(const std::string& field) {
  return static_cast<std::uint16_t>((static_cast<std::uint8_t>(field[0]) << 8) |
                                    static_cast<std::uint8_t>(field[1]));
}

}  // namespace

ErrorCode FieldList::add(const char* data, int length) {
  ErrorCode code = ErrorCode::kOk;
  if (length < 0 || (data == nullptr && length > 0)) {
    code = ErrorCode::kBadArgument;
  } else if (static_cast<std::size_t>(length) > protocol::kMaxFieldLength ||
             fields_.size() >= kWordFields + protocol::kMaxFields) {
    code = ErrorCode::kFieldListTooLong;
  }
  if (code != ErrorCode::kOk) {
    if (refused_ == ErrorCode::kOk) refused_ = code;
    return code;
  }
  fields_.emplace_back(length == 0 ? std::string{} : std::string(data, length));
  return ErrorCode::kOk;
}

void FieldList::clear() {
  fields_.clear();
  refused_ = ErrorCode::kOk;
}

ErrorCode FieldList::toCommand(protocol::CommandMessage& command) const {
  if (refused_ != ErrorCode::kOk) return refused_;
  if (fields_.size() < kWordFields || fields_[0].size() != 2 || fields_[1].size() != 2)
    return ErrorCode::kMalformedCommand;
  command.sequence = 0;
  command.command = wordOf(fields_[0]);
  command.extension = wordOf(fields_[1]);
  command.fields.assign(fields_.begin() + kWordFields, fields_.end());
  protocol::Bytes body;
  if (protocol::encodeCommand(command, body) != protocol::MessageError::None)
    return ErrorCode::kFieldListTooLong;
  return ErrorCode::kOk;
}

}  // namespace fp::lib
