// Result lists: rows from worker threads arrive whole, in order, and a clear wins over
// rows still on their way.

#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>

#include <thread>

#include "app/PageFeed.h"
#include "app/ResultModel.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

std::vector<ResultModel::Column> fourColumns() {
  return {{"编号", 50}, {"待转换坐标", 200}, {"转换后坐标", 200}, {"状态", 200}};
}

TEST(ResultModel, RowsPostedFromSeveralThreadsAllArriveInTheirThreadsOrder) {
  ResultModel model(fourColumns());
  constexpr int kThreads = 4, kBatches = 50, kRows = 20;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([&model, t] {
      for (int b = 0; b < kBatches; ++b) {
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < kRows; ++r)
          rows.push_back({std::to_string(t), std::to_string(b * kRows + r), "转换后", "等待转换"});
        model.postRows(std::move(rows));
      }
    });
  for (auto& w : workers) w.join();
  ASSERT_TRUE(waitUntil([&] { return model.rowCount() == kThreads * kBatches * kRows; }));
  std::vector<int> next(kThreads, 0);
  for (int row = 0; row < model.rowCount(); ++row) {
    int t = model.cell(row, 0).toInt();
    EXPECT_EQ(model.cell(row, 1).toInt(), next[static_cast<std::size_t>(t)]++);
    EXPECT_EQ(model.cell(row, 3), QStringLiteral("等待转换"));
  }
}

TEST(ResultModel, CellAndRowChangesApplyAfterTheRowsTheyFollow) {
  ResultModel model(fourColumns());
  model.postRows({{"1", "39.9,116.3", "", "等待转换"}, {"2", "31.2,121.4", "", "等待转换"}});
  model.postCell(1, 2, "31.201,121.402");
  model.postCell(1, 3, "转换成功");
  model.postRow(0, {"1", "39.9,116.3", "", "坐标错误", "an extra cell is dropped"});
  model.postCell(7, 3, "no such row");
  model.postCell(0, 9, "no such column");
  model.flushPosted();
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.cell(1, 2), QStringLiteral("31.201,121.402"));
  EXPECT_EQ(model.cell(1, 3), QStringLiteral("转换成功"));
  EXPECT_EQ(model.cell(0, 3), QStringLiteral("坐标错误"));
  EXPECT_EQ(model.cell(0, 1), QStringLiteral("39.9,116.3"));

  // Text is kept as given, even the character the rows are packed with.
  model.setCell(0, 2,
                QStringLiteral("a\x1f"
                               "b"));
  EXPECT_EQ(model.cell(0, 2), QStringLiteral("a b"));
  EXPECT_EQ(model.cell(0, 3), QStringLiteral("坐标错误"));
}

TEST(ResultModel, ClearDropsRowsStillOnTheirWay) {
  ResultModel model(fourColumns());
  model.appendRow({"1", "a"});
  model.postRows({{"2", "b"}});
  model.clear();
  QApplication::processEvents();
  model.flushPosted();
  EXPECT_EQ(model.rowCount(), 0);

  // A run that starts over: what came before the clear goes, what follows it stays.
  model.appendRow({"1", "old"});
  model.postRows({{"2", "old"}});
  model.postClear();
  model.postRows({{"1", "new"}});
  model.postCell(0, 3, "等待转换");
  model.flushPosted();
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.cell(0, 1), QStringLiteral("new"));
  EXPECT_EQ(model.cell(0, 3), QStringLiteral("等待转换"));
  EXPECT_EQ(model.columnCount(), 4);
  EXPECT_EQ(model.columnTitle(3), QStringLiteral("状态"));
}

TEST(PageFeed, ARunsReportsReachTheListAndTheBoxesInOrder) {
  QTemporaryDir dir;
  MainWindow w(quietOptions(dir));
  w.show();
  PageFeed* feed = w.feed(MainWindow::TencentConvert);
  w.list(MainWindow::TencentConvert)->appendRow({"1", "from an earlier run"});
  QSignalSpy ended(feed, &PageFeed::runFinished);
  std::thread job([feed] {
    RunListener& listener = *feed;
    listener.rowsCleared();
    listener.statusText("-----正在转换中-----");
    listener.rowsAdded(0, {{"1", "39.9,116.3", "", "等待转换"}, {"2", "31.2,121.4", "", "等待转换"}});
    listener.rowChanged(0, {"1", "39.9,116.3", "39.901,116.302", "转换成功"});
    listener.statusText("-----转换完成！-----");
    listener.finished(false);
  });
  job.join();
  auto* status = control<QLineEdit>(&w, "编辑框_状态_腾讯坐标转换");
  ASSERT_TRUE(waitUntil([&] { return ended.count() == 1; }));
  EXPECT_EQ(status->text(), QStringLiteral("-----转换完成！-----"));
  EXPECT_FALSE(ended.front().front().toBool());
  ASSERT_EQ(w.list(MainWindow::TencentConvert)->rowCount(), 2);
  EXPECT_EQ(w.list(MainWindow::TencentConvert)->cell(0, 3), QStringLiteral("转换成功"));

  // The collection page also shows where the run is and how many places it has.
  PageFeed* collect = w.feed(MainWindow::CollectPlaces);
  std::thread run([collect] {
    collect->progress("上海", "火锅店", 3);
    collect->collectedCount(42);
  });
  run.join();
  auto* count = control<QLineEdit>(&w, "编辑框_成功采集");
  ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("42"); }));
  EXPECT_EQ(control<QLineEdit>(&w, "编辑框_当前城市")->text(), QStringLiteral("上海"));
  EXPECT_EQ(control<QLineEdit>(&w, "编辑框_当前关键词")->text(), QStringLiteral("火锅店"));
  EXPECT_EQ(control<QLineEdit>(&w, "编辑框_页码")->text(), QStringLiteral("3"));
  // The list follows the newest row.
  ResultModel* list = w.list(MainWindow::TencentConvert);
  std::vector<std::vector<std::string>> many(500, {"n", "c", "", "等待转换"});
  feed->addRows(many);
  ASSERT_TRUE(waitUntil([&] { return list->rowCount() == 502; }));
  QApplication::processEvents();
  QTableView* view = w.listView(MainWindow::TencentConvert);
  EXPECT_EQ(view->rowAt(view->viewport()->height() - 2), 501);

  feed->notice("请先输入要转换的坐标");  // from the GUI thread too
  ASSERT_TRUE(waitUntil([&] { return !otherShownWindows(&w).isEmpty(); }));
  QWidget* box = otherShownWindows(&w).front();
  EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
  box->close();
}

}  // namespace
}  // namespace tessary::app::testing
