// The collection page in the window against the simulator: the checks before a run, a whole
// run per service with its progress boxes and completion texts, stop, clear, the Amap hint and
// the export of the list.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <set>

#include "app/PageFeed.h"
#include "app/Pickers.h"
#include "app/ResultModel.h"
#include "app/pages/CollectPage.h"
#include "app/pages/PageFiles.h"
#include "collect/CollectionJob.h"
#include "coords/Pacer.h"
#include "tests/app/AppTestSupport.h"
#include "tests/collect/PlaceSim.h"

namespace tessary::app::testing {
namespace {

using tessary::testing::configurePlaceKey;
using tessary::testing::configureTag;
using tessary::testing::freshWord;
using tessary::testing::MapSim;

constexpr const char* kKey = "collect-page-key";
const char* const kProgressBoxes[] = {"编辑框_成功采集", "编辑框_状态", "编辑框_当前城市", "编辑框_当前关键词",
                                      "编辑框_页码"};

std::string stemOf(const std::string& word) {
  return word.substr(0, word.find_first_of("#~"));
}

// Shown "提示" boxes, newest last.
QList<QMessageBox*> shownBoxes() {
  QList<QMessageBox*> boxes;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes << box;
  return boxes;
}

QMessageBox* boxSaying(const QString& text) {
  for (QMessageBox* box : shownBoxes())
    if (box->text() == text) return box;
  return nullptr;
}

class CollectPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = new MapSim();
    sim_->becomeServiceBase();
    Pacer::setAllPaced(false);
    RateLimitRetry::setWaitMs(100);
    configurePlaceKey(*sim_, kKey, "rate=0");
  }
  static void TearDownTestSuite() {
    Pacer::setAllPaced(true);
    RateLimitRetry::setWaitMs(1000);
    delete sim_;
    sim_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    window = std::make_unique<MainWindow>(quietOptions(dir));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    setFileChooser({});
    if (window) closeOtherWindows(window.get());
    window.reset();
  }

  MainWindow& w() { return *window; }
  CollectPage& page() { return *static_cast<CollectPage*>(w().page(MainWindow::CollectPlaces)); }
  ResultModel& list() { return *w().list(MainWindow::CollectPlaces); }
  QString box(const char* name) { return control<QLineEdit>(&w(), name)->text(); }
  void click(const char* name) { QTest::mouseClick(control(&w(), name), Qt::LeftButton); }

  void fill(MapSource source, const std::string& cities, const std::string& keywords, const std::string& key) {
    const char* radio = source == MapSource::Amap      ? "单选框_高德地图"
                        : source == MapSource::Tencent ? "单选框_腾讯地图"
                                                       : "单选框_百度地图";
    control<QRadioButton>(&w(), radio)->setChecked(true);
    control<QPlainTextEdit>(&w(), "编辑框_城市名")->setPlainText(QString::fromStdString(cities));
    control<QPlainTextEdit>(&w(), "编辑框_关键词")->setPlainText(QString::fromStdString(keywords));
    control<QLineEdit>(&w(), "编辑框_腾讯密钥")->setText(QString::fromStdString(key));
  }

  // Clicks 开始拾取 and waits for the run's end and its completion box.
  void runToEnd(int limitMs = 60000) {
    click("按钮_开始采集");
    ASSERT_TRUE(page().running());
    ASSERT_TRUE(waitUntil([&] { return !page().running() && boxSaying("采集完成！"); }, limitMs));
    list().flushPosted();
  }

  std::vector<std::vector<std::string>> rows() {
    list().flushPosted();
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < list().rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < list().columnCount(); ++c) row.push_back(list().cell(r, c).toStdString());
      out.push_back(row);
    }
    return out;
  }

  static std::string cityLines(MapSource source) {
    return source == MapSource::Amap ? "合肥|340100\n上海|310000" : "合肥\n上海";
  }

  static MapSim* sim_;
  QTemporaryDir dir;
  std::unique_ptr<MainWindow> window;
};

MapSim* CollectPageTest::sim_ = nullptr;

