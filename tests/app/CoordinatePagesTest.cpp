// The three coordinate pages in the window (百度坐标转换, 腾讯坐标转换, 坐标地址解析) against the
// simulator: input checks, source buttons, full runs, stop, clear, import and export, and the
// same rows as the command line.

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/PageFeed.h"
#include "app/ResultModel.h"
#include "app/pages/CoordinatePage.h"
#include "app/pages/PageFiles.h"
#include "coords/CoordinateJob.h"
#include "coords/SimControl.h"
#include "io/WorkbookExport.h"
#include "io/WorkbookReader.h"
#include "net/TextServices.h"
#include "support/SimulatorTest.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

using tessary::testing::configureKey;
using tessary::testing::freshKey;
using tessary::testing::requestLog;

// One coordinate page: its controls and texts.
struct PageCase {
  int page;
  CoordinatePage kind;
  const char* input;
  const char* start;
  const char* stop;
  const char* clear;
  const char* exportButton;
  const char* importButton;
  const char* status;
  const char* keyBox;
  const char* sourcePiece;  // query piece naming the source code, "" when the page has none
  const char* completedNotice;
};

const PageCase kPages[] = {
    {MainWindow::TencentConvert, CoordinatePage::TencentConversion, "编辑框_腾讯待转换坐标", "按钮_开始转换_腾讯地图",
     "按钮_停止转换_腾讯地图", "按钮_清空_腾讯地图", "按钮_导出Excel1", "按钮_导入坐标_腾讯地图",
     "编辑框_状态_腾讯坐标转换", "编辑框_腾讯密钥", "&type=", "转换完成！"},
    {MainWindow::BaiduConvert, CoordinatePage::BaiduConversion, "编辑框_百度待转换坐标", "按钮_开始转换_百度坐标",
     "按钮_停止转换_百度坐标", "按钮_清空_腾讯地图2", "按钮_导出Excel3", "按钮_导入坐标_腾讯地图2",
     "编辑框_状态_百度坐标转换", "编辑框_百度密钥", "&from=", "转换完成！"},
    {MainWindow::ResolveAddresses, CoordinatePage::ReverseGeocoding, "编辑框_待解析坐标", "按钮_开始解析地址",
     "按钮_停止解析地址", "按钮_清空_腾讯地图1", "按钮_导出Excel2", "按钮_导入坐标_腾讯地图1", "编辑框_状态_坐标解析",
     "编辑框_腾讯密钥", "", "解析完成"},
};

class CoordinatePagesTest : public tessary::testing::CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ASSERT_TRUE(scratch.isValid());
    window = std::make_unique<MainWindow>(quietOptions(scratch));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    setFileChooser({});
    takeNotices();
    window.reset();
    QApplication::processEvents();
    CommandTest::TearDown();
  }

  template <typename T = QWidget>
  T* named(const char* name) {
    return control<T>(window.get(), name);
  }
  void click(const char* name) { named<QPushButton>(name)->click(); }
  void type(const char* name, const QString& text) { named<QPlainTextEdit>(name)->setPlainText(text); }
  void setKey(const PageCase& p, const std::string& key) {
    named<QLineEdit>(p.keyBox)->setText(QString::fromStdString(key));
  }
  QString status(const PageCase& p) { return named<QLineEdit>(p.status)->text(); }
  ResultModel& list(const PageCase& p) { return *window->list(p.page); }
  auto& controller(const PageCase& p) { return *static_cast<CoordinatePageController*>(window->page(p.page)); }

  std::vector<Row> shownRows(const PageCase& p) {
    ResultModel& model = list(p);
    std::vector<Row> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
      Row row;
      for (int c = 0; c < model.columnCount(); ++c) row.push_back(model.cell(r, c).toStdString());
      rows.push_back(row);
    }
    return rows;
  }

  // Texts of the "提示" boxes open on the window, which are then closed.
  std::vector<std::string> takeNotices() {
    QApplication::processEvents();
    std::vector<std::string> texts;
    if (!window) return texts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
      if (!box->isVisible()) continue;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
      texts.push_back(box->text().toStdString());
      box->close();
    }
    QApplication::processEvents();
    return texts;
  }
  // Waits for the first notice and returns every notice then open.
  std::vector<std::string> awaitNotices(int ms = 10000) {
    waitUntil(
        [this] {
          for (QMessageBox* box : window->findChildren<QMessageBox*>())
            if (box->isVisible()) return true;
          return false;
        },
        ms);
    return takeNotices();
  }

  // Starts the page and waits for its completion notice.
  void runToEnd(const PageCase& p) {
    click(p.start);
    EXPECT_EQ(awaitNotices(), std::vector<std::string>{p.completedNotice});
    EXPECT_TRUE(waitUntil([&] { return !controller(p).running(); }));
  }

  std::string writeFile(const std::string& name, const std::string& bytes) {
    write(name, bytes);
    return file(name);
  }

  QTemporaryDir scratch;
  std::unique_ptr<MainWindow> window;
};

