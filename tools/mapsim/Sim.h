#pragma once
// The local map-service simulator's routing. Each file of the simulator registers the
// endpoints it serves with a static Registration; main.cpp dispatches by Host and path.

#include <httplib.h>

#include <atomic>
#include <functional>
#include <string>

namespace mapsim {

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

// host "" serves any Host line; otherwise the Host line (without port) must equal it.
void addRoute(std::string host, std::string path, Handler handler);

struct Registration {
  explicit Registration(const std::function<void()>& registerRoutes) { registerRoutes(); }
};

// True once the simulator is shutting down; long-waiting handlers poll it.
bool stopping();
// Sleeps up to ms milliseconds, returning early when the simulator stops.
void sleepMs(long ms);
// The request's query value, or fallback when absent.
std::string param(const httplib::Request& req, const std::string& key,
                  const std::string& fallback = "");
long paramLong(const httplib::Request& req, const std::string& key, long fallback);

}  // namespace mapsim