TEST_F(CollectPageTest, EmptyInputsShowTheServicesMessageAndChangeNothing) {
  EXPECT_TRUE(control<QRadioButton>(&w(), "单选框_百度地图")->isChecked());
  for (const char* name : kProgressBoxes) EXPECT_EQ(box(name), QStringLiteral("0")) << name;

  list().appendRow({"1", "已有的店", "1,2", "某路", "上海", "咖啡"});
  struct Case {
    MapSource source;
    const char* cities;
    const char* keywords;
    const char* key;
    const char* message;
  } cases[] = {
      {MapSource::Baidu, "上海", "", kKey, "请先输入城市名与关键词"},
      {MapSource::Baidu, " \n", "咖啡", "", "请先输入城市名与关键词"},
      {MapSource::Amap, "", "咖啡", kKey, "请先选择城市输入关键词"},
      {MapSource::Amap, "合肥|340100", "\n\n", "", "请先选择城市输入关键词"},
      {MapSource::Tencent, "上海", "咖啡", "", "请先输入城市名/关键词/密钥"},
      {MapSource::Tencent, "", "咖啡", kKey, "请先输入城市名/关键词/密钥"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    fill(c.source, c.cities, c.keywords, c.key);
    click("按钮_开始采集");
    QMessageBox* shown = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (shown = boxSaying(QString::fromUtf8(c.message))) != nullptr; }));
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("提示"));
    EXPECT_FALSE(page().running());
    shown->close();
    QApplication::processEvents();
    EXPECT_EQ(list().rowCount(), 1);
    for (const char* name : kProgressBoxes) EXPECT_EQ(box(name), QStringLiteral("0")) << name;
  }
}

// Two keywords that share their first places, over two cities, for every service: each place
// once, numbered in order, and both completion texts.
TEST_F(CollectPageTest, ARunFillsTheListAndTheProgressBoxesOncePerPlace) {
  for (MapSource source : {MapSource::Baidu, MapSource::Amap, MapSource::Tencent}) {
    SCOPED_TRACE(std::string(sourceName(source)));
    click("按钮_清空");
    const std::string wide = freshWord("咖啡", 30);
    const std::string narrow = stemOf(wide) + "~店#20";  // its 20 places are among wide's 30
    fill(source, cityLines(source), wide + "\n" + narrow, kKey);

    runToEnd();

    auto got = rows();
    ASSERT_EQ(got.size(), 60u) << "2 cities x 30 places, the overlap not added again";
    std::set<std::string> titles;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i][0], std::to_string(i + 1));
      EXPECT_NE(got[i][1].find(stemOf(wide)), std::string::npos) << got[i][1];
      EXPECT_NE(got[i][2].find(','), std::string::npos) << "coordinate " << got[i][2];
      titles.insert(got[i][1]);
    }
    EXPECT_EQ(titles.size(), got.size());
    EXPECT_NE(got.front()[1].find("合肥"), std::string::npos) << "cities in the order of their lines";
    EXPECT_NE(got.back()[1].find("上海"), std::string::npos);

    EXPECT_EQ(box("编辑框_成功采集"), QStringLiteral("60"));
    EXPECT_EQ(box("编辑框_状态"), QStringLiteral("----采集完成----"));
    EXPECT_EQ(box("编辑框_当前城市"), QStringLiteral("上海"));
    EXPECT_EQ(box("编辑框_当前关键词"), QString::fromStdString(narrow));
    EXPECT_GE(box("编辑框_页码").toInt(), 1);
    QMessageBox* done = boxSaying(QStringLiteral("采集完成！"));
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->windowTitle(), QStringLiteral("提示"));
    closeOtherWindows(&w());
  }
}

