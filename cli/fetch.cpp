// tessary-cli fetch: one exchange with a service, the body to standard output. The user's
// first diagnostic when a service does not answer.

#include <cstdio>

#include "Command.h"
#include "net/MapServiceClient.h"

namespace tessary::cli {
namespace {

int fetchMain(const std::vector<std::string>& args) {
  WebRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--header" && i + 1 < args.size()) {
      if (!request.headers.empty()) request.headers += "\r\n";
      request.headers += args[++i];
    } else if (a == "--cookie" && i + 1 < args.size()) {
      request.cookies = args[++i];
    } else if (a == "--no-redirect") {
      request.forbidRedirect = true;
    } else if (request.url.empty() && !a.starts_with("--")) {
      request.url = a;
    } else {
      std::fprintf(stderr, "usage: tessary-cli fetch [--header LINE]... [--cookie TEXT] [--no-redirect] URL\n");
      return 2;
    }
  }
  if (request.url.empty()) {
    std::fprintf(stderr, "usage: tessary-cli fetch [--header LINE]... [--cookie TEXT] [--no-redirect] URL\n");
    return 2;
  }
  WebResponse response = MapServiceClient::fetch(request);
  if (!response.ok()) {
    std::fprintf(stderr, "%s\n", response.errorMessage.c_str());
    return 2;
  }
  if (!response.location.empty()) std::fprintf(stderr, "Location: %s\n", response.location.c_str());
  std::fwrite(response.body.data(), 1, response.body.size(), stdout);
  return 0;
}

CommandRegistration fetchCommand("fetch", "fetch [--header LINE]... [--cookie TEXT] [--no-redirect] URL",
                                 fetchMain);

}  // namespace
}  // namespace tessary::cli
