#include "app/PageFeed.h"

#include <QLineEdit>
#include <QMessageBox>

#include "app/ResultModel.h"

namespace tessary::app {

PageFeed::PageFeed(ResultModel* list, QLineEdit* statusBox, QWidget* window, QObject* parent)
    : QObject(parent), list_(list), statusBox_(statusBox), window_(window) {}

void PageFeed::setProgressBoxes(QLineEdit* city, QLineEdit* keyword, QLineEdit* page, QLineEdit* count) {
  cityBox_ = city;
  keywordBox_ = keyword;
  pageBox_ = page;
  countBox_ = count;
}

void PageFeed::rowsCleared() {
  list_->postClear();
}

void PageFeed::rowsAdded(std::size_t, const std::vector<Row>& rows) {
  list_->postRows(rows);
}

void PageFeed::rowChanged(std::size_t index, const Row& row) {
  list_->postRow(static_cast<int>(index), row);
}

void PageFeed::addRows(std::vector<Row> rows) {
  list_->postRows(std::move(rows));
}

void PageFeed::changeCell(int row, int column, std::string text) {
  list_->postCell(row, column, std::move(text));
}

void PageFeed::setText(QPointer<QLineEdit> box, const std::string& text) {
  QMetaObject::invokeMethod(
      this,
      [this, box, text = QString::fromStdString(text)] {
        // Rows posted before a text change show before it.
        list_->flushPosted();
        if (box) box->setText(text);
      },
      Qt::QueuedConnection);
}

void PageFeed::statusText(const std::string& text) {
  setText(statusBox_, text);
}

void PageFeed::progress(const std::string& city, const std::string& keyword, int page) {
  setText(cityBox_, city);
  setText(keywordBox_, keyword);
  setText(pageBox_, std::to_string(page));
}

void PageFeed::collectedCount(std::size_t count) {
  setText(countBox_, std::to_string(count));
}

void PageFeed::notice(const std::string& text) {
  QMetaObject::invokeMethod(
      this,
      [this, text = QString::fromStdString(text)] {
        list_->flushPosted();
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), text, QMessageBox::Ok, window_);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
      },
      Qt::QueuedConnection);
}

void PageFeed::finished(bool stopped) {
  QMetaObject::invokeMethod(
      this,
      [this, stopped] {
        list_->flushPosted();
        emit runFinished(stopped);
      },
      Qt::QueuedConnection);
}

}  // namespace tessary::app
