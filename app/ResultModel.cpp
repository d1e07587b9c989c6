#include "app/ResultModel.h"

#include <QMetaObject>
#include <QThread>

namespace tessary::app {
namespace {

constexpr char kSeparator = '\x1f';

}  // namespace

ResultModel::ResultModel(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    std::string_view text = field(index.row(), index.column());
    if (role == Qt::ToolTipRole && text.size() < 24) return {};
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return columns_[static_cast<std::size_t>(section)].title;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QString ResultModel::columnTitle(int column) const {
  return headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

std::string ResultModel::pack(const std::vector<std::string>& cells) {
  std::string row;
  std::size_t size = cells.size();
  for (const auto& c : cells) size += c.size();
  row.reserve(size);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) row.push_back(kSeparator);
    for (char ch : cells[i]) row.push_back(ch == kSeparator ? ' ' : ch);
  }
  return row;
}

std::string_view ResultModel::field(int row, int column) const {
  std::string_view all = rows_[static_cast<std::size_t>(row)];
  for (int c = 0; c < column; ++c) {
    std::size_t sep = all.find(kSeparator);
    if (sep == std::string_view::npos) return {};
    all.remove_prefix(sep + 1);
  }
  return all.substr(0, all.find(kSeparator));
}

void ResultModel::setPacked(int row, int column, std::string_view text) {
  std::vector<std::string> cells(columns_.size());
  for (int c = 0; c < columnCount(); ++c)
    cells[static_cast<std::size_t>(c)] = c == column ? std::string(text) : std::string(field(row, c));
  rows_[static_cast<std::size_t>(row)] = pack(cells);
}

int ResultModel::appendRow(const QStringList& cells) {
  std::vector<std::string> utf8(columns_.size());
  for (int c = 0; c < columnCount() && c < cells.size(); ++c)
    utf8[static_cast<std::size_t>(c)] = cells[c].toStdString();
  const int row = rowCount();
  beginInsertRows({}, row, row);
  rows_.push_back(pack(utf8));
  endInsertRows();
  return row;
}

void ResultModel::setCell(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  setPacked(row, column, text.toStdString());
  emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

std::vector<std::string> ResultModel::titles() const {
  std::vector<std::string> out;
  for (const auto& c : columns_) out.push_back(c.title.toStdString());
  return out;
}

std::vector<std::vector<std::string>> ResultModel::snapshot() {
  flushPosted();
  std::vector<std::vector<std::string>> out;
  out.reserve(rows_.size());
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    std::vector<std::string> row;
    row.reserve(columns_.size());
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) row.emplace_back(field(r, c));
    out.push_back(std::move(row));
  }
  return out;
}

QString ResultModel::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
  std::string_view text = field(row, column);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void ResultModel::clear() {
  {
    std::lock_guard lock(postedMutex_);
    postedRows_.clear();
    postedChanges_.clear();
    clearPosted_ = false;
  }
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  endResetModel();
}

void ResultModel::postRows(std::vector<std::vector<std::string>> rows) {
  if (rows.empty()) return;
  {
    std::lock_guard lock(postedMutex_);
    for (const auto& r : rows) postedRows_.push_back(pack(r));
  }
  scheduleFlush();
}

void ResultModel::postCell(int row, int column, std::string text) {
  {
    std::lock_guard lock(postedMutex_);
    postedChanges_.push_back({row, column, {std::move(text)}});
  }
  scheduleFlush();
}

void ResultModel::postRow(int row, std::vector<std::string> cells) {
  {
    std::lock_guard lock(postedMutex_);
    postedChanges_.push_back({row, -1, std::move(cells)});
  }
  scheduleFlush();
}

void ResultModel::postClear() {
  {
    std::lock_guard lock(postedMutex_);
    postedRows_.clear();
    postedChanges_.clear();
    clearPosted_ = true;
  }
  scheduleFlush();
}

void ResultModel::scheduleFlush() {
  // One queued call per burst: the flag stays set until the GUI thread takes the batch.
  if (flushScheduled_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this, [this] { flushPosted(); }, Qt::QueuedConnection);
}

void ResultModel::flushPosted() {
  std::vector<std::string> rows;
  std::vector<Change> changes;
  bool clearFirst = false;
  {
    std::lock_guard lock(postedMutex_);
    flushScheduled_ = false;
    rows.swap(postedRows_);
    changes.swap(postedChanges_);
    std::swap(clearFirst, clearPosted_);
  }
  if (clearFirst) {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    endResetModel();
  }
  if (!rows.empty()) {
    const int first = rowCount();
    const int last = first + static_cast<int>(rows.size()) - 1;
    beginInsertRows({}, first, last);
    if (rows_.capacity() < rows_.size() + rows.size())
      rows_.reserve(std::max(rows_.size() + rows.size(), rows_.size() * 3 / 2));
    for (auto& r : rows) rows_.push_back(std::move(r));
    endInsertRows();
    emit rowsArrived(first, last);
  }
  for (Change& change : changes) {
    if (change.row < 0 || change.row >= rowCount()) continue;
    if (change.column < 0) {
      change.cells.resize(columns_.size());
      rows_[static_cast<std::size_t>(change.row)] = pack(change.cells);
      emit dataChanged(index(change.row, 0), index(change.row, columnCount() - 1), {Qt::DisplayRole});
    } else if (change.column < columnCount()) {
      setPacked(change.row, change.column, change.cells.front());
      emit dataChanged(index(change.row, change.column), index(change.row, change.column), {Qt::DisplayRole});
    }
  }
}

}  // namespace tessary::app
