#include "app/pages/ListExport.h"

#include "app/PageFeed.h"
#include "app/ResultModel.h"
#include "app/pages/PageFiles.h"

namespace tessary::app {

ListExport::~ListExport() {
  if (worker_.joinable()) worker_.join();
}

void ListExport::start(QWidget* parent, ResultModel& list, PageFeed& feed, ExportPage page) {
  if (busy_) return;
  const std::string path = askForFile(parent, FileQuestion::ExportWorkbook);
  if (path.empty()) return;  // cancelled: nothing written, nothing said
  std::vector<std::string> titles = list.titles();
  std::vector<Row> rows = list.snapshot();
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  worker_ = std::thread([this, &feed, page, path, titles = std::move(titles), rows = std::move(rows)] {
    exportList(path, titles, rows, page, feed);
    busy_ = false;
  });
}

}  // namespace tessary::app
