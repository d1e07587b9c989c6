#pragma once
// A listener that keeps what a run reported, mirroring the list as a window would.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "coords/RunListener.h"

namespace tessary::testing {

template <class Listener>
class Recording : public Listener {
 public:
  void rowsCleared() override {
    std::lock_guard lock(mutex_);
    rows_.clear();
    ++clears_;
  }
  void rowsAdded(std::size_t first, const std::vector<Row>& rows) override {
    std::lock_guard lock(mutex_);
    if (first != rows_.size()) outOfOrder_ = true;
    rows_.resize(first);
    rows_.insert(rows_.end(), rows.begin(), rows.end());
  }
  void rowChanged(std::size_t index, const Row& row) override {
    std::lock_guard lock(mutex_);
    if (index < rows_.size()) rows_[index] = row;
  }
  void statusText(const std::string& text) override {
    std::lock_guard lock(mutex_);
    statuses_.push_back(text);
  }
  void notice(const std::string& text) override {
    std::lock_guard lock(mutex_);
    notices_.push_back(text);
  }
  void finished(bool stopped) override {
    std::lock_guard lock(mutex_);
    finishedAt_ = std::chrono::steady_clock::now();
    stopped_ = stopped;
    ++finishes_;
    cv_.notify_all();
  }

  // Waits until `count` runs have finished; false on timeout.
  bool waitFinished(int count = 1, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, limit, [&] { return finishes_ >= count; });
  }

  std::vector<Row> rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
  }
  std::vector<std::string> statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
  }
  std::vector<std::string> notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  bool stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
  }
  int clears() const {
    std::lock_guard lock(mutex_);
    return clears_;
  }
  int finishes() const {
    std::lock_guard lock(mutex_);
    return finishes_;
  }
  // Rows arrived at another place than the end of the list.
  bool outOfOrder() const {
    std::lock_guard lock(mutex_);
    return outOfOrder_;
  }
  std::chrono::steady_clock::time_point finishedAt() const {
    std::lock_guard lock(mutex_);
    return finishedAt_;
  }

 protected:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Row> rows_;
  std::vector<std::string> statuses_;
  std::vector<std::string> notices_;
  std::chrono::steady_clock::time_point finishedAt_{};
  bool stopped_ = false;
  int finishes_ = 0;
  int clears_ = 0;
  bool outOfOrder_ = false;
};

using RecordingListener = Recording<RunListener>;

}  // namespace tessary::testing
