// The fields gathered by AddDataField for the next SendCommand. The first two are
// the command word and the extension word, two bytes each, high byte first.
#pragma once

#include <string>
#include <vector>

#include "libfiscalprinter/src/error_code.h"
#include "protocol/message.h"

namespace fp::lib {

class FieldList {
 public:
  // Copies `length` bytes from `data` (0: an empty field, `data` not read). A field
  // that cannot be taken (bad arguments, over the protocol's limits) is not stored;
  // the list remembers the first such code and refuses to become a command.
  ErrorCode add(const char* data, int length);
  void clear();
  std::size_t size() const { return fields_.size(); }

  // The command the list describes, sequence 0; or the reason it cannot be sent.
  ErrorCode toCommand(protocol::CommandMessage& command) const;

 private:
  std::vector<std::string> fields_;
  ErrorCode refused_ = ErrorCode::kOk;
};

}  // namespace fp::lib
