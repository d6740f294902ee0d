#include "fiscalctl/command_tables.h"

#include <cstdio>

#include "contract/command_set.h"
#include "fiscalctl/command_names.h"

namespace fiscalctl {
namespace {

constexpr std::string_view kBegin = "<!-- generated from the command set: ";
constexpr std::string_view kEnd = "<!-- end of generated table -->";

std::string beginMarker(std::string_view name) {
  return std::string(kBegin) + std::string(name) + " -->";
}

std::string hex(std::uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word);
  return text;
}

std::string fieldCount(const fp::contract::CommandRow& row) {
  const std::size_t fields = row.fields.size();
  return row.sending == fp::contract::Sending::Packed
             ? "packed"
             : std::to_string(fields) + (fields == 1 ? " field" : " fields");
}

// fiscalctl.md: what each name sends and which button sends the same.
GeneratedTable fiscalctlCommands() {
  GeneratedTable table{"fiscalctl.md", "fiscalctl-commands", {}};
  table.lines.push_back({"| Name | Words | Sends | Button, or what it does |", ""});
  table.lines.push_back({"|---|---|---|---|", ""});
  for (const NamedCommand& named : namedCommands()) {
    const std::string name(named.name);
    if (named.row == nullptr) {
      table.lines.push_back({"| `" + name + "` | | nothing | " + shownAs(named) + ": " +
                                 std::string(named.summary) + " |",
                             name});
      continue;
    }
    const fp::contract::CommandRow& row = *named.row;
    std::string words = fp::contract::wordsString(row.command.value, row.extension.value);
    words.insert(4, "\\");  // a bar inside a table cell
    table.lines.push_back(
        {"| `" + name + "` | " + words + " | " + fieldCount(row) + " | " + shownAs(named) + " |",
         name});
  }
  return table;
}

// simulator.md: the pairs of words the virtual printer carries out.
GeneratedTable printerCommands() {
  GeneratedTable table{"simulator.md", "printer-commands", {}};
  table.lines.push_back({"| Command | Extension | Name | What it does | Fields |", ""});
  table.lines.push_back({"|---|---|---|---|---|", ""});
  for (const fp::contract::CommandRow* row : fp::contract::commandTable()) {
    const std::size_t fields = row->fields.size();
    table.lines.push_back({"| " + hex(row->command.value) + " | " + hex(row->extension.value) +
                               " | `" + std::string(row->name) + "` | " +
                               std::string(row->summary) + " | " +
                               (fields == 0 ? std::string("none") : std::to_string(fields)) + " |",
                           std::string(row->name)});
  }
  return table;
}

// simulator.md: the statistics keys, one per command.
GeneratedTable statisticKeys() {
  GeneratedTable table{"simulator.md", "statistic-keys", {}};
  for (const fp::contract::CommandRow* row : fp::contract::commandTable()) {
    table.lines.push_back(
        {"- `" + fp::contract::statisticKey(*row) + "`: " + std::string(row->name),
         std::string(row->name)});
  }
  return table;
}

// Roff text: a minus is \-, and a line must not start with a control character.
std::string roff(std::string_view text) {
  std::string out = text.empty() || (text[0] != '.' && text[0] != '\'') ? "" : "\\&";
  for (const char c : text) {
    if (c == '-') {
      out += "\\-";
    } else if (c == '\\') {
      out += "\\e";
    } else {
      out += c;
    }
  }
  return out;
}

// The span of the block named `name` in `text`: from the line after its
// begin marker to the start of its end marker.
bool findBlock(const std::string& text, std::string_view name, std::size_t& from, std::size_t& to,
               std::string& problem) {
  const std::string begin = beginMarker(name);
  const std::size_t at = text.find(begin + "\n");
  if (at == std::string::npos) {
    problem = "has no line \"" + begin + "\"";
    return false;
  }
  from = at + begin.size() + 1;
  to = text.find(kEnd, from);
  if (to == std::string::npos) {
    problem = "has no \"" + std::string(kEnd) + "\" after \"" + begin + "\"";
    return false;
  }
  return true;
}

}  // namespace

std::vector<GeneratedTable> generatedTables() {
  return {fiscalctlCommands(), printerCommands(), statisticKeys()};
}

std::string manPagePrinterCommands() {
  std::string text;
  bool first = true;
  for (const NamedCommand& named : namedCommands()) {
    text += first ? ".TP\n" : ".TQ\n";
    first = false;
    text += ".B " + roff(named.name) + "\n";
    if (named.button.empty()) {
      text += roff(std::string(named.summary) + " (no button)") + "\n";
    } else {
      text += "\\(lq" + roff(named.button) + "\\(rq" +
              (named.row == nullptr ? ": " + roff(named.summary) : "") + "\n";
    }
  }
  return text;
}

bool replaceTable(const std::string& text, const GeneratedTable& table, std::string& replaced,
                  std::string& problem) {
  std::size_t from = 0, to = 0;
  if (!findBlock(text, table.name, from, to, problem)) return false;
  std::string block;
  for (const GeneratedLine& line : table.lines) block += line.text + "\n";
  replaced = text.substr(0, from) + block + text.substr(to);
  return true;
}

std::vector<std::string> staleLines(const std::string& text, const GeneratedTable& table) {
  std::size_t from = 0, to = 0;
  std::string problem;
  if (!findBlock(text, table.name, from, to, problem)) return {problem};
  std::vector<std::string> present;
  for (std::size_t at = from; at < to;) {
    const std::size_t end = text.find('\n', at);
    present.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  std::vector<std::string> stale;
  std::vector<bool> used(present.size(), false);
  for (const GeneratedLine& line : table.lines) {
    bool found = false;
    for (std::size_t i = 0; i < present.size() && !found; ++i) {
      if (!used[i] && present[i] == line.text) found = used[i] = true;
    }
    if (found) continue;
    stale.push_back(line.command.empty()
                        ? "the heading is not \"" + line.text + "\""
                        : "the row of " + line.command + " is missing or differs: it is \"" +
                              line.text + "\"");
  }
  for (std::size_t i = 0; i < present.size(); ++i) {
    if (!used[i]) stale.push_back("\"" + present[i] + "\" is not a row of the command set");
  }
  if (stale.empty()) {
    for (std::size_t i = 0; i < present.size(); ++i) {
      if (present[i] != table.lines[i].text) {
        stale.push_back("the rows are not in the command set's order, from \"" +
                        table.lines[i].text + "\" on");
        break;
      }
    }
  }
  return stale;
}

}  // namespace fiscalctl
