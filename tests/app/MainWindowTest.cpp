// The main window: initial state, placement of the page controls, bindings, Esc, the close
// query, pages keeping their contents.

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/Links.h"
#include "app/Pickers.h"
#include "app/ResultModel.h"
#include "tests/app/AppTestSupport.h"

namespace tessary::app::testing {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    setBrowserOpener([this](const QUrl& url) {
      opened.push_back(url.toString().toStdString());
      return true;
    });
  }
  void TearDown() override {
    setBrowserOpener({});
    if (window) closeOtherWindows(window.get());
  }

  MainWindow& open(bool recording = true) {
    auto options = quietOptions(dir);
    if (recording)
      options.makePage = [this](int page, MainWindow& w) {
        auto p = std::make_unique<RecordingPage>(w, page, log);
        pages[page] = p.get();
        return p;
      };
    window = std::make_unique<MainWindow>(options);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
  }

  QTemporaryDir dir;
  std::vector<std::string> log;
  std::vector<std::string> opened;
  RecordingPage* pages[4] = {};
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, OpensInItsInitialState) {
  MainWindow& w = open(false);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Tessary【免费版】"));
  EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "the window cannot be resized";
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(control<QTabWidget>(&w, "高级选择夹1")->currentIndex(), 0);
  EXPECT_EQ(control<QTabWidget>(&w, "高级选择夹1")->tabPosition(), QTabWidget::West);

  for (const char* radio :
       {"单选框_百度地图", "单选框_谷歌坐标转百度坐标", "单选框_google高德坐标转腾讯坐标", "单选框_腾讯坐标地址解析"})
    EXPECT_TRUE(control<QRadioButton>(&w, radio)->isChecked()) << radio;
  for (const char* radio : {"单选框_高德地图", "单选框_腾讯地图", "单选框_原始坐标转百度坐标",
                            "单选框_搜狗经纬度转腾讯坐标", "单选框_GPS坐标转腾讯坐标"})
    EXPECT_FALSE(control<QRadioButton>(&w, radio)->isChecked()) << radio;

  for (const char* status : {"编辑框_成功采集", "编辑框_状态", "编辑框_当前城市", "编辑框_当前关键词", "编辑框_页码",
                             "编辑框_状态_百度坐标转换", "编辑框_状态_腾讯坐标转换", "编辑框_状态_坐标解析"}) {
    auto* box = control<QLineEdit>(&w, status);
    EXPECT_EQ(box->text(), QStringLiteral("0")) << status;
    EXPECT_TRUE(box->isReadOnly()) << status;
  }
  for (const char* input :
       {"编辑框_城市名", "编辑框_关键词", "编辑框_百度待转换坐标", "编辑框_腾讯待转换坐标", "编辑框_待解析坐标"})
    EXPECT_TRUE(control<QPlainTextEdit>(&w, input)->toPlainText().isEmpty()) << input;
  EXPECT_TRUE(control<QLineEdit>(&w, "编辑框_百度密钥")->text().isEmpty());
  EXPECT_TRUE(control<QLineEdit>(&w, "编辑框_腾讯密钥")->text().isEmpty());
  EXPECT_TRUE(control<QLabel>(&w, "透明标签_公告")->text().isEmpty());

  auto* timer = w.findChild<QTimer*>(QStringLiteral("时钟_公告"));
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  for (const char* hidden : {"通用对话框2", "Excel程序1", "Excel工作簿1"})
    EXPECT_NE(w.findChild<QObject*>(QString::fromUtf8(hidden)), nullptr) << hidden;
  for (const char* flag : {"标签_百度坐标转换", "标签_腾讯坐标转换", "标签_解析地址"}) {
    auto* label = control<QLabel>(&w, flag);
    EXPECT_EQ(label->text(), QStringLiteral("1"));
    EXPECT_FALSE(label->isVisibleTo(&w)) << flag;
  }
  EXPECT_EQ(w.statusBar()->findChildren<QLabel*>().size(), 2);
}

