#pragma once
// Request pacing per map service, shared by every run in the process (the services count
// requests per key, and two pages may use the same key at once). Defaults: Tencent 5 requests
// a second, Baidu 20, Amap 10. Benchmarks and tests may change or switch off pacing here.

#include <atomic>
#include <chrono>
#include <mutex>

#include "net/ServiceAddress.h"

namespace tessary {

class Pacer {
 public:
  explicit Pacer(double perSecond = 0);

  static Pacer& forService(Service service);
  static double defaultRate(Service service);
  // Every service at its default rate, or (tests, benchmarks) none paced at all.
  static void setAllPaced(bool paced);

  // perSecond <= 0 switches pacing off.
  void setRate(double perSecond);
  double rate() const;

  // Waits for the caller's turn. Returns false when `stop` was set before the turn came.
  bool waitTurn(const std::atomic<bool>* stop = nullptr);

 private:
  mutable std::mutex mutex_;
  std::chrono::steady_clock::duration interval_{};
  std::chrono::steady_clock::time_point next_{};
};

// How long a run waits after a service's rate-limit reply before it asks again, and how many
// times it asks again. Shared settings, changed by tests.
struct RateLimitRetry {
  static int waitMs();
  static void setWaitMs(int ms);
  static constexpr int kRetries = 3;
};

}  // namespace tessary
