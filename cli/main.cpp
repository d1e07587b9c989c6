// tessary-cli: the command line beside the window; it drives the same jobs.

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "Command.h"

namespace tessary::cli {
namespace {

struct Command {
  std::string usage;
  CommandMain main;
};

std::map<std::string, Command>& commands() {
  static std::map<std::string, Command> table;
  return table;
}

void printHelp(std::FILE* to) {
  std::fprintf(to, "usage: tessary-cli COMMAND [OPTIONS]\n\ncommands:\n");
  for (const auto& [name, command] : commands()) std::fprintf(to, "  %s\n", command.usage.c_str());
  std::fprintf(to,
               "\nTESSARY_SERVICE_BASE=http://127.0.0.1:PORT sends every service request to a "
               "local tessary-mapsim.\n");
}

}  // namespace

CommandRegistration::CommandRegistration(std::string name, std::string usage, CommandMain main) {
  commands()[std::move(name)] = Command{std::move(usage), std::move(main)};
}

}  // namespace tessary::cli

int main(int argc, char** argv) {
  using namespace tessary::cli;
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    printHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  auto it = commands().find(argv[1]);
  if (it == commands().end()) {
    std::fprintf(stderr, "unknown command: %s\n\n", argv[1]);
    printHelp(stderr);
    return 2;
  }
  return it->second.main(std::vector<std::string>(argv + 2, argv + argc));
}
