#include "fiscalctl/usage.h"

#include <array>
#include <cctype>
#include <vector>

#include "fiscalctl/command_names.h"
#include "fiscalctl/request.h"

namespace fiscalctl {
namespace {

using cli::kHelpOption;

constexpr cli::Option kProgramOptions[] = {
    kLibraryOption,   kPortOption, kBaudOption,   kRepeatOption, kScriptOption,
    kKeepGoingOption, kJsonOption, kFollowOption, kHelpOption,   cli::kVersionOption,
};
constexpr cli::Option kRunOptions[] = {
    kLibraryOption, kPortOption,      kBaudOption, kRepeatOption,
    kScriptOption,  kKeepGoingOption, kJsonOption, kHelpOption,
};
constexpr cli::Option kAcceptanceOptions[] = {
    kLibraryOption,   kPortOption, kBaudOption, kRepeatOption,
    kKeepGoingOption, kJsonOption, kHelpOption,
};
constexpr cli::Option kSendOptions[] = {kPackedOption, kHelpOption};
constexpr cli::Option kReplayOptions[] = {kLibraryOption, kPortOption, kBaudOption, kJsonOption,
                                          kHelpOption};
constexpr cli::Option kTraceOptions[] = {kFollowOption, kJsonOption, kHelpOption};
constexpr cli::Option kHelpOnly[] = {kHelpOption};

constexpr std::string_view kProgramForms[] = {
    "[OPTIONS] COMMAND [N=VALUE ...] [COMMAND ...]",
    "[OPTIONS] send WORD EXTENSION [FIELD ...]",
    "[OPTIONS] send --packed HHHH|HHHH",
    "[OPTIONS] --script FILE",
    "[OPTIONS] acceptance",
    "list",
    "trace [--follow] [--json] FILE",
    "[OPTIONS] replay FILE",
    "COMMAND --help",
    "-h | --help | --version",
};
constexpr std::string_view kListForms[] = {"list"};
constexpr std::string_view kSendForms[] = {
    "[OPTIONS] send WORD EXTENSION [FIELD ...]",
    "[OPTIONS] send --packed HHHH|HHHH",
};
constexpr std::string_view kAcceptanceForms[] = {"[OPTIONS] acceptance"};
constexpr std::string_view kTraceForms[] = {"trace [--follow] [--json] FILE"};
constexpr std::string_view kReplayForms[] = {"[OPTIONS] replay FILE"};

struct ToolCommand {
  std::string_view name;
  std::string_view summary;
  std::span<const std::string_view> forms;
  std::string_view description;
  std::span<const cli::Option> options;
};

const std::array<ToolCommand, 5> kToolCommands = {{
    {"list", "the printer commands with their words, fields and buttons", kListForms,
     "Prints every printer command, one a line: its name, its command and extension\n"
     "words, its number of fields (or \"packed\": sent whole, without fields) and the\n"
     "caption of the console's button that sends it, or, for a command the console\n"
     "has no button for, what it does.\n",
     kHelpOnly},
    {"send", "any command with any fields", kSendForms,
     "Sends any command. WORD and EXTENSION are the command and extension words in\n"
     "hexadecimal (1 to 4 digits, 0x allowed); each FIELD is sent as text (an empty\n"
     "argument is an empty field). With --packed the text is handed whole to\n"
     "SendCommandComplete. Every argument after send is its own: put the OPTIONS\n"
     "before it. Up to a first --, -h/--help prints this help and --packed is read\n"
     "as an option, any other argument starting with - is an error; that -- is\n"
     "dropped and every argument after it is a field, even one starting with -\n"
     "(send 0E02 0000 -- -5). Values and fields may hold any byte as \\xHH; \\\\ is\n"
     "a backslash.\n",
     kSendOptions},
    {"acceptance", "a full fiscal day on the printer, ending with PASS or FAIL", kAcceptanceForms,
     "Runs the acceptance script shipped with fiscalctl\n"
     "(share/fiscalctl/acceptance.fiscalctl beside its bin directory): a ticket, an\n"
     "\"A\" invoice with a return, a non-fiscal document, X, journal total, drawer\n"
     "and Z, ending with PASS or FAIL. Run it on a printer whose day has no\n"
     "document open.\n",
     kAcceptanceOptions},
    {"trace", "decode a trace written by the library under FISCALPRINTER_TRACE", kTraceForms,
     "Decodes a file written by the library under FISCALPRINTER_TRACE=FILE: local\n"
     "time, direction (> sent, < received, # library note, = verdict), sequence\n"
     "number, command name and fields, each reply's return code and status bits by\n"
     "name, \"still working\" runs as one line with their duration, retransmissions,\n"
     "NAKs and bad frames marked \"!!\", and one VERDICT line per command. A line\n"
     "that is not a trace line is shown marked \"??\" and decoding goes on; a file\n"
     "with no trace line at all is refused (exit code 2). Control characters and\n"
     "bytes that are not UTF-8 are shown as \\xHH, a backslash as \\\\.\n",
     kTraceOptions},
    {"replay", "send the commands of a trace again and compare the verdicts", kReplayForms,
     "Sends again, in order, every command recorded in the trace FILE (same words,\n"
     "same fields; not the opening handshakes), and shows for each its old and its\n"
     "new verdict side by side.\n",
     kReplayOptions},
}};

const ToolCommand* findTool(std::string_view name) {
  for (const ToolCommand& tool : kToolCommands) {
    if (tool.name == name) return &tool;
  }
  return nullptr;
}

std::string padded(std::string_view text, std::size_t width) {
  std::string out(text);
  out.resize(std::max(width, text.size() + 2), ' ');
  return out;
}

std::string commandList() {
  std::size_t width = 0;
  for (const ToolCommand& tool : kToolCommands) width = std::max(width, tool.name.size() + 2);
  std::string text = "Commands:\n";
  for (const ToolCommand& tool : kToolCommands) {
    text += "  " + padded(tool.name, width) + std::string(tool.summary) + "\n";
  }
  text += "\nPrinter commands:\n";
  width = 0;
  for (const NamedCommand& named : namedCommands()) width = std::max(width, named.name.size() + 2);
  for (const NamedCommand& named : namedCommands()) {
    text += "  " + padded(named.name, width) + shownAs(named) +
            (named.row == nullptr ? ": " + std::string(named.summary) : "") + "\n";
  }
  return text;
}

std::string printerCommandUsage(std::string_view name) {
  const std::string form = "[OPTIONS] " + std::string(name) + " [N=VALUE ...] [COMMAND ...]";
  const std::string_view forms[] = {form};
  return cli::usageLines(kProgramName, forms);
}

// What a printer command sends: its words, and its fields or "packed".
std::string sendsText(const fp::contract::CommandRow& row) {
  const std::size_t fields = row.fields.size();
  return "command " + wordsText(row.command.value, row.extension.value) +
         (row.sending == fp::contract::Sending::Packed
              ? ", packed (no fields to edit).\n"
              : " with " + std::to_string(fields) + (fields == 1 ? " field" : " fields") +
                    ". N=VALUE replaces field N (from 1) with VALUE.\n");
}

std::string printerCommandHelp(const NamedCommand& named) {
  std::string text = printerCommandUsage(named.name) + "\n";
  if (named.row == nullptr) {
    text +=
        "Shows the printer and fiscal status words of the last reply, as the button\n"
        "\"" +
        named.button + "\" does; sends nothing.\n";
  } else if (!named.button.empty()) {
    text += "Sends exactly what the console's button \"" + named.button + "\" sends:\n" +
            sendsText(*named.row);
  } else {
    std::string summary(named.summary);
    summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    text += summary + " (the console has no button for it):\n" + sendsText(*named.row);
  }
  return text + "\n" + cli::optionList(kRunOptions);
}

}  // namespace

CommandKind commandKind(std::string_view word) {
  if (findTool(word) != nullptr) return CommandKind::Tool;
  if (findCommand(word) != nullptr) return CommandKind::Printer;
  return CommandKind::None;
}

std::span<const cli::Option> programOptions() {
  return kProgramOptions;
}

std::span<const cli::Option> sendOptions() {
  return kSendOptions;
}

std::string listText() {
  struct Row {
    std::string name, words, sends, shown;
  };
  std::vector<Row> rows;
  std::size_t widths[3] = {};
  for (const NamedCommand& named : namedCommands()) {
    Row row{std::string(named.name), "", "sends nothing", shownAs(named)};
    if (named.row != nullptr) {
      const std::size_t fields = named.row->fields.size();
      row.words = wordsText(named.row->command.value, named.row->extension.value);
      row.sends = named.row->sending == fp::contract::Sending::Packed
                      ? "packed"
                      : std::to_string(fields) + (fields == 1 ? " field" : " fields");
    }
    widths[0] = std::max(widths[0], row.name.size());
    widths[1] = std::max(widths[1], row.words.size());
    widths[2] = std::max(widths[2], row.sends.size());
    rows.push_back(std::move(row));
  }
  std::string text;
  for (const Row& row : rows) {
    for (const auto& [cell, width] :
         {std::pair{&row.name, widths[0]}, {&row.words, widths[1]}, {&row.sends, widths[2]}}) {
      text += *cell + std::string(width + 2 - cell->size(), ' ');
    }
    text += row.shown + "\n";
  }
  return text;
}

std::string usageLines() {
  return cli::usageLines(kProgramName, kProgramForms);
}

std::string helpText() {
  return usageLines() +
         "\n"
         "Talks to a fiscal printer through the printer interface library, from the\n"
         "shell: every command of the test console by name, any command with any fields,\n"
         "several commands on one open port, a decoded library trace, and a replay of a\n"
         "trace on another printer.\n"
         "\n" +
         cli::optionList(kProgramOptions) + "\n" + commandList() +
         "\n"
         "A printer command with a button sends exactly the bytes and fields its button\n"
         "sends; one without sends its words and the fields its row of the command set\n"
         "lists.\n"
         "N=VALUE after a command replaces its field N (from 1, after the two words)\n"
         "with VALUE: fiscalctl ticket-item 5=\"Cafe\" 7=00000000250. Values may hold\n"
         "any byte as \\xHH; \\\\ is a backslash. 'fiscalctl COMMAND --help' describes\n"
         "each command. -h/--help and --version take no other argument (but the\n"
         "command whose help is asked for).\n"
         "\n"
         "Several commands run in order on one open port. The run stops at the first\n"
         "command that does not end with code 0, unless --keep-going.\n"
         "\n"
         "Output: for each command its name and words, the code with its text, the\n"
         "printer and fiscal status words in hexadecimal with the names of the bits set,\n"
         "and the reply's fields (printable ASCII as it is, any other byte as \\xHH, as\n"
         "fields are written on the command line). A run of more than one command\n"
         "ends with one line,\n"
         "\"PASS: ...\" or \"FAIL: ...\".\n"
         "\n"
         "Exit status:\n"
         "  0  every command ended with code 0 (trace: every verdict OK; replay: every\n"
         "     new verdict equals the old one)\n"
         "  1  a command was refused or failed (trace: a command failed or its end is\n"
         "     not in the trace; replay: a verdict differs)\n"
         "  2  bad usage: unknown command or option, bad word, bad escape, unreadable\n"
         "     script or trace (the system's reason is said), a trace with no trace\n"
         "     line\n"
         "  3  no library, no port or no printer: the library cannot be loaded, the\n"
         "     port cannot be opened (the reason is said), no printer answers or it\n"
         "     refuses the opening handshake (1000 + its return code), or the line was\n"
         "     lost during a command (codes 1 to 5 and 10 to 13)\n"
         "\n"
         "Environment:\n"
         "  FISCALPRINTER_PORT1  the device of port 1 (see --port)\n"
         "  FISCALPRINTER_TRACE  the library appends its trace to this file\n";
}

std::string usageLinesOf(std::string_view command) {
  if (const ToolCommand* tool = findTool(command)) {
    return cli::usageLines(kProgramName, tool->forms);
  }
  if (findCommand(command) != nullptr) return printerCommandUsage(command);
  return usageLines();
}

std::string helpTextOf(std::string_view command) {
  if (const ToolCommand* tool = findTool(command)) {
    return cli::usageLines(kProgramName, tool->forms) + "\n" + std::string(tool->description) +
           "\n" + cli::optionList(tool->options);
  }
  if (const NamedCommand* named = findCommand(command)) return printerCommandHelp(*named);
  return helpText();
}

}  // namespace fiscalctl