TEST_F(CollectPageTest, ANewRunKeepsTheListAndClearEmptiesOnlyTheList) {
  const std::string first = freshWord("书店", 12);
  fill(MapSource::Baidu, "合肥", first, "");
  runToEnd();
  closeOtherWindows(&w());
  ASSERT_EQ(list().rowCount(), 12);

  // A second run adds its places after the first run's and counts only its own.
  const std::string second = freshWord("花店", 5);
  fill(MapSource::Baidu, "合肥", first + "\n" + second, "");
  runToEnd();
  closeOtherWindows(&w());
  auto got = rows();
  ASSERT_EQ(got.size(), 17u);
  EXPECT_EQ(got[12][0], "13");
  EXPECT_NE(got[12][1].find(stemOf(second)), std::string::npos);
  EXPECT_EQ(box("编辑框_成功采集"), QStringLiteral("5"));

  QStringList before;
  for (const char* name : kProgressBoxes) before << box(name);
  click("按钮_清空");
  EXPECT_EQ(list().rowCount(), 0);
  QStringList after;
  for (const char* name : kProgressBoxes) after << box(name);
  EXPECT_EQ(after, before);
  EXPECT_EQ(control<QPlainTextEdit>(&w(), "编辑框_关键词")->toPlainText().toStdString(), first + "\n" + second);

  // After a clear the numbering starts again from 1.
  fill(MapSource::Baidu, "上海", second, "");
  runToEnd();
  got = rows();
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got.front()[0], "1");
}

// A stop, whether between pages or inside a transfer that would take seconds, ends the run
// within a second with the stopped text and without the completion box.
TEST_F(CollectPageTest, StopEndsTheRunWithinASecondWithoutCompletionTexts) {
  for (const char* fault : {"latency=150", "fault=slow&skip=1&slowMs=20000"}) {
    SCOPED_TRACE(fault);
    const std::string word = freshWord("超市", 400);
    configureTag(*sim_, word, fault);
    fill(MapSource::Baidu, "合肥\n上海", word, "");
    click("按钮_开始采集");
    ASSERT_TRUE(waitUntil([&] { return list().rowCount() >= 10; }, 10000));
    QTest::qWait(300);  // the slow fault: the second page is now in flight

    QElapsedTimer clock;
    clock.start();
    click("按钮_停止采集");
    ASSERT_TRUE(waitUntil([&] { return !page().running() && box("编辑框_状态") == "----采集已停止----"; }, 3000));
    EXPECT_LT(clock.elapsed(), 1000);

    const int kept = list().rowCount();
    QTest::qWait(400);
    EXPECT_EQ(list().rowCount(), kept) << "no rows after the stop";
    EXPECT_EQ(box("编辑框_状态"), QStringLiteral("----采集已停止----"));
    EXPECT_EQ(boxSaying(QStringLiteral("采集完成！")), nullptr);
    EXPECT_TRUE(shownBoxes().isEmpty());
    click("按钮_停止采集");  // nothing runs: nothing happens
    click("按钮_清空");
  }
}

TEST_F(CollectPageTest, ClearDuringARunStopsItAndTheListStaysEmpty) {
  const std::string word = freshWord("药店", 400);
  configureTag(*sim_, word, "latency=100");
  fill(MapSource::Amap, "合肥|340100", word, "");
  click("按钮_开始采集");
  ASSERT_TRUE(waitUntil([&] { return list().rowCount() >= 20; }, 10000));

  QElapsedTimer clock;
  clock.start();
  click("按钮_清空");
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_FALSE(page().running());
  EXPECT_EQ(list().rowCount(), 0);
  QTest::qWait(400);
  EXPECT_EQ(list().rowCount(), 0);
  EXPECT_EQ(box("编辑框_状态"), QStringLiteral("----采集已停止----"));
  EXPECT_EQ(boxSaying(QStringLiteral("采集完成！")), nullptr);
}

TEST_F(CollectPageTest, StartWhileRunningSaysSoAndLeavesTheRunAlone) {
  const std::string word = freshWord("酒店", 400);
  configureTag(*sim_, word, "latency=100");
  fill(MapSource::Baidu, "合肥", word, "");
  click("按钮_开始采集");
  ASSERT_TRUE(waitUntil([&] { return list().rowCount() >= 10; }, 10000));
  click("按钮_开始采集");
  ASSERT_TRUE(waitUntil([&] { return boxSaying(QString::fromUtf8(CollectPage::kAlreadyRunning)) != nullptr; }));
  EXPECT_TRUE(page().running());
  closeOtherWindows(&w());
  click("按钮_停止采集");
  EXPECT_TRUE(waitUntil([&] { return !page().running(); }, 2000));
}

