#pragma once
// How a running job reaches its page: the listener a run reports through (rows added, a
// row changed, the status text, a "提示" notice, the end of the run, and on the collection
// page the progress and count boxes), callable from any thread. Everything lands on the GUI
// thread; rows in batches through the page's ResultModel. Hand a page's feed to its run as
// its listener: CoordinateRun(page, feed()) or a CollectionJob with feed().

#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

#include "collect/CollectionListener.h"

class QLineEdit;
class QWidget;

namespace tessary::app {

class ResultModel;

class PageFeed : public QObject, public CollectionListener {
  Q_OBJECT

 public:
  PageFeed(ResultModel* list, QLineEdit* statusBox, QWidget* window, QObject* parent = nullptr);

  // The collection page's progress boxes (当前城市, 当前关键词, 页码) and count box (成功采集).
  void setProgressBoxes(QLineEdit* city, QLineEdit* keyword, QLineEdit* page, QLineEdit* count);

  ResultModel* list() const { return list_; }

  // RunListener, any thread.
  void rowsCleared() override;
  void rowsAdded(std::size_t first, const std::vector<Row>& rows) override;
  void rowChanged(std::size_t index, const Row& row) override;
  void statusText(const std::string& text) override;
  void notice(const std::string& text) override;  // does not hold up the run
  void finished(bool stopped) override;
  // CollectionListener, any thread.
  void progress(const std::string& city, const std::string& keyword, int page) override;
  void collectedCount(std::size_t count) override;

  // Shorter forms for code that is no run.
  void addRows(std::vector<Row> rows);
  void changeCell(int row, int column, std::string text);
  void changeRow(int row, Row cells) { rowChanged(static_cast<std::size_t>(row), cells); }
  void status(const std::string& text) { statusText(text); }

 signals:
  // On the GUI thread, after everything the run reported before its end.
  void runFinished(bool stopped);

 private:
  void setText(QPointer<QLineEdit> box, const std::string& text);

  ResultModel* list_;
  QPointer<QLineEdit> statusBox_;
  QPointer<QWidget> window_;
  QPointer<QLineEdit> cityBox_, keywordBox_, pageBox_, countBox_;
};

}  // namespace tessary::app
