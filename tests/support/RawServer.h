#pragma once
// A one-connection TCP server on loopback for tests that must see the request's exact bytes.

#include <string>
#include <thread>

namespace tessary::testing {

class RawServer {
 public:
  // Answers the first request with `reply` (raw bytes, status line included) and closes.
  explicit RawServer(std::string reply);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::string url(const std::string& path = "/") const;
  // The request head as received (up to and including the blank line); waits for it.
  std::string request();

 private:
  int listenFd_ = -1;
  int port_ = 0;
  std::string reply_;
  std::string request_;
  std::thread thread_;
};

}  // namespace tessary::testing
