#pragma once
// Small helpers for steering the simulator's coordinate services from a test.

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "net/MapServiceClient.h"
#include "net/TextServices.h"
#include "support/MapSim.h"

namespace tessary::testing {

inline std::string simGet(const MapSim& sim, const std::string& pathAndQuery) {
  WebRequest request;
  request.url = sim.url(pathAndQuery);
  return MapServiceClient::fetch(request).body;
}

// Options such as "fault=slow&count=1" for one key.
inline void configureKey(const MapSim& sim, const std::string& key, const std::string& options) {
  simGet(sim, "/mapsim/coords/config?key=" + urlEncode(key) + "&" + options);
}

// The request targets the simulator saw for the key, in order.
inline std::vector<std::string> requestLog(const MapSim& sim, const std::string& key) {
  std::istringstream in(simGet(sim, "/mapsim/coords/log?key=" + urlEncode(key)));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A key no other test uses, so per-key limits and logs do not mix.
inline std::string freshKey(const std::string& prefix = "key") {
  static std::atomic<int> counter{0};
  return prefix + "-" + std::to_string(++counter);
}

}  // namespace tessary::testing
