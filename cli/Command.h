#pragma once
// Commands of tessary-cli. Each command file registers itself with a static CommandRegistration.

#include <functional>
#include <string>
#include <vector>

namespace tessary::cli {

// args excludes the program and command names. Returns the exit status.
using CommandMain = std::function<int(const std::vector<std::string>& args)>;

struct CommandRegistration {
  CommandRegistration(std::string name, std::string usage, CommandMain main);
};

}  // namespace tessary::cli
