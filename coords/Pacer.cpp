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

Pacer& Pacer::forService(Service service) {
  static Pacer tencent(5);
  static Pacer baidu(20);
  static Pacer unpaced(0);
  switch (service) {
    case Service::Tencent:
      return tencent;
    case Service::BaiduApi:
      return baidu;
    default:
      return unpaced;
  }
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

bool sleepUnlessStopped(long ms, const std::atomic<bool>* stop) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (true) {
    if (stop && stop->load()) return false;
    auto now = std::chrono::steady_clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(until - now, std::chrono::milliseconds(20)));
  }
}

}  // namespace tessary
