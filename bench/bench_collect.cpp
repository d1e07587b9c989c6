// Collection runs against the simulator: 20 cities x 10 keywords x 60 places per pair, per
// service. Prints the rows collected (against the simulator's count, duplicates checked), the
// requests sent and the wall time with pacing off; then, with pacing on, the measured request
// rate beside the configured one.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "collect/CollectionJob.h"
#include "coords/Pacer.h"
#include "net/MapServiceClient.h"
#include "support/MapSim.h"

using namespace tessary;

namespace {

class Waiter : public CollectionListener {
 public:
  void rowsAdded(std::size_t, const std::vector<Row>&) override {}
  void statusText(const std::string&) override {}
  void notice(const std::string&) override {}
  void progress(const std::string&, const std::string&, int) override {}
  void collectedCount(std::size_t) override {}
  void finished(bool) override {
    std::lock_guard lock(mutex_);
    done_ = true;
    cv_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [&] { return done_; });
    done_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
};

struct Figures {
  std::size_t rows = 0;
  std::size_t distinct = 0;
  int requests = 0;
  int failed = 0;
  double seconds = 0;
};

Figures run(MapSource source, int cities, int keywords, int places, const std::string& key) {
  std::string cityText, keywordText;
  for (int c = 1; c <= cities; ++c)
    cityText += "城市" + std::to_string(c) +
                (source == MapSource::Amap ? "|3401" + std::to_string(10 + c) : "") + "\n";
  for (int k = 1; k <= keywords; ++k)
    keywordText += "词" + std::to_string(k) + "#" + std::to_string(places) + "\n";
  Waiter waiter;
  CollectionJob job(waiter);
  auto start = std::chrono::steady_clock::now();
  std::string refused = job.start(source, cityText, keywordText, key);
  if (!refused.empty()) {
    std::fprintf(stderr, "%s\n", refused.c_str());
    return {};
  }
  waiter.wait();
  job.wait();
  Figures f;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto records = job.records();
  f.rows = records.size();
  std::set<std::string> seen;
  for (const auto& r : records) seen.insert(r.title + "\x1f" + r.coordinate);
  f.distinct = seen.size();
  f.requests = job.stats().requests;
  f.failed = job.stats().failedRequests;
  return f;
}

}  // namespace

int main() {
  testing::MapSim sim;
  sim.becomeServiceBase();
  const std::string key = "bench-key";
  {
    WebRequest request;
    request.url = sim.url("/mapsim/places/config?key=" + key + "&rate=0");
    MapServiceClient::fetch(request);
  }
  constexpr int kCities = 20, kKeywords = 10, kPlaces = 60;
  const MapSource sources[] = {MapSource::Baidu, MapSource::Amap, MapSource::Tencent};

  std::printf("pacing off: %d cities x %d keywords x %d places (simulator count %d per service)\n",
              kCities, kKeywords, kPlaces, kCities * kKeywords * kPlaces);
  std::printf("%-8s %8s %9s %9s %7s %9s %10s\n", "service", "rows", "distinct", "requests",
              "failed", "wall s", "requests/s");
  Pacer::setAllPaced(false);
  for (MapSource source : sources) {
    Figures f = run(source, kCities, kKeywords, kPlaces, key);
    std::printf("%-8s %8zu %9zu %9d %7d %9.2f %10.0f%s\n", std::string(sourceName(source)).c_str(),
                f.rows, f.distinct, f.requests, f.failed, f.seconds, f.requests / f.seconds,
                f.rows == static_cast<std::size_t>(kCities * kKeywords * kPlaces) && f.distinct == f.rows
                    ? ""
                    : "  MISMATCH");
  }

  // Pacing on, at each service's default rate.
  struct Paced {
    MapSource source;
    Service service;
    double rate;
    int cities, keywords;
  } paced[] = {
      {MapSource::Baidu, Service::BaiduApi, Pacer::defaultRate(Service::BaiduApi), 2, 8},
      {MapSource::Amap, Service::Amap, Pacer::defaultRate(Service::Amap), 2, 6},
      {MapSource::Tencent, Service::Tencent, Pacer::defaultRate(Service::Tencent), 2, 4},
  };
  std::printf("\npacing on (%d places per pair):\n", kPlaces);
  std::printf("%-8s %9s %9s %12s %12s %8s\n", "service", "pairs", "requests", "configured/s",
              "measured/s", "off by");
  for (const auto& p : paced) {
    Pacer::forService(p.service).setRate(p.rate);
    Figures f = run(p.source, p.cities, p.keywords, kPlaces, key);
    // The Baidu city lookups go to the map site, left unpaced here; they are not counted.
    int pacedRequests = f.requests - (p.source == MapSource::Baidu ? p.cities : 0);
    double measured = (pacedRequests - 1) / f.seconds;
    std::printf("%-8s %9d %9d %12.1f %12.2f %7.1f%%\n", std::string(sourceName(p.source)).c_str(),
                p.cities * p.keywords, pacedRequests, p.rate, measured,
                100.0 * (measured - p.rate) / p.rate);
    Pacer::forService(p.service).setRate(0);
  }
  return 0;
}
