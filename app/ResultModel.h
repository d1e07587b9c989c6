#pragma once
// The rows of one result list. Rows are kept compactly (one UTF-8 string per row) so a
// list can hold a million places. Worker threads post rows and cell changes; they are
// applied on the GUI thread in batches, so a fast job never floods the event loop.

#include <QAbstractTableModel>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace tessary::app {

class ResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  struct Column {
    QString title;
    int width;
  };

  explicit ResultModel(std::vector<Column> columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const std::vector<Column>& columns() const { return columns_; }
  QString columnTitle(int column) const;

  // GUI thread only.
  int appendRow(const QStringList& cells);  // returns the new row's number
  void setCell(int row, int column, const QString& text);
  QString cell(int row, int column) const;
  void clear();  // also drops rows posted but not yet shown

  // Any thread. Applied in order on the GUI thread soon after; out-of-range changes are
  // ignored.
  void postRows(std::vector<std::vector<std::string>> rows);
  void postCell(int row, int column, std::string text);
  void postRow(int row, std::vector<std::string> cells);
  // Empties the list in order with the posts around it: rows posted after it stay.
  void postClear();

  // Applies everything posted so far (GUI thread); tests and the benchmark call it.
  void flushPosted();

  // The list as it shows now, posted rows included (GUI thread): what an export writes.
  std::vector<std::string> titles() const;
  std::vector<std::vector<std::string>> snapshot();

 signals:
  // Emitted after posted rows were added, so the view can follow the newest one.
  void rowsArrived(int first, int last);

 private:
  struct Change {
    int row;
    int column;  // -1: the whole row
    std::vector<std::string> cells;
  };

  static std::string pack(const std::vector<std::string>& cells);
  std::string_view field(int row, int column) const;
  void setPacked(int row, int column, std::string_view text);
  void scheduleFlush();

  std::vector<Column> columns_;
  std::vector<std::string> rows_;  // cells separated by '\x1f'

  std::mutex postedMutex_;
  std::vector<std::string> postedRows_;
  std::vector<Change> postedChanges_;
  bool clearPosted_ = false;
  std::atomic<bool> flushScheduled_{false};
};

}  // namespace tessary::app
