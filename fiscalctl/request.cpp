#include "fiscalctl/request.h"

#include "cli/command_line.h"
#include "fiscalctl/command_names.h"
#include "fiscalctl/usage.h"

namespace fiscalctl {
namespace {

bool parseSend(const std::vector<std::string>& args, std::size_t& at, Request& request,
               std::string& error) {
  SendArguments read;
  const std::span<const std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(at),
                                          args.end());
  at = args.size();
  if (!readSendArguments(rest, read, error)) {
    error = "send: " + error;
    return false;
  }
  if (read.help) {
    error = "send --help prints send's usage on the command line; it sends nothing";
    return false;
  }
  if (read.packed) {
    if (!read.fields.empty()) {
      error = "send --packed takes one text, \"HHHH|HHHH\"";
      return false;
    }
    request.kind = Request::Kind::Packed;
    if (!decodeEscapes(*read.packed, request.packed, error)) return false;
    request.label = "send --packed " + *read.packed;
    return true;
  }
  const std::vector<std::string>& fields = read.fields;
  if (fields.size() < 2) {
    error = "send needs a command word and an extension word (hexadecimal)";
    return false;
  }
  request.kind = Request::Kind::Fields;
  if (!parseWord(fields[0], request.command) || !parseWord(fields[1], request.extension)) {
    error = "send: \"" + fields[0] + "\" \"" + fields[1] +
            "\" are not two hexadecimal words (1 to 4 digits)";
    return false;
  }
  for (std::size_t i = 2; i < fields.size(); ++i) {
    std::string bytes;
    if (!decodeEscapes(fields[i], bytes, error)) return false;
    request.fields.push_back(std::move(bytes));
  }
  request.label = "send " + wordsText(request.command, request.extension);
  return true;
}

// "N=VALUE" after a console command: true when `arg` has that shape.
bool isEdit(const std::string& arg, std::size_t& number, std::string& value) {
  const std::size_t equals = arg.find('=');
  if (equals == std::string::npos || equals == 0 || equals > 3) return false;
  number = 0;
  for (std::size_t i = 0; i < equals; ++i) {
    if (arg[i] < '0' || arg[i] > '9') return false;
    number = number * 10 + static_cast<std::size_t>(arg[i] - '0');
  }
  value = arg.substr(equals + 1);
  return true;
}

// Applies one edit: the command becomes an explicit field list, the console's
// values in every field not edited.
bool applyEdit(Request& request, std::size_t number, const std::string& value, std::string& error) {
  if (request.kind == Request::Kind::Console) {
    const fp::contract::CommandRow& spec = *request.spec;
    if (spec.sending == fp::contract::Sending::Packed) {
      error = request.label + " sends no fields to edit (use send)";
      return false;
    }
    request.kind = Request::Kind::Fields;
    request.label += " (edited)";
    request.command = spec.command.value;
    request.extension = spec.extension.value;
    for (const fp::contract::DataField& field : spec.fields) {
      request.fields.emplace_back(field.address, static_cast<std::size_t>(field.length));
    }
  }
  if (request.kind != Request::Kind::Fields || number < 1 || number > request.fields.size()) {
    error = request.label + " has no field " + std::to_string(number) + " (fields run from 1 to " +
            std::to_string(request.fields.size()) + ")";
    return false;
  }
  return decodeEscapes(value, request.fields[number - 1], error);
}

}  // namespace

bool readSendArguments(std::span<const std::string> args, SendArguments& read, std::string& error) {
  read = SendArguments{};
  cli::ArgumentReader reader(std::vector<std::string>(args.begin(), args.end()), sendOptions());
  cli::Argument argument;
  while (true) {
    const auto status = reader.next(argument);
    if (status == cli::ArgumentReader::Status::kEnd) return true;
    if (status == cli::ArgumentReader::Status::kError) {
      error = reader.error();
      return false;
    }
    if (argument.is(cli::kHelpOption)) read.help = true;
    if (argument.is(kPackedOption)) read.packed = argument.value;
    if (argument.option == nullptr) read.fields.push_back(argument.value);
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string wordsText(std::uint16_t command, std::uint16_t extension) {
  return fp::contract::wordsString(command, extension);
}

bool parseWord(std::string_view text, std::uint16_t& word) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 4) return false;
  unsigned value = 0;
  for (char c : text) {
    const int digit = hexDigit(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  word = static_cast<std::uint16_t>(value);
  return true;
}

bool decodeEscapes(std::string_view text, std::string& bytes, std::string& error) {
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes.push_back(text[i]);
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      bytes.push_back('\\');
      ++i;
      continue;
    }
    if (i + 3 < text.size() && text[i + 1] == 'x' && hexDigit(text[i + 2]) >= 0 &&
        hexDigit(text[i + 3]) >= 0) {
      bytes.push_back(static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3])));
      i += 3;
      continue;
    }
    error =
        "bad escape in \"" + std::string(text) + "\": write \\xHH for a byte, \\\\ for a backslash";
    return false;
  }
  return true;
}

bool splitScriptLine(std::string_view line, std::vector<std::string>& args, std::string& error) {
  args.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    std::string arg;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
      const char quote = line[i];
      if (quote != '\'' && quote != '"') {
        arg.push_back(line[i++]);
        continue;
      }
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == quote) {
          closed = true;
          ++i;
          break;
        }
        if (quote == '"' && line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '"') ++i;
        arg.push_back(line[i++]);
      }
      if (!closed) {
        error = "unclosed quote";
        return false;
      }
    }
    args.push_back(std::move(arg));
  }
  return true;
}

bool parseRequests(const std::vector<std::string>& args, std::vector<Request>& requests,
                   std::string& error) {
  std::size_t at = 0;
  while (at < args.size()) {
    const std::string& arg = args[at++];
    Request request;
    if (arg == "send") {
      if (!parseSend(args, at, request, error)) return false;
      requests.push_back(std::move(request));
      continue;
    }
    std::size_t number = 0;
    std::string value;
    if (isEdit(arg, number, value)) {
      if (requests.empty()) {
        error = "\"" + arg + "\" edits a field, but no command comes before it";
        return false;
      }
      if (!applyEdit(requests.back(), number, value, error)) return false;
      continue;
    }
    const NamedCommand* named = findCommand(arg);
    if (named == nullptr) {
      error = "unknown command \"" + arg + "\" (fiscalctl list shows the commands)";
      return false;
    }
    request.label = std::string(named->name);
    request.spec = named->row;
    request.kind = named->row == nullptr ? Request::Kind::Status : Request::Kind::Console;
    requests.push_back(std::move(request));
  }
  return true;
}

}  // namespace fiscalctl
