#pragma once
// One collection page's run engine: the list of collected places, kept across runs, and the
// run that walks every city line, keyword and page on a worker thread. The window and the
// command line drive the same object.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "collect/CollectionListener.h"
#include "collect/PlaceRecord.h"
#include "collect/PlaceSearch.h"

namespace tessary {

struct CollectOptions {
  Timeouts timeouts;
  // Whatever the replies say, no city and keyword gets more pages than this.
  int maxPages = 100;
};

struct CollectStats {
  std::size_t collected = 0;  // places the last run added
  int requests = 0;           // requests it sent, retries included
  int failedRequests = 0;     // requests that failed for good
  int skippedCities = 0;      // city lines that named no city of the service
  bool keyRefused = false;    // the service refused the key and the run ended early
  bool stopped = false;
};

// The page's texts.
struct CollectTexts {
  static constexpr const char* running = "----正在采集----";
  static constexpr const char* completed = "----采集完成----";
  static constexpr const char* stopped = "----采集已停止----";
  static constexpr const char* completedNotice = "采集完成！";
};
// The completion text, naming failed requests and skipped city lines when there were any:
// "----采集完成，3个请求失败，1个城市已跳过----".
std::string completedStatus(int failedRequests, int skippedCities = 0);

// The input box split into lines: blanks around a line trimmed, blank lines and repeated
// lines dropped, order kept. Takes "\r\n", "\n" and "\r" as line ends.
std::vector<std::string> collectLines(std::string_view text);

// True when a city line lacks the "|" and code that an Amap search needs (lines typed or taken
// from the national city picker): the page then points the user to the Amap city picker.
bool hasLinesWithoutAmapCode(std::string_view cityText);

class CollectionJob {
 public:
  explicit CollectionJob(CollectionListener& listener);
  ~CollectionJob();  // stops a running run and waits for it
  CollectionJob(const CollectionJob&) = delete;
  CollectionJob& operator=(const CollectionJob&) = delete;

  // The "提示" text when an input the service needs is empty, else an empty text.
  static std::string missingInput(MapSource source, std::string_view cityText,
                                  std::string_view keywordText, std::string_view key);

  // Checks the inputs; on refusal returns the "提示" text and changes nothing. Otherwise stops
  // a run still going and starts a new one that keeps the rows already in the list and
  // continues their numbering; returns an empty text.
  std::string start(MapSource source, std::string_view cityText, std::string_view keywordText,
                    std::string_view key, CollectOptions options = {});
  // Asks the run to end; it ends within a second, in-flight transfers included.
  void stop();
  // Blocks until the worker has ended.
  void wait();
  // Empties the list and nothing else: a run going on keeps going, numbering from 1 again.
  void clear();
  bool running() const { return running_.load(); }

  std::vector<PlaceRecord> records() const;
  std::vector<Row> rows() const;
  std::string status() const;
  CollectStats stats() const;

 private:
  void work(MapSource source, std::vector<std::string> cities, std::vector<std::string> keywords,
            std::string key, CollectOptions options);
  // Adds the places not yet in the list; returns how many were added.
  std::size_t add(MapSource source, std::vector<PlaceRecord> places);
  void setStatus(const std::string& text);

  CollectionListener& listener_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  // Held while the list changes and while the listener hears of it, so that rows and clears
  // reach the front end in the order they happened.
  mutable std::mutex listMutex_;
  std::vector<PlaceRecord> records_;
  std::set<std::string> seen_;
  mutable std::mutex stateMutex_;
  std::string status_ = "0";
  CollectStats stats_;
};

}  // namespace tessary
