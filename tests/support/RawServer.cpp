#include "support/RawServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tessary::testing {

RawServer::RawServer(std::string reply) : reply_(std::move(reply)) {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 4) != 0 || getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("raw server cannot listen");
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, 10'000) <= 0) return;
    if (!(p.revents & POLLIN)) return;
    int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    char buf[4096];
    while (request_.find("\r\n\r\n") == std::string::npos) {
      pollfd q{fd, POLLIN, 0};
      if (poll(&q, 1, 5'000) <= 0) break;
      ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) break;
      request_.append(buf, n);
    }
    if (!reply_.empty()) (void)!write(fd, reply_.data(), reply_.size());
    close(fd);
  });
}

RawServer::~RawServer() {
  shutdown(listenFd_, SHUT_RDWR);  // wakes the thread when no client ever came
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) close(listenFd_);
}

std::string RawServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string RawServer::request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

}  // namespace tessary::testing