TEST_F(MainWindowTest, ResultListsHaveTheirColumnsAndNoSorting) {
  MainWindow& w = open(false);
  struct Case {
    const char* list;
    std::vector<std::pair<const char*, int>> columns;
  };
  const std::vector<Case> cases = {
      {"超级列表框_坐标拾取",
       {{"编号", 40}, {"标题", 200}, {"地图坐标", 150}, {"地址", 150}, {"区域", 100}, {"行业", 100}}},
      {"超级列表框_百度坐标转换结果", {{"编号", 50}, {"待转换坐标", 200}, {"转换后坐标", 200}, {"状态", 200}}},
      {"超级列表框_腾讯坐标转换结果", {{"编号", 50}, {"待转换坐标", 200}, {"转换后坐标", 200}, {"状态", 200}}},
      {"超级列表框_坐标解析", {{"编号", 40}, {"待解析坐标", 200}, {"解析地址", 200}, {"状态", 200}}},
  };
  for (const Case& c : cases) {
    auto* view = control<QTableView>(&w, c.list);
    ASSERT_EQ(view->model()->columnCount(), static_cast<int>(c.columns.size())) << c.list;
    for (int i = 0; i < static_cast<int>(c.columns.size()); ++i) {
      EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal).toString(), QString::fromUtf8(c.columns[i].first));
      EXPECT_EQ(view->horizontalHeader()->sectionSize(i), c.columns[i].second) << c.list << " column " << i;
    }
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_FALSE(view->isSortingEnabled());
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
  }

  // A header click sorts nothing; a cell click selects one whole row.
  ResultModel* list = w.list(MainWindow::CollectPlaces);
  list->appendRow({"1", "乙"});
  list->appendRow({"2", "甲"});
  QTableView* view = w.listView(MainWindow::CollectPlaces);
  QHeaderView* header = view->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(1) + 5, 5));
  EXPECT_EQ(list->cell(0, 1), QStringLiteral("乙"));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(list->index(1, 2)).center());
  EXPECT_EQ(view->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(view->selectionModel()->selectedIndexes().size(), list->columnCount());
}

// Page controls are placed relative to the tab control, whose tab strip runs down its left
// edge; they must not slide right by the strip's width.
TEST_F(MainWindowTest, ControlsStandWhereTheWindowTablesPutThem) {
  MainWindow& w = open(false);
  QWidget* tab = control(&w, "高级选择夹1");
  QWidget* client = w.centralWidget();
  struct Place {
    const char* name;
    bool onTab;
    QRect rect;
  };
  const std::vector<Place> places = {
      {"标签1", false, {0, 0, 1000, 90}},
      {"透明标签13", false, {8, 8, 832, 48}},
      {"按钮_反馈建议", false, {880, 8, 110, 30}},
      {"按钮_安全退出", false, {880, 48, 110, 30}},
      {"透明标签_公告", false, {8, 61, 976, 27}},
      {"高级选择夹1", false, {-1, 91, 994, 473}},
      {"分组框14", false, {1, 570, 994, 48}},
      {"分组框6", true, {25, 4, 184, 158}},
      {"分组框7", true, {25, 167, 184, 158}},
      {"分组框2", true, {25, 327, 184, 61}},
      {"超级列表框_坐标拾取", true, {211, 10, 779, 377}},
      {"分组框1", true, {25, 390, 966, 82}},
      {"分组框11", true, {25, 6, 965, 72}},
      {"分组框12", true, {27, 88, 232, 376}},
      {"超级列表框_百度坐标转换结果", true, {261, 96, 728, 277}},
      {"分组框13", true, {261, 376, 728, 88}},
      {"分组框3", true, {25, 6, 968, 88}},
      {"分组框4", true, {25, 94, 232, 376}},
      {"超级列表框_腾讯坐标转换结果", true, {262, 102, 730, 277}},
      {"分组框5", true, {262, 382, 730, 88}},
      {"分组框8", true, {25, 6, 968, 64}},
      {"分组框9", true, {25, 70, 264, 400}},
      {"超级列表框_坐标解析", true, {294, 78, 698, 301}},
      {"分组框10", true, {294, 382, 698, 88}},
  };
  for (int page = 0; page < 4; ++page) {
    control<QTabWidget>(&w, "高级选择夹1")->setCurrentIndex(page);
    QApplication::processEvents();
    for (const Place& p : places) {
      QWidget* c = control(&w, p.name);
      if (!c->isVisible()) continue;
      QWidget* origin = p.onTab ? tab : client;
      QRect actual(c->mapTo(origin, QPoint(0, 0)), c->size());
      EXPECT_EQ(actual, p.rect) << p.name;
    }
  }
  // Nested controls keep their place inside their group box.
  EXPECT_EQ(control(&w, "按钮_导出Excel")->geometry(), QRect(618, 19, 140, 25));
  EXPECT_EQ(control(&w, "编辑框_腾讯密钥")->geometry(), QRect(528, 17, 265, 24));
}

