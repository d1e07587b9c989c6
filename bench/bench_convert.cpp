// 10,000 coordinates through the simulator's Tencent conversion with 20 ms added to every
// reply: batches of 100 beside one request per line. Pacing and the simulator's rate limit
// are off so that only the number of round trips counts.
// Usage: bench_convert [LINES]   (default 10000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "coords/CoordinateRun.h"
#include "coords/Pacer.h"
#include "net/MapServiceClient.h"
#include "net/TextServices.h"
#include "support/MapSim.h"

using namespace tessary;

namespace {

class Quiet : public RunListener {
 public:
  void rowsAdded(std::size_t, const std::vector<Row>&) override {}
  void rowChanged(std::size_t, const Row&) override {}
  void statusText(const std::string&) override {}
  void notice(const std::string&) override {}
  void finished(bool) override {}
};

std::string simGet(const testing::MapSim& sim, const std::string& pathAndQuery) {
  WebRequest request;
  request.url = sim.url(pathAndQuery);
  return MapServiceClient::fetch(request).body;
}

struct Figures {
  std::size_t requests = 0;
  double seconds = 0;
  std::size_t converted = 0;
};

Figures measure(const testing::MapSim& sim, const std::string& input, std::size_t batchSize, const std::string& key) {
  simGet(sim, "/mapsim/coords/config?key=" + urlEncode(key) + "&latency=20&rate=0");
  Quiet quiet;
  CoordinateRun run(CoordinatePage::TencentConversion, quiet);
  RunOptions options;
  options.key = key;
  options.sourceCode = 1;
  options.batchSize = batchSize;
  auto started = std::chrono::steady_clock::now();
  if (!run.start(input, options).empty()) std::abort();
  run.wait();
  Figures f;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (const auto& job : run.jobs()) f.converted += job.succeeded;
  std::istringstream log(simGet(sim, "/mapsim/coords/log?key=" + urlEncode(key)));
  for (std::string line; std::getline(log, line);) ++f.requests;
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
  testing::MapSim sim;
  sim.becomeServiceBase();
  Pacer::setAllPaced(false);

  std::string input;
  for (std::size_t i = 0; i < lines; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%.6f,%.6f\r\n", 20 + (i % 2000) * 0.01, 100 + (i / 2000) * 0.01);
    input += line;
  }

  Figures batched = measure(sim, input, 100, "bench-batched");
  Figures single = measure(sim, input, 1, "bench-single");
  std::printf("%zu coordinates, 20 ms added latency per request, pacing off\n", lines);
  std::printf("%-22s %10s %12s %12s\n", "", "requests", "wall time s", "converted");
  std::printf("%-22s %10zu %12.2f %12zu\n", "batches of 100", batched.requests, batched.seconds, batched.converted);
  std::printf("%-22s %10zu %12.2f %12zu\n", "one request per line", single.requests, single.seconds, single.converted);
  std::printf("speed-up: %.1fx\n", single.seconds / batched.seconds);
  return 0;
}
