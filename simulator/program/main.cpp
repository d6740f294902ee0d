// fiscal-printer-sim: a virtual fiscal printer on a pseudo-terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "simulator/program/options.h"
#include "simulator/program/run.h"
#include "simulator/program/subcommands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (sim::isSubcommand(args)) return sim::runSubcommand(args);
  const sim::ParsedOptions parsed = sim::parseOptions(args);
  if (!parsed.options) {
    std::fprintf(stderr, "fiscal-printer-sim: %s\n%s", parsed.error.c_str(), sim::usageText());
    return 2;
  }
  if (parsed.options->help) {
    std::fputs(sim::usageText(), stdout);
    return 0;
  }
  if (parsed.options->version) {
    std::puts("fiscal-printer-sim " FISCAL_VERSION);
    return 0;
  }
  return sim::run(*parsed.options);
}