TEST_F(MainWindowTest, EachBindingReachesItsHandler) {
  MainWindow& w = open();
  struct Binding {
    int page;
    const char* button;
    const char* handler;
  };
  const std::vector<Binding> bindings = {
      {0, "按钮_开始采集", "0:start"},
      {0, "按钮_停止采集", "0:stop"},
      {0, "按钮_清空", "0:clear"},
      {0, "按钮_导出Excel", "0:export"},
      {0, "单选框_高德地图", "0:source"},
      {1, "按钮_开始转换_百度坐标", "1:start"},
      {1, "按钮_停止转换_百度坐标", "1:stop"},
      {1, "按钮_清空_腾讯地图2", "1:clear"},
      {1, "按钮_导出Excel3", "1:export"},
      {1, "按钮_导入坐标_腾讯地图2", "1:import"},
      {2, "按钮_开始转换_腾讯地图", "2:start"},
      {2, "按钮_停止转换_腾讯地图", "2:stop"},
      {2, "按钮_清空_腾讯地图", "2:clear"},
      {2, "按钮_导出Excel1", "2:export"},
      {2, "按钮_导入坐标_腾讯地图", "2:import"},
      {3, "按钮_开始解析地址", "3:start"},
      {3, "按钮_停止解析地址", "3:stop"},
      {3, "按钮_清空_腾讯地图1", "3:clear"},
      {3, "按钮_导出Excel2", "3:export"},
      {3, "按钮_导入坐标_腾讯地图1", "3:import"},
  };
  for (const Binding& b : bindings) {
    control<QTabWidget>(&w, "高级选择夹1")->setCurrentIndex(b.page);
    log.clear();
    QWidget* c = control(&w, b.button);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(6, c->height() / 2));
    EXPECT_EQ(log, std::vector<std::string>{b.handler}) << b.button;
  }

  struct Link {
    const char* label;
    QString address;
  };
  for (const Link& l : {Link{"透明标签13", links::homePage()}, Link{"透明标签10", links::baiduKeyPage()},
                        Link{"透明标签12", links::tencentKeyPage()}}) {
    opened.clear();
    for (int press = 0; press < 2; ++press) QTest::mousePress(control(&w, l.label), Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>(2, l.address.toStdString())) << l.label;
  }
  opened.clear();
  QTest::mouseClick(control(&w, "按钮_反馈建议"), Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{links::feedbackPage().toStdString()});
  EXPECT_EQ(QUrl(links::tencentKeyPage()).path(), QStringLiteral("/mykey.html"));
  EXPECT_EQ(QUrl(links::baiduKeyPage()).path(), QStringLiteral("/apiconsole/key"));
}

