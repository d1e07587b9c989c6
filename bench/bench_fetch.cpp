// 2,000 sequential exchanges against the local simulator through MapServiceClient, beside one
// curl process fetching the same 2,000 addresses over one reused connection.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "net/MapServiceClient.h"
#include "support/MapSim.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 2000;
  tessary::testing::MapSim sim;

  int failed = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    tessary::WebRequest r;
    r.url = sim.url("/echo?i=" + std::to_string(i));
    r.headers = "Host: apis.map.qq.com";
    if (!tessary::MapServiceClient::fetch(r).ok()) ++failed;
  }
  double ours = secondsSince(start);
  std::printf("MapServiceClient: %d exchanges in %.3f s = %.0f per second (%d failed)\n", n, ours, n / ours, failed);

  const std::string config = "/tmp/bench_fetch_curl_" + std::to_string(getpid()) + ".cfg";
  {
    std::ofstream out(config);
    for (int i = 0; i < n; ++i)
      out << "url = \"" << sim.url("/echo?i=" + std::to_string(i)) << "\"\noutput = \"/dev/null\"\n";
  }
  start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execlp("curl", "curl", "-s", "-H", "Host: apis.map.qq.com", "--config", config.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  double curl = secondsSince(start);
  std::remove(config.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::printf("curl did not run (status %d)\n", status);
    return 1;
  }
  std::printf("curl (one process, reused connection): %d in %.3f s = %.0f per second\n", n, curl, n / curl);
  std::printf("ratio MapServiceClient / curl (exchanges per second): %.2f\n", curl / ours);
  return failed ? 1 : 0;
}
