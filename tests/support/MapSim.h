#pragma once
// Starts tessary-mapsim on a free loopback port for the life of the object.

#include <string>
#include <sys/types.h>

namespace tessary::testing {

class MapSim {
 public:
  MapSim();  // throws std::runtime_error when the simulator does not start
  ~MapSim();
  MapSim(const MapSim&) = delete;
  MapSim& operator=(const MapSim&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:PORT"
  std::string base() const;
  // base() + path, for requests that name the simulator directly
  std::string url(const std::string& pathAndQuery) const { return base() + pathAndQuery; }
  // Points TESSARY_SERVICE_BASE at this simulator until destruction.
  void becomeServiceBase();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool ownsServiceBase_ = false;
};

}  // namespace tessary::testing
