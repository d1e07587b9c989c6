#include "coords/Pacer.h"

#include <algorithm>
#include <thread>

namespace tessary {

namespace {
std::atomic<int> g_rateLimitWaitMs{1000};
}

Pacer::Pacer(double perSecond) {
  setRate(perSecond);
}

double Pacer::defaultRate(Service service) {
  // The Amap web site publishes no limit; 10 a second keeps a long run from being turned away.
  switch (service) {
    case Service::Tencent: return 5;
    case Service::BaiduApi: return 20;
    case Service::BaiduMap: return 20;
    case Service::Amap: return 10;
    case Service::Maker: return 0;
  }
  return 0;
}

Pacer& Pacer::forService(Service service) {
  // One pacer per service, so that changing one rate leaves the others alone.
  static Pacer pacers[] = {Pacer(defaultRate(Service::BaiduMap)), Pacer(defaultRate(Service::BaiduApi)),
                           Pacer(defaultRate(Service::Amap)), Pacer(defaultRate(Service::Tencent)),
                           Pacer(defaultRate(Service::Maker))};
  return pacers[static_cast<int>(service)];
}

void Pacer::setAllPaced(bool paced) {
  for (Service s : {Service::BaiduMap, Service::BaiduApi, Service::Amap, Service::Tencent, Service::Maker})
    forService(s).setRate(paced ? defaultRate(s) : 0);
}

void Pacer::setRate(double perSecond) {
  std::lock_guard lock(mutex_);
  if (perSecond <= 0) {
    interval_ = {};
  } else {
    interval_ =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / perSecond));
  }
  next_ = {};
}

double Pacer::rate() const {
  std::lock_guard lock(mutex_);
  if (interval_.count() == 0) return 0;
  return 1.0 / std::chrono::duration<double>(interval_).count();
}

bool Pacer::waitTurn(const std::atomic<bool>* stop) {
  std::chrono::steady_clock::time_point turn;
  {
    std::lock_guard lock(mutex_);
    if (interval_.count() == 0) return !(stop && stop->load());
    auto now = std::chrono::steady_clock::now();
    turn = std::max(now, next_);
    next_ = turn + interval_;
  }
  while (true) {
    if (stop && stop->load()) return false;
    auto now = std::chrono::steady_clock::now();
    if (now >= turn) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(turn - now, std::chrono::milliseconds(20)));
  }
}

int RateLimitRetry::waitMs() {
  return g_rateLimitWaitMs.load();
}
void RateLimitRetry::setWaitMs(int ms) {
  g_rateLimitWaitMs = ms;
}

}  // namespace tessary
