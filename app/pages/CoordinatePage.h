#pragma once
// What the three coordinate pages (百度坐标转换, 腾讯坐标转换, 坐标地址解析) share: a
// CoordinateRun fed by the page's input box, source buttons and key; stop, clear, import into
// the input box and export of the result list. The pages differ only in their controls.

#include <QPointer>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "app/PageController.h"
#include "app/pages/ListExport.h"
#include "coords/CoordinateRun.h"

class QPlainTextEdit;
class QTextDocument;
class QWidget;

namespace tessary::app {

class CoordinatePageController : public PageController {
  Q_OBJECT

 public:
  // inputBox and sourceGroup name the page's controls; sourceGroup holds its source radio
  // buttons (nullptr: the page has no choice).
  CoordinatePageController(MainWindow& window, int page, CoordinatePage kind, const char* inputBox,
                           const char* sourceGroup);
  ~CoordinatePageController() override;

  CoordinatePage kind() const { return kind_; }
  bool running() const override;
  // The page's run (rows and status as the engine holds them).
  const CoordinateRun& run() const { return *run_; }
  // True while an import or an export works off the GUI thread.
  bool busyWithFile() const { return importing_ || export_.busy(); }

 public slots:
  void start() override;
  void stop() override;
  void clear() override;
  void importCoordinates() override;
  void exportList() override;

 private:
  std::string key() const;
  int selectedSourceCode() const;
  void showNotice(const std::string& text);
  void importRead(std::unique_ptr<QTextDocument> document, const std::string& message);

  const CoordinatePage kind_;
  QPointer<QPlainTextEdit> inputBox_;
  QPointer<QWidget> sourceGroup_;
  std::unique_ptr<CoordinateRun> run_;
  std::thread importer_;
  std::atomic<bool> importing_{false};
  ListExport export_;
};

}  // namespace tessary::app
