#include "Behaviour.h"

#include <algorithm>
#include <memory>

namespace mapsim {

Fault Behaviour::takeFault() {
  if (fault == Fault::None) return Fault::None;
  if (skip > 0) {
    --skip;
    return Fault::None;
  }
  if (count == 0) return Fault::None;
  if (count > 0) --count;
  return fault;
}

bool Behaviour::overLimit(long limit) {
  if (limit <= 0) return false;
  auto now = std::chrono::steady_clock::now();
  while (!recent.empty() && now - recent.front() >= std::chrono::seconds(1)) recent.pop_front();
  if (static_cast<long>(recent.size()) >= limit) return true;
  recent.push_back(now);
  return false;
}

void configure(const httplib::Request& req, httplib::Response& res, Behaviour& b) {
  static const std::vector<std::pair<std::string, Fault>> faults{
      {"none", Fault::None},       {"slow", Fault::Slow},           {"cut", Fault::Cut},
      {"http500", Fault::Http500}, {"garbage", Fault::Garbage},     {"ratelimit", Fault::RateLimit},
      {"layout", Fault::Layout},   {"repeat", Fault::Repeat}};
  b.latencyMs = paramLong(req, "latency", b.latencyMs);
  b.rate = paramLong(req, "rate", b.rate);
  b.slowMs = paramLong(req, "slowMs", b.slowMs);
  if (req.has_param("fault")) {
    const std::string name = param(req, "fault");
    auto it = std::find_if(faults.begin(), faults.end(), [&](const auto& f) { return f.first == name; });
    if (it == faults.end()) {
      res.status = 400;
      res.set_content("unknown fault", "text/plain");
      return;
    }
    b.fault = it->second;
    b.skip = paramLong(req, "skip", 0);
    b.count = paramLong(req, "count", -1);
  }
  res.set_content("ok", "text/plain");
}

void answerLog(const Behaviour& b, httplib::Response& res) {
  std::string out;
  for (const auto& line : b.log) out += line + "\n";
  res.set_content(out, "text/plain");
}

bool beginReply(Decision& d, httplib::Response& res, const std::string& type) {
  if (d.latencyMs > 0) sleepMs(d.latencyMs);
  switch (d.fault) {
    case Fault::Slow:
      sleepMs(d.slowMs);
      return false;
    case Fault::Http500:
      res.status = 500;
      res.set_content("<html><body><h1>500 Internal Server Error</h1></body></html>", "text/html");
      return true;
    case Fault::Garbage:
      res.set_content("<html><body>\x01\x02 maintenance \xff\xfe {[( </body></html>", type);
      return true;
    case Fault::RateLimit:
      d.limited = true;
      return false;
    default:
      return false;
  }
}

void sendReply(const Decision& d, httplib::Response& res, std::string body, const std::string& type) {
  if (d.fault != Fault::Cut) {
    res.set_content(body, type);
    return;
  }
  auto shared = std::make_shared<std::string>(std::move(body));
  res.set_content_provider(shared->size(), type, [shared](std::size_t offset, std::size_t, httplib::DataSink& sink) {
    if (offset == 0) sink.write(shared->data(), shared->size() / 2);
    return false;
  });
}

}  // namespace mapsim
