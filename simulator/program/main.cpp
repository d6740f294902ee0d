// fiscal-printer-sim: a virtual fiscal printer on a pseudo-terminal.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "simulator/program/options.h"
#include "simulator/program/run.h"
#include "simulator/program/subcommands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (sim::isSubcommand(args)) return sim::runSubcommand(args);
  const sim::ParsedOptions parsed = sim::parseOptions(args);
  if (!parsed.options) {
    return cli::usageError(std::cerr, sim::kProgramName, parsed.error, sim::usageLines(),
                           "fiscal-printer-sim --help");
  }
  if (parsed.options->help) {
    std::cout << sim::usageText() << std::flush;
    return 0;
  }
  if (parsed.options->version) {
    std::cout << sim::kProgramName << " " FISCAL_VERSION "\n" << std::flush;
    return 0;
  }
  return sim::run(*parsed.options);
}
