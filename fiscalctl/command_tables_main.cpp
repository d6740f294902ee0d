// command-tables: the documents' command tables from the command set (not
// installed; run by the build and by scripts/update-docs).
//   command-tables man IN OUT    fiscalctl(1) from its configured source
//   command-tables check DOCS    exit 1, naming each stale row, when a table of
//                                DOCS/*.md is not as the command set says
//   command-tables write DOCS    rewrites the tables of DOCS/*.md
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "fiscalctl/command_tables.h"

namespace {

bool readFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  text = contents.str();
  return static_cast<bool>(in);
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

int fail(const std::string& message) {
  std::cerr << "command-tables: " << message << "\n";
  return 1;
}

int manPage(const std::string& in, const std::string& out) {
  std::string text;
  if (!readFile(in, text)) return fail("cannot read " + in);
  const std::string marker = std::string(fiscalctl::kManPageMarker) + "\n";
  const std::size_t at = text.find(marker);
  if (at == std::string::npos)
    return fail(in + " has no line \"" + marker.substr(0, marker.size() - 1) + "\"");
  text.replace(at, marker.size(), fiscalctl::manPagePrinterCommands());
  return writeFile(out, text) ? 0 : fail("cannot write " + out);
}

int documents(const std::string& folder, bool write) {
  int status = 0;
  for (const fiscalctl::GeneratedTable& table : fiscalctl::generatedTables()) {
    const std::string path = folder + "/" + std::string(table.document);
    std::string text;
    if (!readFile(path, text)) return fail("cannot read " + path);
    std::string problem;
    std::string replaced;
    if (!fiscalctl::replaceTable(text, table, replaced, problem)) {
      status = fail(path + " " + problem);
      continue;
    }
    if (write) {
      if (replaced != text && !writeFile(path, replaced)) return fail("cannot write " + path);
      continue;
    }
    for (const std::string& stale : fiscalctl::staleLines(text, table)) {
      status = fail(path + ", table " + std::string(table.name) + ": " + stale +
                    " (scripts/update-docs writes it)");
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "man" && argc == 4) return manPage(argv[2], argv[3]);
  if ((mode == "check" || mode == "write") && argc == 3) return documents(argv[2], mode == "write");
  std::cerr << "Usage: command-tables man IN OUT | check DOCS | write DOCS\n";
  return 2;
}
