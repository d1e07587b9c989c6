#pragma once
// How a running job reaches its page: the four things a job reports (rows added, a row
// changed, the status text, a notice for the user), callable from any thread. Everything
// lands on the GUI thread; rows in batches through the page's ResultModel.

#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

class QLineEdit;
class QWidget;

namespace tessary::app {

class ResultModel;

class PageFeed : public QObject {
  Q_OBJECT

 public:
  PageFeed(ResultModel* list, QLineEdit* statusBox, QWidget* window, QObject* parent = nullptr);

  ResultModel* list() const { return list_; }

  // Any thread.
  void addRows(std::vector<std::vector<std::string>> rows);
  void changeCell(int row, int column, std::string text);
  void changeRow(int row, std::vector<std::string> cells);
  void status(std::string text);
  // A "提示" box over the window; it does not hold up the job.
  void notice(std::string text);

 private:
  ResultModel* list_;
  QPointer<QLineEdit> statusBox_;
  QPointer<QWidget> window_;
};

}  // namespace tessary::app
