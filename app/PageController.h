#pragma once
// The handlers of one page's buttons. MainWindow binds every start, stop, clear, import
// and export button to the page's controller; each page's driving code lives in its own
// class under pages/ and overrides what it handles. A controller reaches its controls
// through window().ui() and reports job progress through its PageFeed.

#include <QObject>
#include <QString>

#include <string>

class QPlainTextEdit;

namespace tessary::app {

// An input box's whole text, one item a line, lines separated by "\r\n".
std::string inputBoxText(const QPlainTextEdit* box);

class MainWindow;
class PageFeed;

class PageController : public QObject {
  Q_OBJECT

 public:
  PageController(MainWindow& window, int page);

  MainWindow& window() const { return window_; }
  int pageIndex() const { return page_; }
  PageFeed& feed() const;

  // True while a job of this page runs; the window then asks before it closes.
  virtual bool running() const { return false; }

 public slots:
  virtual void start() {}
  virtual void stop() {}
  virtual void clear() {}
  virtual void importCoordinates() {}
  virtual void exportList() {}
  // The collection page's map source was clicked (Amap, Baidu or Tencent).
  virtual void mapSourceChosen() {}

 private:
  MainWindow& window_;
  int page_;
};

}  // namespace tessary::app
