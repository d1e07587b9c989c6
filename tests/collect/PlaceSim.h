#pragma once
// Steering the simulator's place searches from a test, and a listener that keeps what a
// collection run reported.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "collect/CollectionListener.h"
#include "coords/RecordingListener.h"
#include "net/MapServiceClient.h"
#include "net/TextServices.h"
#include "support/MapSim.h"

namespace tessary::testing {

inline std::string placeSimGet(const MapSim& sim, const std::string& pathAndQuery) {
  WebRequest request;
  request.url = sim.url(pathAndQuery);
  return MapServiceClient::fetch(request).body;
}

// Options such as "fault=slow&count=1" for a keyword (or a Baidu lookup's city name).
inline void configureTag(const MapSim& sim, const std::string& tag, const std::string& options) {
  placeSimGet(sim, "/mapsim/places/config?tag=" + urlEncode(tag) + "&" + options);
}
inline void configurePlaceKey(const MapSim& sim, const std::string& key, const std::string& options) {
  placeSimGet(sim, "/mapsim/places/config?key=" + urlEncode(key) + "&" + options);
}

struct SeenRequest {
  std::string target, host, userAgent, referer;
};

// The requests the simulator saw for a keyword or lookup city (or, with key, a Tencent key).
inline std::vector<SeenRequest> placeLog(const MapSim& sim, const std::string& tag, bool key = false) {
  std::istringstream in(placeSimGet(sim, std::string("/mapsim/places/log?") + (key ? "key=" : "tag=") +
                                             urlEncode(tag)));
  std::vector<SeenRequest> seen;
  for (std::string line; std::getline(in, line);) {
    SeenRequest r;
    std::istringstream fields(line);
    std::getline(fields, r.target, '\t');
    std::getline(fields, r.host, '\t');
    std::getline(fields, r.userAgent, '\t');
    std::getline(fields, r.referer, '\t');
    seen.push_back(r);
  }
  return seen;
}

// A keyword no other test uses, with the number of places the simulator gives it.
inline std::string freshWord(const std::string& stem, int places) {
  static std::atomic<int> counter{0};
  return stem + std::to_string(++counter) + "#" + std::to_string(places);
}

class CollectRecorder : public Recording<CollectionListener> {
 public:
  void progress(const std::string& city, const std::string& keyword, int page) override {
    std::lock_guard lock(mutex_);
    progress_.emplace_back(city, keyword, page);
  }
  void collectedCount(std::size_t count) override {
    std::lock_guard lock(mutex_);
    collected_ = count;
  }
  void requestFailed(const std::string& city, const std::string& keyword, int page,
                     const std::string& message) override {
    std::lock_guard lock(mutex_);
    failures_.push_back(city + "/" + keyword + "/" + std::to_string(page) + ": " + message);
  }

  std::vector<std::string> failures() const { std::lock_guard lock(mutex_); return failures_; }
  std::vector<std::tuple<std::string, std::string, int>> progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  std::size_t collected() const { std::lock_guard lock(mutex_); return collected_; }

 private:
  std::vector<std::string> failures_;
  std::vector<std::tuple<std::string, std::string, int>> progress_;
  std::size_t collected_ = 0;
};

}  // namespace tessary::testing
