// Result list under load: rows from a worker thread in batches of 100, as a fast
// collection run delivers them.
//   1. 100,000 rows: GUI-thread CPU time spent taking them in (goal: under 1 s) and the
//      longest the event loop stood still meanwhile (goal: under 100 ms).
//   2. 1,000,000 rows held: growth of the process's resident memory (goal: under 400 MB).
// Usage: gui_list_bench   (runs offscreen unless QT_QPA_PLATFORM says otherwise)

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "app/MainWindow.h"
#include "app/ResultModel.h"
#include "app/Startup.h"

namespace {

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

std::vector<std::string> place(int n) {
  return {std::to_string(n),
          "老王火锅店(人民路" + std::to_string(n % 997) + "号店)",
          "116.397128,39.916527",
          "北京市东城区人民路" + std::to_string(n % 1000) + "号附近",
          "东城区",
          "美食行业"};
}

struct Run {
  double guiCpu = 0;
  double wall = 0;
  long maxStallMs = 0;
};

// A worker posts `rows` rows in batches of 100 while the GUI thread runs its event loop.
Run feed(tessary::app::ResultModel& model, int rows, bool paced) {
  Run run;
  QElapsedTimer sinceTick;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout,
                   [&] { run.maxStallMs = std::max<long>(run.maxStallMs, sinceTick.restart()); });
  const int target = model.rowCount() + rows;
  std::atomic<bool> done{false};
  const double cpu0 = threadCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  sinceTick.start();
  beat.start(5);
  std::thread worker([&] {
    for (int sent = 0; sent < rows; sent += 100) {
      std::vector<std::vector<std::string>> batch;
      batch.reserve(100);
      for (int i = 0; i < 100; ++i) batch.push_back(place(sent + i));
      model.postRows(std::move(batch));
      if (paced && sent % 10000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    done = true;
  });
  while (!done || model.rowCount() < target) QApplication::processEvents(QEventLoop::AllEvents, 5);
  // Let the view paint what arrived last.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 50) QApplication::processEvents(QEventLoop::AllEvents, 5);
  beat.stop();
  worker.join();
  run.guiCpu = threadCpuSeconds() - cpu0;
  run.wall = wall.elapsed() / 1000.0;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessary::app::initResources();
  tessary::app::installFonts(app);
  tessary::app::applySkin(app);

  QTemporaryDir scratch;
  tessary::app::MainWindow::Options options;
  options.keysPath = scratch.filePath("keys.ini").toStdString();
  options.placeShortcut = false;
  options.fetchNotice = false;
  tessary::app::MainWindow window(options);
  window.show();
  QApplication::processEvents();
  tessary::app::ResultModel& model = *window.list(tessary::app::MainWindow::CollectPlaces);

  Run small = feed(model, 100'000, false);
  std::printf(
      "100,000 rows in batches of 100: GUI-thread CPU %.3f s (goal < 1 s), wall %.3f s, "
      "longest event-loop stall %ld ms (goal < 100 ms)\n",
      small.guiCpu, small.wall, small.maxStallMs);

  model.clear();
  QApplication::processEvents();
  const long before = residentKb();
  Run big = feed(model, 1'000'000, true);
  const long after = residentKb();
  std::printf(
      "1,000,000 rows held: resident memory grew %.1f MB (goal < 400 MB); GUI-thread CPU %.3f s, "
      "wall %.3f s, longest stall %ld ms\n",
      (after - before) / 1024.0, big.guiCpu, big.wall, big.maxStallMs);
  return 0;
}
