#pragma once
// The main window "Tessary【免费版】": header band, four pages, key bar, status bar.
// Controls keep their window-table names (ui().按钮_开始采集 ...). Page buttons are bound to
// the page controllers (pages/); the window itself handles the key boxes, the links, the
// announcement line, the pickers, 按钮_清空 and the close query.

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QFileDialog;
class QLabel;
class QTableView;
class QTimer;

namespace Ui {
class MainWindow;
}

namespace tessary::app {

class KeyStore;
class NoticeFetcher;
class PageController;
class PageFeed;
class PickerDialog;
class ResultModel;

class MainWindow;

struct MainWindowOptions {
  std::string keysPath;       // empty: KeyStore::defaultPath()
  bool placeShortcut = true;  // the desktop entry at start
  bool fetchNotice = true;    // the announcement line at start
  // Builds the controller of each page; empty: the program's own pages.
  std::function<std::unique_ptr<PageController>(int page, MainWindow& window)> makePage;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum Page { CollectPlaces = 0, BaiduConvert = 1, TencentConvert = 2, ResolveAddresses = 3 };

  using Options = MainWindowOptions;

  MainWindow() : MainWindow(Options()) {}
  explicit MainWindow(Options options, QWidget* parent = nullptr);
  ~MainWindow() override;

  Ui::MainWindow& ui() const { return *ui_; }
  PageController* page(int page) const;
  PageFeed* feed(int page) const;
  ResultModel* list(int page) const;
  QTableView* listView(int page) const;

  // The key boxes' text. Jobs may read these from any thread.
  std::string baiduKey() const;
  std::string tencentKey() const;

  // Opens the city picker for the chosen map source (AmapCityPicker for Amap), or the
  // trade picker; both application-modal, without an owner. Returns the window.
  PickerDialog* openCityPicker();
  PickerDialog* openTradePicker();

  // Fetches the notice from `url` and shows it when it arrives.
  void startNotice(const std::string& url);

  QTimer* 时钟_公告 = nullptr;         // announcement timer: stopped until the fetch starts
  QFileDialog* 通用对话框2 = nullptr;  // file dialog, set up by import and export at each use
  QObject* Excel程序1 = nullptr;       // workbook writer, held by export
  QObject* Excel工作簿1 = nullptr;     // workbook, held by export

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLists();
  void buildStatusBar();
  void bindEvents();
  void loadKeys();
  void saveKey(bool tencent, const QString& text);
  void announcementTick();
  bool anyRunning() const;

  std::unique_ptr<Ui::MainWindow> ui_;
  Options options_;
  std::unique_ptr<KeyStore> keys_;
  std::array<std::unique_ptr<PageController>, 4> pages_;
  std::array<ResultModel*, 4> lists_{};
  std::array<QTableView*, 4> views_{};
  std::array<PageFeed*, 4> feeds_{};

  mutable std::mutex keyMutex_;
  std::string baiduKey_;
  std::string tencentKey_;

  std::unique_ptr<NoticeFetcher> notice_;
  QString noticeText_;
  QString noticeAddress_;
  int noticeScroll_ = 0;

  QPointer<PickerDialog> picker_;
};

}  // namespace tessary::app
