// tessary-cli convert: the Tencent or Baidu coordinate conversion page on the command line.

#include <cstdio>

#include "Command.h"
#include "RunOutput.h"

namespace tessary::cli {
namespace {

int convertMain(const std::vector<std::string>& args) {
  CoordinateCommand command;
  std::vector<std::pair<std::string, std::string>> extra;
  std::string error, to, from;
  if (!parseCommonOptions(args, command, extra, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  for (const auto& [option, value] : extra) (option == "--to" ? to : from) = value;
  if (to == "tencent") {
    command.page = CoordinatePage::TencentConversion;
  } else if (to == "baidu") {
    command.page = CoordinatePage::BaiduConversion;
  } else {
    std::fprintf(stderr, "convert needs --to tencent or --to baidu\n");
    return 2;
  }
  if (!from.empty()) {
    std::string names;
    for (const SourceChoice& choice : sourceChoices(command.page)) {
      if (from == choice.name) command.sourceCode = choice.code;
      names += names.empty() ? choice.name : std::string("|") + choice.name;
    }
    if (!command.sourceCode) {
      std::fprintf(stderr, "--to %s takes --from %s\n", to.c_str(), names.c_str());
      return 2;
    }
  }
  command.key = command.page == CoordinatePage::TencentConversion
                    ? resolveKey(command.key, "TESSARY_TENCENT_KEY", "tencent")
                    : resolveKey(command.key, "TESSARY_BAIDU_KEY", "baidu");
  return runCoordinateCommand(command);
}

CommandRegistration registration(
    "convert",
    "convert --to tencent [--from gps|sogou|baidu|mapbar|google|sogou-mercator] | --to baidu "
    "[--from gps|google]  [-i FILE] [-o FILE.xls|FILE.csv] [--key KEY]",
    convertMain);

}  // namespace
}  // namespace tessary::cli
