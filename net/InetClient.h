#pragma once
// The second, simpler access path: its own header conventions, http and https, no numbered
// errors. The map-service requests all go through MapServiceClient.

#include <string>
#include <string_view>

#include "net/MapServiceClient.h"

namespace tessary {

struct InetResponse {
  bool ok = false;
  int status = 0;
  std::string headers;
  std::string body;  // UTF-8, charset handled as in MapServiceClient
};

// The caller's block completed by this path's rules (lines introduced by "\r\n", no line
// end after the last one).
std::string completeInetHeaders(std::string_view callerHeaders, std::string_view cookies,
                                std::string_view referer);
// The agent this path sends unless the caller's block names one.
inline constexpr std::string_view kInetAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Uses the request's url, method, body, cookies, headers and cancel flag; the request's own
// address is the Referer.
InetResponse inetFetch(const WebRequest& request);

}  // namespace tessary