TEST_F(CoordinatePagesTest, MissingCoordinatesOrKeyShowTheirMessageAndAddNoRow) {
  const char* tencent = "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！";
  const char* baidu = "请确保已正确输入坐标与百度密钥，若无密钥可点申请密钥！";
  struct Case {
    const PageCase& page;
    const char* input;
    const char* key;
    const char* message;
  } cases[] = {
      {kPages[0], "", "k", tencent},
      {kPages[0], " \r\n\t\r\n", "k", tencent},
      {kPages[0], "39.9,116.4", "", tencent},
      {kPages[1], "", "k", baidu},
      {kPages[1], "116.4,39.9", "  ", baidu},
      {kPages[2], "", "k", "请先输入要解析的坐标"},
      // The address page's own message names only the coordinates; the key is still needed.
      {kPages[2], "39.9,116.4", "", tencent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.page.start) + " input \"" + c.input + "\" key \"" + c.key + "\"");
    type(c.page.input, QString::fromUtf8(c.input));
    setKey(c.page, c.key);
    click(c.page.start);
    EXPECT_EQ(awaitNotices(2000), std::vector<std::string>{c.message});
    EXPECT_EQ(list(c.page).rowCount(), 0);
    EXPECT_EQ(status(c.page), QStringLiteral("0"));
    EXPECT_FALSE(controller(c.page).running());
  }
}

TEST_F(CoordinatePagesTest, EachSourceButtonSendsItsCode) {
  for (const auto& p : kPages) {
    for (const SourceChoice& choice : sourceChoices(p.kind)) {
      SCOPED_TRACE(choice.control);
      std::string key = freshKey();
      setKey(p, key);
      type(p.input, QStringLiteral("39.9,116.4"));
      named<QRadioButton>(choice.control)->click();
      runToEnd(p);
      auto log = requestLog(*sim_, key);
      ASSERT_EQ(log.size(), 1u);
      EXPECT_NE(log[0].find(p.sourcePiece + std::to_string(choice.code) + "&"), std::string::npos) << log[0];
    }
  }
}