// Clicking 高德地图 with city lines that lack the Amap code says why and opens the Amap city
// picker once the hint is read; coded lines or an empty box need no hint.
TEST_F(CollectPageTest, ChoosingAmapPointsToTheAmapCityPicker) {
  struct Case {
    const char* cities;
    bool hint;
  } cases[] = {{"上海\n合肥|340100", true}, {"北京", true}, {"合肥|340100\n上海|310000", false}, {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cities);
    control<QRadioButton>(&w(), "单选框_百度地图")->setChecked(true);
    control<QPlainTextEdit>(&w(), "编辑框_城市名")->setPlainText(QString::fromUtf8(c.cities));
    auto* amap = control<QRadioButton>(&w(), "单选框_高德地图");
    QTest::mouseClick(amap, Qt::LeftButton, {}, QPoint(6, amap->height() / 2));
    EXPECT_TRUE(amap->isChecked());
    QTest::qWait(100);
    QMessageBox* hint = boxSaying(QString::fromUtf8(CollectPage::kAmapCityHint));
    if (!c.hint) {
      EXPECT_EQ(hint, nullptr);
      EXPECT_TRUE(otherShownWindows(&w()).isEmpty());
      continue;
    }
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->windowTitle(), QStringLiteral("提示"));
    EXPECT_EQ(otherShownWindows(&w()).size(), 1) << "the picker waits for the hint";
    hint->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(waitUntil([&] {
      auto shown = otherShownWindows(&w());
      return shown.size() == 1 && shown.front()->objectName() == QStringLiteral("AmapCityPicker");
    }));
    closeOtherWindows(&w());
    EXPECT_EQ(control<QPlainTextEdit>(&w(), "编辑框_城市名")->toPlainText(), QString::fromUtf8(c.cities))
        << "the user's lines stay";
  }
}

TEST_F(CollectPageTest, ExportWritesTheListAndSaysSo) {
  const std::string word = freshWord("面包", 7);
  fill(MapSource::Tencent, "上海", word, kKey);
  runToEnd();
  closeOtherWindows(&w());
  auto shown = rows();
  ASSERT_EQ(shown.size(), 7u);

  const std::string chosen = dir.filePath(QStringLiteral("地点")).toStdString();
  int asked = 0;
  setFileChooser([&](FileQuestion q) {
    EXPECT_EQ(q, FileQuestion::ExportWorkbook);
    ++asked;
    return chosen;
  });
  click("按钮_导出Excel");
  ASSERT_EQ(asked, 1);
  ASSERT_TRUE(waitUntil([&] { return boxSaying(QStringLiteral("导出成功!")) != nullptr; }));
  EXPECT_EQ(boxSaying(QStringLiteral("导出成功!"))->windowTitle(), QStringLiteral("提示"));
  const QString path = QString::fromStdString(chosen + ".xls");
  ASSERT_TRUE(QFile::exists(path));

  // The cells in order, as the list shows them: the titles, then every row.
  QProcess unzip;
  unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QStringLiteral("xl/worksheets/sheet1.xml")});
  ASSERT_TRUE(unzip.waitForFinished(10000));
  const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
  QStringList written;
  QRegularExpression cellText(QStringLiteral("<t[^>]*>([^<]*)</t>"));
  for (auto it = cellText.globalMatch(sheet); it.hasNext();) written << it.next().captured(1);
  QStringList expected;
  for (const char* title : kPlaceColumns) expected << QString::fromUtf8(title);
  for (const auto& row : shown)
    for (const auto& cell : row) expected << QString::fromStdString(cell).toHtmlEscaped();
  EXPECT_EQ(written, expected);
  EXPECT_EQ(list().rowCount(), 7) << "the export leaves the list as it was";

  // A cancelled dialog writes nothing and says nothing.
  closeOtherWindows(&w());
  QFile::remove(path);
  setFileChooser([](FileQuestion) { return std::string(); });
  click("按钮_导出Excel");
  QTest::qWait(100);
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(shownBoxes().isEmpty());
}

}  // namespace
}  // namespace tessary::app::testing
