#include "app/PageController.h"

#include <QPlainTextEdit>

#include "app/MainWindow.h"

namespace tessary::app {

PageController::PageController(MainWindow& window, int page) : window_(window), page_(page) {}

std::string inputBoxText(const QPlainTextEdit* box) {
  QString text = box->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text.toStdString();
}

PageFeed& PageController::feed() const {
  return *window_.feed(page_);
}

}  // namespace tessary::app
