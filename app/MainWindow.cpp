#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

#include "app/KeyStore.h"
#include "app/Links.h"
#include "app/Notice.h"
#include "app/PageController.h"
#include "app/PageFeed.h"
#include "app/Pickers.h"
#include "app/ResultModel.h"
#include "app/Startup.h"
#include "app/pages/Pages.h"
#include "ui_MainWindow.h"

namespace tessary::app {
namespace {

// The outer size 1000 x 670 less a fixed frame of 3 pixels and a caption bar.
constexpr QSize kClientSize(994, 642);
constexpr int kRowHeight = 20;

std::vector<ResultModel::Column> columnsOf(int page) {
  switch (page) {
    case MainWindow::CollectPlaces:
      return {{"编号", 40}, {"标题", 200}, {"地图坐标", 150}, {"地址", 150}, {"区域", 100}, {"行业", 100}};
    case MainWindow::BaiduConvert:
    case MainWindow::TencentConvert:
      return {{"编号", 50}, {"待转换坐标", 200}, {"转换后坐标", 200}, {"状态", 200}};
    default:
      return {{"编号", 40}, {"待解析坐标", 200}, {"解析地址", 200}, {"状态", 200}};
  }
}

}  // namespace

MainWindow::MainWindow(Options options, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::MainWindow>()), options_(std::move(options)) {
  ui_->setupUi(this);
  setFixedWindow(this, kClientSize);

  QFont tabFont(QStringLiteral("新宋体"));
  tabFont.setPixelSize(12);
  ui_->高级选择夹1->tabBar()->setFont(tabFont);
  ui_->高级选择夹1->setCurrentIndex(CollectPlaces);

  时钟_公告 = new QTimer(this);
  时钟_公告->setObjectName(QStringLiteral("时钟_公告"));
  时钟_公告->setInterval(0);
  通用对话框2 = new QFileDialog(this);
  通用对话框2->setObjectName(QStringLiteral("通用对话框2"));
  通用对话框2->setOption(QFileDialog::DontUseNativeDialog, false);
  Excel程序1 = new QObject(this);
  Excel程序1->setObjectName(QStringLiteral("Excel程序1"));
  Excel工作簿1 = new QObject(this);
  Excel工作簿1->setObjectName(QStringLiteral("Excel工作簿1"));

  buildLists();
  buildStatusBar();
  // After the lists have their models: a view polished on the way keeps the font it had.
  usePixelFonts(this);

  for (int i = 0; i < 4; ++i)
    pages_[static_cast<std::size_t>(i)] = options_.makePage ? options_.makePage(i, *this) : makePage(i, *this);

  bindEvents();

  // The window's start-up work: keys, shortcut, announcement.
  keys_ = std::make_unique<KeyStore>(options_.keysPath.empty() ? KeyStore::defaultPath() : options_.keysPath);
  loadKeys();
  if (options_.placeShortcut) placeShortcut();
  if (options_.fetchNotice) startNotice(noticeUrl());
}

MainWindow::~MainWindow() {
  if (picker_) picker_->close();
  for (auto& page : pages_)
    if (page && page->running()) page->stop();
}

PageController* MainWindow::page(int page) const {
  return pages_.at(static_cast<std::size_t>(page)).get();
}
PageFeed* MainWindow::feed(int page) const {
  return feeds_.at(static_cast<std::size_t>(page));
}
ResultModel* MainWindow::list(int page) const {
  return lists_.at(static_cast<std::size_t>(page));
}
QTableView* MainWindow::listView(int page) const {
  return views_.at(static_cast<std::size_t>(page));
}

void MainWindow::buildLists() {
  views_ = {ui_->超级列表框_坐标拾取, ui_->超级列表框_百度坐标转换结果, ui_->超级列表框_腾讯坐标转换结果,
            ui_->超级列表框_坐标解析};
  const std::array<QLineEdit*, 4> statusBoxes = {ui_->编辑框_状态, ui_->编辑框_状态_百度坐标转换,
                                                 ui_->编辑框_状态_腾讯坐标转换, ui_->编辑框_状态_坐标解析};
  for (int i = 0; i < 4; ++i) {
    auto idx = static_cast<std::size_t>(i);
    QTableView* view = views_[idx];
    auto* model = new ResultModel(columnsOf(i), this);
    lists_[idx] = model;
    feeds_[idx] = new PageFeed(model, statusBoxes[idx], this, this);
    if (i == CollectPlaces)
      feeds_[idx]->setProgressBoxes(ui_->编辑框_当前城市, ui_->编辑框_当前关键词, ui_->编辑框_页码,
                                    ui_->编辑框_成功采集);
    view->setModel(model);
    view->setSortingEnabled(false);
    view->setTabKeyNavigation(false);
    view->setAlternatingRowColors(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < model->columnCount(); ++c)
      header->resizeSection(c, model->columns()[static_cast<std::size_t>(c)].width);
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setMinimumSectionSize(kRowHeight);
    // The list follows the newest row as a job adds them.
    connect(model, &ResultModel::rowsArrived, view, [view] { view->scrollToBottom(); });
  }
}

void MainWindow::buildStatusBar() {
  QStatusBar* bar = ui_->状态条1;
  bar->setSizeGripEnabled(false);
  const std::array<std::pair<const char*, int>, 2> parts = {
      std::pair{"欢迎使用 Tessary：百度、高德、腾讯地图地点采集与坐标转换", 570},
      std::pair{"数据来自各地图开放服务，请遵守其使用条款", 500}};
  int n = 1;
  for (const auto& [text, width] : parts) {
    auto* label = new QLabel(QString::fromUtf8(text), bar);
    label->setObjectName(QStringLiteral("状态条1_%1").arg(n++));
    label->setFixedWidth(width);
    label->setFont(QApplication::font());
    bar->addWidget(label);
  }
}

void MainWindow::bindEvents() {
  Ui::MainWindow& u = *ui_;
  auto bind = [this](QPushButton* button, int page, void (PageController::*handler)()) {
    PageController* controller = pages_[static_cast<std::size_t>(page)].get();
    connect(button, &QPushButton::clicked, controller, handler);
  };
  bind(u.按钮_开始采集, CollectPlaces, &PageController::start);
  bind(u.按钮_停止采集, CollectPlaces, &PageController::stop);
  bind(u.按钮_清空, CollectPlaces, &PageController::clear);
  bind(u.按钮_导出Excel, CollectPlaces, &PageController::exportList);
  connect(u.单选框_高德地图, &QRadioButton::clicked, pages_[CollectPlaces].get(), &PageController::mapSourceChosen);

  bind(u.按钮_开始转换_百度坐标, BaiduConvert, &PageController::start);
  bind(u.按钮_停止转换_百度坐标, BaiduConvert, &PageController::stop);
  bind(u.按钮_清空_腾讯地图2, BaiduConvert, &PageController::clear);
  bind(u.按钮_导出Excel3, BaiduConvert, &PageController::exportList);
  bind(u.按钮_导入坐标_腾讯地图2, BaiduConvert, &PageController::importCoordinates);

  bind(u.按钮_开始转换_腾讯地图, TencentConvert, &PageController::start);
  bind(u.按钮_停止转换_腾讯地图, TencentConvert, &PageController::stop);
  bind(u.按钮_清空_腾讯地图, TencentConvert, &PageController::clear);
  // An export button that does nothing would look broken; it exports its page like the others.
  bind(u.按钮_导出Excel1, TencentConvert, &PageController::exportList);
  bind(u.按钮_导入坐标_腾讯地图, TencentConvert, &PageController::importCoordinates);

  bind(u.按钮_开始解析地址, ResolveAddresses, &PageController::start);
  bind(u.按钮_停止解析地址, ResolveAddresses, &PageController::stop);
  bind(u.按钮_清空_腾讯地图1, ResolveAddresses, &PageController::clear);
  bind(u.按钮_导出Excel2, ResolveAddresses, &PageController::exportList);
  bind(u.按钮_导入坐标_腾讯地图1, ResolveAddresses, &PageController::importCoordinates);

  connect(u.按钮_导入城市名, &QPushButton::clicked, this, [this] { openCityPicker(); });
  connect(u.按钮_添加行业词, &QPushButton::clicked, this, [this] { openTradePicker(); });
  connect(u.按钮_安全退出, &QPushButton::clicked, this, &QWidget::close);
  connect(u.按钮_反馈建议, &QPushButton::clicked, this, [] { OpenInBrowser(links::feedbackPage()); });

  connect(u.编辑框_百度密钥, &QLineEdit::textChanged, this, [this](const QString& t) { saveKey(false, t); });
  connect(u.编辑框_腾讯密钥, &QLineEdit::textChanged, this, [this](const QString& t) { saveKey(true, t); });

  for (QLabel* label : {u.透明标签13, u.透明标签_公告, u.透明标签10, u.透明标签12}) label->installEventFilter(this);
  connect(时钟_公告, &QTimer::timeout, this, &MainWindow::announcementTick);

  // Esc asks the window to close, from whichever control has the focus.
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WindowShortcut);
  connect(esc, &QShortcut::activated, this, &QWidget::close);

  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == ui_->透明标签13) {
      OpenInBrowser(links::homePage());
    } else if (watched == ui_->透明标签10) {
      OpenInBrowser(links::baiduKeyPage());
    } else if (watched == ui_->透明标签12) {
      OpenInBrowser(links::tencentKeyPage());
    } else if (watched == ui_->透明标签_公告) {
      if (!noticeAddress_.isEmpty()) OpenInBrowser(noticeAddress_);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::loadKeys() {
  const QString baidu = keys_->load(ServiceKey::Baidu);
  const QString tencent = keys_->load(ServiceKey::Tencent);
  {
    // Showing what the file holds is no change to save back.
    QSignalBlocker b1(ui_->编辑框_百度密钥), b2(ui_->编辑框_腾讯密钥);
    ui_->编辑框_百度密钥->setText(baidu);
    ui_->编辑框_腾讯密钥->setText(tencent);
  }
  std::lock_guard lock(keyMutex_);
  baiduKey_ = baidu.toStdString();
  tencentKey_ = tencent.toStdString();
}

void MainWindow::saveKey(bool tencent, const QString& text) {
  {
    std::lock_guard lock(keyMutex_);
    (tencent ? tencentKey_ : baiduKey_) = text.toStdString();
  }
  keys_->save(tencent ? ServiceKey::Tencent : ServiceKey::Baidu, text);  // failures are silent
}

std::string MainWindow::baiduKey() const {
  std::lock_guard lock(keyMutex_);
  return baiduKey_;
}

std::string MainWindow::tencentKey() const {
  std::lock_guard lock(keyMutex_);
  return tencentKey_;
}

PickerDialog* MainWindow::openCityPicker() {
  if (picker_ && picker_->isVisible()) return picker_;  // a closed one may await deletion
  if (ui_->单选框_高德地图->isChecked())
    picker_ = new AmapCityPicker(ui_->编辑框_城市名);
  else
    picker_ = new CityPicker(ui_->编辑框_城市名);
  picker_->setWindowModality(Qt::ApplicationModal);
  picker_->show();
  return picker_;
}

PickerDialog* MainWindow::openTradePicker() {
  if (picker_ && picker_->isVisible()) return picker_;  // a closed one may await deletion
  picker_ = new TradePicker(ui_->编辑框_关键词);
  picker_->setWindowModality(Qt::ApplicationModal);
  picker_->show();
  return picker_;
}

void MainWindow::startNotice(const std::string& url) {
  notice_ = std::make_unique<NoticeFetcher>();
  notice_->start(url);
  时钟_公告->setInterval(100);
  时钟_公告->start();
}

void MainWindow::announcementTick() {
  QLabel* line = ui_->透明标签_公告;
  if (noticeText_.isEmpty()) {
    if (!notice_ || !notice_->finished()) return;
    auto notice = notice_->result();
    if (!notice || notice->text.empty()) {
      时钟_公告->stop();  // nothing to show: the line stays as it was
      return;
    }
    noticeText_ = QString::fromStdString(notice->text);
    noticeAddress_ = QString::fromStdString(notice->address).trimmed();
    line->setText(noticeText_);
    if (!noticeAddress_.isEmpty()) line->setCursor(Qt::PointingHandCursor);
    line->setToolTip(noticeAddress_.isEmpty() ? QString() : noticeAddress_);
    if (QFontMetrics(line->font()).horizontalAdvance(noticeText_) <= line->width()) {
      时钟_公告->stop();
      return;
    }
    时钟_公告->setInterval(250);  // too long for the line: let it run along
    return;
  }
  const QString gap = QStringLiteral("        ");
  const QString loop = noticeText_ + gap;
  noticeScroll_ = (noticeScroll_ + 1) % loop.size();
  line->setText(loop.mid(noticeScroll_) + loop.left(noticeScroll_));
}

bool MainWindow::anyRunning() const {
  for (const auto& page : pages_)
    if (page && page->running()) return true;
  return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (anyRunning()) {
    auto answer = QMessageBox::question(this, QStringLiteral("提示"),
                                        QStringLiteral("任务正在运行，退出将停止任务。确定要退出吗？"),
                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
      event->ignore();
      return;
    }
    for (auto& page : pages_)
      if (page->running()) page->stop();
  }
  if (picker_) picker_->close();
  event->accept();
}

}  // namespace tessary::app