TEST_F(MainWindowTest, InertControlsStartNothing) {
  MainWindow& w = open();
  const char* inert[] = {"分组框6",         "分组框1",         "分组框14",
                         "透明标签1",       "透明标签9",       "透明标签11",
                         "编辑框_状态",     "编辑框_成功采集", "超级列表框_坐标拾取",
                         "单选框_百度地图", "单选框_腾讯地图", "标签1",
                         "透明标签_公告",   "状态条1"};
  for (const char* name : inert) {
    QWidget* c = control(&w, name);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->width() / 2, c->height() / 2));
  }
  control<QTabWidget>(&w, "高级选择夹1")->setCurrentIndex(1);
  for (const char* name : {"单选框_原始坐标转百度坐标", "超级列表框_百度坐标转换结果", "编辑框_状态_百度坐标转换"}) {
    QWidget* c = control(&w, name);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(c->width() / 2, c->height() / 2));
  }
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(opened.empty()) << "the empty announcement line opens nothing";
  EXPECT_TRUE(otherShownWindows(&w).isEmpty());
  EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, EscClosesTheWindowFromAnyControl) {
  for (const char* focus :
       {"编辑框_百度密钥", "编辑框_城市名", "超级列表框_坐标拾取", "按钮_开始采集", "编辑框_状态"}) {
    MainWindow& w = open(false);
    QWidget* c = control(&w, focus);
    c->setFocus();
    QApplication::processEvents();
    QTest::keyClick(c, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible()) << "Esc in " << focus;
  }
}

TEST_F(MainWindowTest, EnterNeitherMovesFocusNorPressesAButton) {
  MainWindow& w = open();
  auto* key = control<QLineEdit>(&w, "编辑框_腾讯密钥");
  key->setFocus();
  QTest::keyClick(key, Qt::Key_Return);
  EXPECT_TRUE(key->hasFocus());
  auto* input = control<QPlainTextEdit>(&w, "编辑框_城市名");
  input->setFocus();
  QTest::keyClicks(input, QStringLiteral("Shanghai"));
  QTest::keyClick(input, Qt::Key_Return);
  QTest::keyClicks(input, QStringLiteral("Beijing"));
  EXPECT_EQ(input->toPlainText(), QStringLiteral("Shanghai\nBeijing"));
  EXPECT_TRUE(log.empty());
}

TEST_F(MainWindowTest, SwitchingPagesKeepsEverything) {
  MainWindow& w = open(false);
  auto* tabs = control<QTabWidget>(&w, "高级选择夹1");
  control<QPlainTextEdit>(&w, "编辑框_城市名")->setPlainText(QStringLiteral("上海\n杭州"));
  control<QRadioButton>(&w, "单选框_腾讯地图")->setChecked(true);
  w.list(0)->appendRow({"1", "某店"});
  control<QLineEdit>(&w, "编辑框_状态")->setText(QStringLiteral("-----正在拾取-----"));
  tabs->setCurrentIndex(2);
  control<QPlainTextEdit>(&w, "编辑框_腾讯待转换坐标")->setPlainText(QStringLiteral("39.9,116.3"));
  control<QRadioButton>(&w, "单选框_GPS坐标转腾讯坐标")->setChecked(true);
  w.list(2)->appendRow({"1", "39.9,116.3", "", "等待转换"});
  w.listView(2)->selectRow(0);

  for (int round = 0; round < 2; ++round) {
    for (int page : {1, 0, 3, 2}) tabs->setCurrentIndex(page);
    QApplication::processEvents();
    EXPECT_EQ(control<QPlainTextEdit>(&w, "编辑框_城市名")->toPlainText(), QStringLiteral("上海\n杭州"));
    EXPECT_TRUE(control<QRadioButton>(&w, "单选框_腾讯地图")->isChecked());
    EXPECT_EQ(w.list(0)->rowCount(), 1);
    EXPECT_EQ(control<QLineEdit>(&w, "编辑框_状态")->text(), QStringLiteral("-----正在拾取-----"));
    EXPECT_EQ(control<QPlainTextEdit>(&w, "编辑框_腾讯待转换坐标")->toPlainText(), QStringLiteral("39.9,116.3"));
    EXPECT_TRUE(control<QRadioButton>(&w, "单选框_GPS坐标转腾讯坐标")->isChecked());
    EXPECT_EQ(w.list(2)->cell(0, 3), QStringLiteral("等待转换"));
    EXPECT_EQ(w.listView(2)->selectionModel()->selectedRows().size(), 1);
  }
}

