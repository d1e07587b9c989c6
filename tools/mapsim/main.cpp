// tessary-mapsim: a local stand-in for the map services, serving real HTTP/1.1 on loopback.
// Usage: tessary-mapsim [--port N]   (0 picks a free port; the first line printed is
// "listening on PORT").

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "Sim.h"

namespace mapsim {
namespace {

std::atomic<bool> g_stopping{false};

std::map<std::pair<std::string, std::string>, Handler>& routes() {
  static std::map<std::pair<std::string, std::string>, Handler> table;
  return table;
}

std::string hostWithoutPort(const httplib::Request& req) {
  std::string host = req.get_header_value("Host");
  if (auto colon = host.rfind(':'); colon != std::string::npos && host.find(']') == std::string::npos)
    host.erase(colon);
  return host;
}

std::atomic<long> g_served{0};

void dispatch(const httplib::Request& req, httplib::Response& res) {
  if (req.path == "/stats") {  // how many requests arrived, for tests that expect none
    res.set_content(std::to_string(g_served.load()), "text/plain");
    return;
  }
  ++g_served;
  auto& table = routes();
  auto it = table.find({hostWithoutPort(req), req.path});
  if (it == table.end()) it = table.find({"", req.path});
  if (it == table.end()) {
    res.status = 404;
    res.set_content("no such endpoint: " + req.path, "text/plain");
    return;
  }
  it->second(req, res);
}

}  // namespace

void addRoute(std::string host, std::string path, Handler handler) {
  routes()[{std::move(host), std::move(path)}] = std::move(handler);
}

bool stopping() { return g_stopping.load(); }

void sleepMs(long ms) {
  for (long waited = 0; waited < ms && !stopping(); waited += 10)
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10L, ms - waited)));
}

std::string param(const httplib::Request& req, const std::string& key, const std::string& fallback) {
  return req.has_param(key.c_str()) ? req.get_param_value(key.c_str()) : fallback;
}

long paramLong(const httplib::Request& req, const std::string& key, long fallback) {
  std::string v = param(req, key);
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 10);
  return (v.empty() || *end) ? fallback : n;
}

}  // namespace mapsim

int main(int argc, char** argv) {
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--port") && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: tessary-mapsim [--port N]\n");
      return 2;
    }
  }
  // SIGTERM and SIGINT are taken by one waiting thread so the server can stop cleanly.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  httplib::Server server;
  // Handlers that hang or stream must not block the others.
  server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  server.set_keep_alive_max_count(100000);
  server.set_tcp_nodelay(true);  // no 40 ms Nagle stalls on kept-alive connections
  server.Get(".*", mapsim::dispatch);
  server.Post(".*", mapsim::dispatch);
  server.Put(".*", mapsim::dispatch);

  int bound = port ? (server.bind_to_port("127.0.0.1", port) ? port : -1)
                   : server.bind_to_any_port("127.0.0.1");
  if (bound <= 0) {
    std::fprintf(stderr, "cannot listen on port %d\n", port);
    return 1;
  }
  std::atomic<bool> listenDone{false};
  std::thread stopper([&] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    mapsim::g_stopping = true;
    // A signal may come before the server loop runs, when stop() has nothing to stop yet.
    while (!listenDone) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::printf("listening on %d\n", bound);
  std::fflush(stdout);
  server.listen_after_bind();
  listenDone = true;
  if (!mapsim::stopping()) pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
