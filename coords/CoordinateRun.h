#pragma once
// The run engine of the three coordinate pages (Tencent conversion, Baidu conversion, reverse
// geocoding). One CoordinateRun belongs to one page: it holds the page's list of
// CoordinateJob rows and its status text, runs on a worker thread and reports through a
// RunListener. The window and the command line drive the same object.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "coords/CoordinateJob.h"
#include "coords/RunListener.h"
#include "net/MapServiceClient.h"

namespace tessary {

// A source system choice of a page: the radio button, the code the service takes and the
// name the command line uses.
struct SourceChoice {
  const char* control;
  int code;
  const char* name;
};
// Tencent "type" codes 1..6, Baidu "from" codes 1 and 3; empty for reverse geocoding.
const std::vector<SourceChoice>& sourceChoices(CoordinatePage page);
// The code selected when the window opens (Tencent 5, Baidu 3, reverse geocoding 0).
int defaultSourceCode(CoordinatePage page);

struct RunOptions {
  int sourceCode = 0;  // 0: the page's default
  std::string key;
  Timeouts timeouts;
  // Conversion requests carry up to this many coordinates (the services take 100).
  std::size_t batchSize = 100;
};

class CoordinateRun {
 public:
  CoordinateRun(CoordinatePage page, RunListener& listener);
  ~CoordinateRun();  // stops a running run and waits for it
  CoordinateRun(const CoordinateRun&) = delete;
  CoordinateRun& operator=(const CoordinateRun&) = delete;

  CoordinatePage page() const { return page_; }

  // Checks the input box and the key. On refusal returns the "提示" text and changes
  // nothing. Otherwise stops a run still going, replaces the list with the new lines
  // (numbered from 1) and starts the worker; returns an empty text.
  std::string start(std::string inputText, RunOptions options);
  // Asks the run to end; the worker ends within a second, in-flight transfers included, and
  // writes the page's stopped status. Does nothing when idle.
  void stop();
  // Stops a run first, then empties the list.
  void clear();
  // Blocks until the worker has ended.
  void wait();
  bool running() const { return running_.load(); }

  std::vector<CoordinateJob> jobs() const;
  std::vector<Row> rows() const;
  std::string status() const;

 private:
  struct Reading;
  void work(std::string input, RunOptions options);
  void handle(const std::vector<std::size_t>& batch, const RunOptions& options, std::string& refusedState);
  Reading ask(const std::vector<std::size_t>& batch, const RunOptions& options);
  void setRow(std::size_t index, std::string result, std::string state, bool succeeded);
  void setStatus(const std::string& text);

  const CoordinatePage page_;
  RunListener& listener_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  mutable std::mutex mutex_;
  std::vector<CoordinateJob> jobs_;
  std::string status_ = "0";
};

// The request one batch of normalised coordinates is sent as (exposed for the command line's
// diagnostics and for tests).
WebRequest coordinateRequest(CoordinatePage page, const std::vector<std::string>& coordinates,
                             const RunOptions& options);

}  // namespace tessary