TEST_F(CoordinatePagesTest, FullRunFillsTheListAndReportsCompletion) {
  struct Case {
    const PageCase& page;
    const char* input;
    Row firstRow;
    const char* secondSource;
    const char* completed;
  } cases[] = {
      // Tencent type 5 gives the point back unchanged, latitude first as it came in.
      {kPages[0],
       "39.9,116.4\r\n\r\n 40.1,116.5 \r\nnot,a point\r\n",
       {"1", "39.9,116.4", "39.900000,116.400000", "query ok"},
       "40.1,116.5",
       "-----转换完成！-----"},
      // Baidu from 3: x = lng + 0.0095, y = lat + 0.009; longitude stays first.
      {kPages[1],
       "116.4,39.9\r\n\r\n 116.5,40.1 \r\nnot,a point\r\n",
       {"1", "116.4,39.9", "116.409500000,39.909000000", "完成"},
       "116.5,40.1",
       "-----转换完成！-----"},
      {kPages[2],
       "39.9,116.4\r\n\r\n 40.1,116.5 \r\nnot,a point\r\n",
       {"1", "39.9,116.4", "模拟市坐标路39.9000,116.4000号", "query ok"},
       "40.1,116.5",
       "-----解析完成！-----"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page.start);
    setKey(c.page, freshKey());
    type(c.page.input, QString::fromUtf8(c.input));
    runToEnd(c.page);
    std::vector<Row> rows = shownRows(c.page);
    ASSERT_EQ(rows.size(), 3u) << "blank line dropped";
    EXPECT_EQ(rows[0], c.firstRow);
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][1], c.secondSource) << "blanks around a line trimmed";
    EXPECT_FALSE(rows[1][2].empty());
    EXPECT_EQ(rows[2], (Row{"3", "not,a point", "", kMalformedLineState}));
    EXPECT_EQ(rows, controller(c.page).run().rows()) << "the list shows what the run holds";
    EXPECT_EQ(status(c.page), QString::fromUtf8(c.completed));

    // A second run replaces the list and numbers from 1 again.
    type(c.page.input, QString::fromUtf8(c.input).section(QStringLiteral("\r\n"), 0, 0));
    runToEnd(c.page);
    rows = shownRows(c.page);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], c.firstRow);
  }
}

