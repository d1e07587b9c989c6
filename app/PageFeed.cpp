#include "app/PageFeed.h"

#include <QLineEdit>
#include <QMessageBox>

#include "app/ResultModel.h"

namespace tessary::app {

PageFeed::PageFeed(ResultModel* list, QLineEdit* statusBox, QWidget* window, QObject* parent)
    : QObject(parent), list_(list), statusBox_(statusBox), window_(window) {}

void PageFeed::addRows(std::vector<std::vector<std::string>> rows) { list_->postRows(std::move(rows)); }

void PageFeed::changeCell(int row, int column, std::string text) {
  list_->postCell(row, column, std::move(text));
}

void PageFeed::changeRow(int row, std::vector<std::string> cells) {
  list_->postRow(row, std::move(cells));
}

void PageFeed::status(std::string text) {
  QMetaObject::invokeMethod(
      this,
      [this, text = QString::fromStdString(text)] {
        // Rows posted before the status line show before it changes.
        list_->flushPosted();
        if (statusBox_) statusBox_->setText(text);
      },
      Qt::QueuedConnection);
}

void PageFeed::notice(std::string text) {
  QMetaObject::invokeMethod(
      this,
      [this, text = QString::fromStdString(text)] {
        list_->flushPosted();
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), text,
                                    QMessageBox::Ok, window_);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("提示"));
        box->open();
      },
      Qt::QueuedConnection);
}

}  // namespace tessary::app
