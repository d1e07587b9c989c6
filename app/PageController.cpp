#include "app/PageController.h"

#include "app/MainWindow.h"

namespace tessary::app {

PageController::PageController(MainWindow& window, int page) : window_(window), page_(page) {}

PageFeed& PageController::feed() const { return *window_.feed(page_); }

}  // namespace tessary::app
