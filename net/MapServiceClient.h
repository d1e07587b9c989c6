#pragma once
// One HTTP exchange with a map service: request in; body, headers, cookies,
// redirect target and a numbered error out.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace tessary {

struct Timeouts {
  int resolveMs = 10'000;
  int connectMs = 10'000;
  int sendMs = 30'000;
  int receiveMs = 30'000;  // longest silence allowed while waiting for or reading the reply
};

struct WebRequest {
  std::string url;
  std::string method = "GET";  // GET, POST, HEAD or PUT
  std::string body;
  std::string cookies;  // "a=1; b=2"
  std::string headers;  // caller's lines separated by "\r\n"; completed by the client
  bool forbidRedirect = false;
  std::string proxy;  // "host:port"
  std::string proxyUser;
  std::string proxyPassword;
  Timeouts timeouts;
  std::size_t maxBodyBytes = 64u << 20;
  // Set from another thread to abandon the exchange; fetch then returns within a second.
  const std::atomic<bool>* cancel = nullptr;
};

struct WebResponse {
  std::string body;     // UTF-8 text after charset handling
  std::string headers;  // raw header block of the final response, lines ended by "\r\n"
  std::string cookies;  // "a=1; b=2" from every Set-Cookie line
  std::string location;
  int status = 0;  // HTTP status code of the final response, 0 when none arrived
  int error = 0;   // 0 or one of the numbered errors 700..713
  std::string errorMessage;  // the numbered message exactly as the user sees it
  bool cancelled = false;    // the caller's cancel flag ended the exchange

  bool ok() const { return error == 0; }
};

// The numbered messages. There is no 706.
std::string_view webErrorMessage(int code);

class MapServiceClient {
 public:
  static WebResponse fetch(const WebRequest& request);
  // Older and newer cookie texts merged: each name once, the newer value winning,
  // names whose newer value is "deleted" dropped. Older names keep their place.
  static std::string mergeCookies(std::string_view older, std::string_view newer);
};

// The caller's block completed with the default lines and the cookie line, each ended by
// "\r\n". Exposed for tests and for the command line's diagnostics.
std::string completeHeaders(std::string_view callerHeaders, std::string_view cookies);

}  // namespace tessary