TEST_F(CoordinatePagesTest, StopDuringATransferShowsTheStoppedTextWithinASecond) {
  const char* stopped[] = {"-----已停止转换-----", "-----已停止转换-----", "-----解析已停止-----"};
  for (int i = 0; i < 3; ++i) {
    const PageCase& p = kPages[i];
    SCOPED_TRACE(p.stop);
    std::string key = freshKey();
    configureKey(*sim_, key, "fault=slow&slowMs=20000");
    setKey(p, key);
    type(p.input, QStringLiteral("39.9,116.4\n40.1,116.5"));
    click(p.start);
    ASSERT_TRUE(waitUntil([&] { return requestLog(*sim_, key).size() == 1; })) << "a request is under way";
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    click(p.stop);
    ASSERT_TRUE(waitUntil([&] { return status(p) == QString::fromUtf8(stopped[i]); }, 3000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(waitUntil([&] { return !controller(p).running(); }, 1000));
    QTest::qWait(100);
    EXPECT_TRUE(takeNotices().empty()) << "a stopped run gives no completion notice";
    EXPECT_EQ(list(p).rowCount(), 2) << "the rows stay";
    EXPECT_EQ(list(p).cell(1, 3), QString::fromUtf8(pageTexts(p.kind).waiting));
  }
}

TEST_F(CoordinatePagesTest, ClearEmptiesTheListAndStopsARunFirst) {
  for (const auto& p : kPages) {
    SCOPED_TRACE(p.clear);
    // Idle, after a run.
    setKey(p, freshKey());
    type(p.input, QStringLiteral("39.9,116.4\n40.1,116.5"));
    runToEnd(p);
    ASSERT_EQ(list(p).rowCount(), 2);
    click(p.clear);
    QApplication::processEvents();
    EXPECT_EQ(list(p).rowCount(), 0);
    EXPECT_EQ(named<QPlainTextEdit>(p.input)->toPlainText(), QStringLiteral("39.9,116.4\n40.1,116.5"))
        << "the input box stays";

    // During a run: the run ends and nothing it still had in hand comes back.
    std::string key = freshKey();
    configureKey(*sim_, key, "fault=slow&slowMs=20000");
    setKey(p, key);
    click(p.start);
    ASSERT_TRUE(waitUntil([&] { return list(p).rowCount() == 2; }));
    QElapsedTimer clock;
    clock.start();
    click(p.clear);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_FALSE(controller(p).running());
    QTest::qWait(300);
    EXPECT_EQ(list(p).rowCount(), 0);
    EXPECT_TRUE(takeNotices().empty());
  }
}

TEST_F(CoordinatePagesTest, ImportReplacesTheBoxAndAnUnreadableFileLeavesIt) {
  // GBK bytes: "39.9,116.4\r\n北京\r\n".
  const std::string gbk = "39.9,116.4\r\n\xB1\xB1\xBE\xA9\r\n";
  const std::string good = writeFile("list.txt", gbk);
  const std::string missing = file("missing.txt");
  std::string answer;
  setFileChooser([&](FileQuestion q) {
    EXPECT_EQ(q, FileQuestion::ImportCoordinates);
    return answer;
  });
  for (const auto& p : kPages) {
    SCOPED_TRACE(p.importButton);
    for (const auto& other : kPages) type(other.input, QStringLiteral("typed"));

    answer = "";  // cancelled
    click(p.importButton);
    QTest::qWait(50);
    EXPECT_EQ(named<QPlainTextEdit>(p.input)->toPlainText(), QStringLiteral("typed"));
    EXPECT_TRUE(takeNotices().empty());

    answer = good;
    click(p.importButton);
    ASSERT_TRUE(waitUntil([&] { return named<QPlainTextEdit>(p.input)->toPlainText() != QStringLiteral("typed"); }));
    EXPECT_EQ(named<QPlainTextEdit>(p.input)->toPlainText(), QStringLiteral("39.9,116.4\n北京\n"));
    EXPECT_EQ(inputBoxText(named<QPlainTextEdit>(p.input)), "39.9,116.4\r\n北京\r\n");
    for (const auto& other : kPages)
      if (&other != &p) {
        EXPECT_EQ(named<QPlainTextEdit>(other.input)->toPlainText(), QStringLiteral("typed")) << "only its own box";
      }

    // A second import leaves only the second file's text.
    answer = writeFile("second.txt", "1,2\r\n");
    click(p.importButton);
    ASSERT_TRUE(waitUntil([&] { return named<QPlainTextEdit>(p.input)->toPlainText() == QStringLiteral("1,2\n"); }));

    type(p.input, QStringLiteral("typed"));
    for (const std::string& bad : {missing, dir_.string()}) {
      answer = bad;
      click(p.importButton);
      std::vector<std::string> notices = awaitNotices(3000);
      ASSERT_EQ(notices.size(), 1u) << bad;
      EXPECT_NE(notices[0].find(bad), std::string::npos) << notices[0];
      EXPECT_EQ(named<QPlainTextEdit>(p.input)->toPlainText(), QStringLiteral("typed"));
    }
  }
}

TEST_F(CoordinatePagesTest, FiftyMegabyteImportKeepsTheWindowAnswering) {
  std::string line = "39.912345678,116.412345678\r\n";  // 28 bytes
  std::string bytes;
  bytes.reserve(50u << 20);
  while (bytes.size() + line.size() <= (50u << 20)) bytes += line;
  const std::string path = writeFile("big.txt", bytes);
  const PageCase& p = kPages[0];
  setFileChooser([&](FileQuestion) { return path; });

  // The longest time the event loop went without running a 10 ms timer.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longest = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longest = std::max(longest, clock.elapsed() - last);
    last = clock.elapsed();
  });
  tick.start(10);
  click(p.importButton);
  ASSERT_TRUE(waitUntil([&] { return !named<QPlainTextEdit>(p.input)->toPlainText().isEmpty(); }, 60000));
  QTest::qWait(50);
  tick.stop();
  std::cout << "50 MB import: " << clock.elapsed() << " ms in all, longest stall " << longest << " ms\n";
  EXPECT_LT(longest, 2000);
  EXPECT_EQ(named<QPlainTextEdit>(p.input)->document()->blockCount(), static_cast<int>(bytes.size() / line.size()) + 1);
}

