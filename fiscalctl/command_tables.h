// The documents' command tables, worked out from the command set: the
// printer commands of fiscalctl's manual page, filled in at build time, and
// the tables between markers in docs/*.md, rewritten by scripts/update-docs
// and checked by a test that names every row a table misses.
//
// In a document a generated table stands between the lines
//   <!-- generated from the command set: NAME -->
//   <!-- end of generated table -->
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fiscalctl {

// One generated block: its lines, each with the command it is about ("" for
// a heading line).
struct GeneratedLine {
  std::string text;
  std::string command;
};

struct GeneratedTable {
  std::string_view document;  // under docs/, "fiscalctl.md"
  std::string_view name;      // its marker's name, "fiscalctl-commands"
  std::vector<GeneratedLine> lines;
};

// Every generated table of the documents.
std::vector<GeneratedTable> generatedTables();

// The printer commands of fiscalctl(1) in roff, one .TP/.TQ heading each.
std::string manPagePrinterCommands();

// The line of fiscalctl.1.in that manPagePrinterCommands() replaces.
inline constexpr std::string_view kManPageMarker =
    ".\\\" PRINTER COMMANDS: filled in at build time from the command set";

// `text` with the block of `table` replaced by the generated lines; false
// with `problem` set when the markers are missing or out of order.
bool replaceTable(const std::string& text, const GeneratedTable& table, std::string& replaced,
                  std::string& problem);

// What is stale in the block of `table` in `text`: one message per command
// whose line is missing or differs, and per line that is no longer generated.
// Empty when the block is as generated.
std::vector<std::string> staleLines(const std::string& text, const GeneratedTable& table);

}  // namespace fiscalctl