TEST_F(MainWindowTest, ClearEmptiesOnlyTheCollectedPlaces) {
  MainWindow& w = open(false);
  for (int i = 0; i < 3; ++i) w.list(0)->appendRow({QString::number(i + 1), "某店"});
  w.list(1)->appendRow({"1", "x"});
  const char* boxes[] = {"编辑框_成功采集", "编辑框_状态", "编辑框_当前城市", "编辑框_当前关键词", "编辑框_页码"};
  for (const char* box : boxes) control<QLineEdit>(&w, box)->setText(QStringLiteral("7"));
  control<QPlainTextEdit>(&w, "编辑框_城市名")->setPlainText(QStringLiteral("上海"));
  control<QPlainTextEdit>(&w, "编辑框_关键词")->setPlainText(QStringLiteral("火锅店"));

  QTest::mouseClick(control(&w, "按钮_清空"), Qt::LeftButton);

  EXPECT_EQ(w.list(0)->rowCount(), 0);
  EXPECT_EQ(w.list(1)->rowCount(), 1);
  for (const char* box : boxes) EXPECT_EQ(control<QLineEdit>(&w, box)->text(), QStringLiteral("7")) << box;
  EXPECT_EQ(control<QPlainTextEdit>(&w, "编辑框_城市名")->toPlainText(), QStringLiteral("上海"));
  EXPECT_EQ(control<QPlainTextEdit>(&w, "编辑框_关键词")->toPlainText(), QStringLiteral("火锅店"));
}

TEST_F(MainWindowTest, CloseAsksOnlyWhileARunIsUnderWay) {
  MainWindow& w = open();
  pages[2]->busy = true;
  auto answer = [](QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
      box->button(button)->click();
    });
  };
  answer(QMessageBox::No);
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(log.empty());

  answer(QMessageBox::Yes);
  QTest::mouseClick(control(&w, "按钮_安全退出"), Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(log, std::vector<std::string>{"2:stop"});

  MainWindow& idle = open();
  EXPECT_TRUE(idle.close()) << "nothing runs: no question";
}

TEST_F(MainWindowTest, PickerButtonsOpenTheRightPickerModally) {
  MainWindow& w = open();
  struct Case {
    const char* source;
    const char* button;
    const char* picker;
    const char* target;
  };
  for (const Case& c : {Case{"单选框_百度地图", "按钮_导入城市名", "CityPicker", "编辑框_城市名"},
                        Case{"单选框_腾讯地图", "按钮_导入城市名", "CityPicker", "编辑框_城市名"},
                        Case{"单选框_高德地图", "按钮_导入城市名", "AmapCityPicker", "编辑框_城市名"},
                        Case{"单选框_百度地图", "按钮_添加行业词", "TradePicker", "编辑框_关键词"}}) {
    control<QRadioButton>(&w, c.source)->setChecked(true);
    QTest::mouseClick(control(&w, c.button), Qt::LeftButton);
    QApplication::processEvents();
    QList<QWidget*> shown = otherShownWindows(&w);
    ASSERT_EQ(shown.size(), 1) << c.button;
    auto* picker = qobject_cast<PickerDialog*>(shown.front());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->objectName(), QString::fromUtf8(c.picker));
    EXPECT_EQ(picker->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(picker->parentWidget(), nullptr);

    picker->choose(QStringLiteral("测试项"));
    QTest::mouseClick(control(picker, "按钮_保存"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return otherShownWindows(&w).isEmpty(); }));
    EXPECT_TRUE(control<QPlainTextEdit>(&w, c.target)->toPlainText().contains(QStringLiteral("测试项")));
  }
}

}  // namespace
}  // namespace tessary::app::testing
