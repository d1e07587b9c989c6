#pragma once
// Small helpers shared by the GUI tests: controls by name, waiting on the event loop,
// page controllers that only record what reached them.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/PageController.h"

namespace tessary::app::testing {

template <typename T = QWidget>
T* control(QObject* root, const char* name) {
  T* found = root->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Records "page:handler" for every handler a binding reaches.
class RecordingPage : public PageController {
 public:
  RecordingPage(MainWindow& window, int page, std::vector<std::string>& log)
      : PageController(window, page), log_(log) {}
  bool running() const override { return busy; }
  void start() override { note("start"); }
  void stop() override { note("stop"); }
  void clear() override { note("clear"); }
  void importCoordinates() override { note("import"); }
  void exportList() override { note("export"); }
  void mapSourceChosen() override { note("source"); }

  bool busy = false;

 private:
  void note(const char* what) { log_.push_back(std::to_string(pageIndex()) + ":" + what); }
  std::vector<std::string>& log_;
};

// A window whose keys.ini lives in a scratch folder and that places no shortcut.
inline MainWindow::Options quietOptions(const QTemporaryDir& dir) {
  MainWindow::Options options;
  options.keysPath = dir.filePath(QStringLiteral("keys.ini")).toStdString();
  options.placeShortcut = false;
  options.fetchNotice = false;
  return options;
}

// Top-level windows other than `except` that are shown.
inline QList<QWidget*> otherShownWindows(QWidget* except) {
  QList<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != except && w->isVisible()) shown << w;
  return shown;
}

inline void closeOtherWindows(QWidget* except) {
  for (QWidget* w : otherShownWindows(except)) w->close();
  QApplication::processEvents();
}

}  // namespace tessary::app::testing
