// One command to send, as read from the command line or a script line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contract/command_set.h"

namespace fiscalctl {

struct Request {
  enum class Kind {
    Console,  // a console command as its button sends it, bytes and addresses included
    Fields,   // command word, extension word and the further fields given
    Packed,   // a packed text handed whole to SendCommandComplete
    Status,   // the two status words; sends nothing
  };
  Kind kind = Kind::Console;
  std::string label;                               // what the output calls it
  const fp::contract::CommandRow* spec = nullptr;  // Console
  std::uint16_t command = 0;                       // Fields
  std::uint16_t extension = 0;
  std::vector<std::string> fields;  // Fields: each further field's bytes ("" is empty)
  std::string packed;               // Packed: the text as given
};

// What follows `send`, read as every program of ours reads its options: -h or
// --help and --packed TEXT (or --packed=TEXT) anywhere up to a first `--`,
// which is dropped; every other argument is a field, and after `--` every one,
// even one that starts with '-'. False with `error` for an option send does
// not have (GNU style: "unknown option --x"), or a value missing.
struct SendArguments {
  bool help = false;
  std::optional<std::string> packed;
  std::vector<std::string> fields;
};
bool readSendArguments(std::span<const std::string> args, SendArguments& read, std::string& error);

// Turns arguments into requests:
//   NAME [N=VALUE ...]          a console command, with field N (from 1) edited
//   send [--] WORD EXTENSION [FIELD ...]
//   send --packed TEXT (or --packed=TEXT)
// `send` takes every argument after it (see readSendArguments); its --help is
// for the command line, an error here. Values and fields are text with the
// escapes \xHH (any byte) and \\ (a backslash). Returns false with `error` set.
bool parseRequests(const std::vector<std::string>& args, std::vector<Request>& requests,
                   std::string& error);

// Decodes \xHH and \\ in `text`; false (and `error`) on any other backslash.
bool decodeEscapes(std::string_view text, std::string& bytes, std::string& error);

// The value of a hexadecimal digit of either case, or -1.
int hexDigit(char c);

// A word of one to four hexadecimal digits, "0x" allowed in front.
bool parseWord(std::string_view text, std::uint16_t& word);

// Splits a script line into arguments: blanks separate, '...' and "..." quote
// (inside "...", \" is a quote), '#' outside quotes starts a comment. Backslash
// escapes are left for decodeEscapes. False (and `error`) on an unclosed quote.
bool splitScriptLine(std::string_view line, std::vector<std::string>& args, std::string& error);

// "0A02|0000": the words as the output names them.
std::string wordsText(std::uint16_t command, std::uint16_t extension);

}  // namespace fiscalctl