TEST_F(CoordinatePagesTest, ExportWritesTheListAsTextCells) {
  std::string answer;
  setFileChooser([&](FileQuestion q) {
    EXPECT_EQ(q, FileQuestion::ExportWorkbook);
    return answer;  // the page's dialog adds ".xls" itself
  });
  for (const auto& p : kPages) {
    SCOPED_TRACE(p.exportButton);
    const auto& columns = pageTexts(p.kind).columns;
    const Row titles(columns.begin(), columns.end());

    // Empty list: the title row only.
    answer = file(std::string("empty-") + std::to_string(p.page));
    click(p.exportButton);
    EXPECT_EQ(awaitNotices(), std::vector<std::string>{kExportedNotice});
    EXPECT_EQ(status(p), QString::fromUtf8(kExportedStatus));
    auto sheet = tessary::testing::readSheet(answer + ".xls");
    EXPECT_EQ(sheet.rows, std::vector<Row>{titles});

    // A run's rows, texts that look like numbers included.
    setKey(p, freshKey());
    type(p.input, QStringLiteral("39.900000001,116.4\n1,2\nbad"));
    runToEnd(p);
    answer = file(std::string("rows-") + std::to_string(p.page) + ".XLS");
    click(p.exportButton);
    EXPECT_EQ(awaitNotices(), std::vector<std::string>{kExportedNotice});
    sheet = tessary::testing::readSheet(answer);
    std::vector<Row> expected{titles};
    for (const auto& row : shownRows(p)) expected.push_back(row);
    EXPECT_EQ(sheet.rows, expected);
    EXPECT_EQ(sheet.rows[1][1], "39.900000001,116.4");
    EXPECT_TRUE(sheet.allText);
    EXPECT_TRUE(sheet.allTextFormat);
    EXPECT_EQ(list(p).rowCount(), 3) << "the list stays";

    // A folder that does not exist: the failure is named, nothing claims success.
    answer = file("no-such-folder/out");
    click(p.exportButton);
    std::vector<std::string> notices = awaitNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0], kExportedNotice);
    EXPECT_EQ(status(p), QString::fromUtf8(kExportFailedStatus));
    EXPECT_FALSE(std::filesystem::exists(answer + ".xls"));

    // Cancelled: nothing written, nothing said.
    answer = "";
    click(p.exportButton);
    QTest::qWait(100);
    EXPECT_TRUE(takeNotices().empty());
  }
}

TEST_F(CoordinatePagesTest, WindowAndCommandLineGiveTheSameRows) {
  const std::string input = "39.9,116.4\r\n\r\n 40.1,116.5 \r\nnot,a point\r\n95,116\r\n1,2&key=x\r\n";
  struct Case {
    const PageCase& page;
    const char* radio;  // nullptr: the page's only choice
    const char* args;
  } cases[] = {
      {kPages[0], "单选框_图吧坐标转腾讯坐标", "convert --to tencent --from mapbar"},
      {kPages[1], "单选框_原始坐标转百度坐标", "convert --to baidu --from gps"},
      {kPages[2], nullptr, "geocode"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    std::string key = freshKey();
    setKey(c.page, key + "-window");
    if (c.radio) named<QRadioButton>(c.radio)->click();
    type(c.page.input, QString::fromStdString(input));
    runToEnd(c.page);
    std::vector<Row> expected{Row(pageTexts(c.page.kind).columns.begin(), pageTexts(c.page.kind).columns.end())};
    for (const auto& row : shownRows(c.page)) expected.push_back(row);
    ASSERT_EQ(expected.size(), 6u);

    Outcome o = cli(std::string(c.args) + " --key " + key, input);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(tessary::testing::parseCsv(o.out), expected);
  }
}

}  // namespace
}  // namespace tessary::app::testing

namespace tessary::app::testing {
namespace {

TEST_F(CoordinatePagesTest, ClosingTheWindowDuringRunsEndsThemPromptly) {
  for (const auto& p : kPages) {
    std::string key = freshKey();
    configureKey(*sim_, key, "fault=slow&slowMs=20000");
    setKey(p, key);
    type(p.input, QStringLiteral("39.9,116.4\n40.1,116.5"));
    click(p.start);
    ASSERT_TRUE(waitUntil([&] { return requestLog(*sim_, key).size() == 1; }));
    EXPECT_TRUE(controller(p).running()) << "the close query asks while this runs";
  }
  QElapsedTimer clock;
  clock.start();
  window.reset();
  QApplication::processEvents();
  EXPECT_LT(clock.elapsed(), 2000);
}

}  // namespace
}  // namespace tessary::app::testing
