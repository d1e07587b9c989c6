#pragma once
// What tests set for one key or tag of a simulated service: added latency, a per-second
// limit and a fault for some of its requests; and the request log they read back.

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "Sim.h"

namespace mapsim {

// Repeat: every page is page 1, full (place searches). Layout: the same data laid out
// differently (coordinate services).
enum class Fault { None, Slow, Cut, Http500, Garbage, RateLimit, Layout, Repeat };

struct Behaviour {
  long latencyMs = 0;
  long rate = -1;  // requests a second; -1: the endpoint's default, 0: no limit
  Fault fault = Fault::None;
  long skip = 0;    // requests passed before the fault starts
  long count = -1;  // requests the fault affects; -1: all
  long slowMs = 5000;
  std::deque<std::chrono::steady_clock::time_point> recent;
  std::vector<std::string> log;

  // The fault this request gets (counting skip and count down).
  Fault takeFault();
  // Whether this request is over `limit` a second; a request let through is counted.
  bool overLimit(long limit);
  long rateOr(long fallback) const { return rate >= 0 ? rate : fallback; }
};

// How one request is to be answered.
struct Decision {
  Fault fault = Fault::None;
  bool limited = false;
  long latencyMs = 0;
  long slowMs = 0;
};

// GET .../config: latency, rate, slowMs, fault=none|slow|cut|http500|garbage|ratelimit|layout|repeat
// (with skip and count). Answers "ok", or 400 for an unknown fault name.
void configure(const httplib::Request& req, httplib::Response& res, Behaviour& behaviour);
// GET .../log: the logged lines, one a line.
void answerLog(const Behaviour& behaviour, httplib::Response& res);

// Waits the latency, then applies the faults that act before the body: slow waits, HTTP 500
// and garbage answer at once (true: the reply is complete), a rate-limit fault marks the
// request limited.
bool beginReply(Decision& d, httplib::Response& res, const std::string& type);
// Sends the body; under the cut fault the whole length is announced and half is sent.
void sendReply(const Decision& d, httplib::Response& res, std::string body, const std::string& type);

}  // namespace mapsim
