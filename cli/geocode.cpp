// tessary-cli geocode: the reverse-geocoding page on the command line.

#include <cstdio>

#include "Command.h"
#include "RunOutput.h"

namespace tessary::cli {
namespace {

int geocodeMain(const std::vector<std::string>& args) {
  CoordinateCommand command;
  command.page = CoordinatePage::ReverseGeocoding;
  std::vector<std::pair<std::string, std::string>> extra;
  std::string error;
  if (!parseCommonOptions(args, command, extra, error) || !extra.empty()) {
    std::fprintf(stderr, "%s\n", error.empty() ? "geocode takes -i, -o and --key" : error.c_str());
    return 2;
  }
  command.key = resolveKey(command.key, "TESSARY_TENCENT_KEY", "tencent");
  return runCoordinateCommand(command);
}

CommandRegistration registration("geocode", "geocode [-i FILE] [-o FILE.xls|FILE.csv] [--key KEY]", geocodeMain);

}  // namespace
}  // namespace tessary::cli
