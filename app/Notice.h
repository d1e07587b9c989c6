#pragma once
// The maker's notice: fetched once on a worker thread, read as the first
// "@1text#1address@1" record of the reply, handed to the window by its timer.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace tessary::app {

struct Notice {
  std::string text;     // shown in the announcement line
  std::string address;  // opened by a press on the line (http and https only)
};

// The first record of the body; nothing when the body holds none. A record lies within
// one line: "." never crosses a line break.
std::optional<Notice> parseNotice(std::string_view body);

// The notice file's address; follows TESSARY_SERVICE_BASE like every service.
std::string noticeUrl();

class NoticeFetcher {
 public:
  NoticeFetcher() = default;
  ~NoticeFetcher();  // abandons a fetch still under way and waits for its thread
  NoticeFetcher(const NoticeFetcher&) = delete;
  NoticeFetcher& operator=(const NoticeFetcher&) = delete;

  void start(std::string url = noticeUrl());
  // True once the fetch has ended, with or without a notice.
  bool finished() const { return finished_.load(); }
  // The notice once the fetch has ended with one.
  std::optional<Notice> result() const;

 private:
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex mutex_;
  std::optional<Notice> notice_;
};

}  // namespace tessary::app
