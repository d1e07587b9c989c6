#pragma once
// A page's export: asks for the workbook, takes the list as it shows at the click and writes
// it on a worker thread, so a long list never holds the window. The status lines and the
// closing notice reach the page through its feed.

#include <atomic>
#include <thread>

#include "io/WorkbookExport.h"

class QWidget;

namespace tessary::app {

class PageFeed;
class ResultModel;

class ListExport {
 public:
  ~ListExport();  // waits for a workbook still being written

  // A click while a workbook is still being written is ignored.
  void start(QWidget* parent, ResultModel& list, PageFeed& feed, ExportPage page);
  bool busy() const { return busy_; }

 private:
  std::thread worker_;
  std::atomic<bool> busy_{false};
};

}  // namespace tessary::app
