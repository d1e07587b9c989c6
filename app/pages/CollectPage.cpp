#include "app/pages/CollectPage.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "app/MainWindow.h"
#include "app/PageFeed.h"
#include "app/ResultModel.h"
#include "app/pages/PageFiles.h"
#include "collect/CollectionJob.h"
#include "io/WorkbookExport.h"

namespace tessary::app {
namespace {

// The page's controls by their window-table names.
template <typename T>
T* named(const MainWindow& window, const char* name) {
  return window.findChild<T*>(QString::fromUtf8(name));
}

}  // namespace

const char* const CollectPage::kAmapCityHint =
    "高德地图需要带城市代码的城市名(例：合肥|340100)，请在高德城市列表中选择城市；"
    "没有代码的城市行将被跳过";
const char* const CollectPage::kAlreadyRunning = "正在采集，请先停止拾取";

CollectPage::CollectPage(MainWindow& window)
    : PageController(window, MainWindow::CollectPlaces), job_(std::make_unique<CollectionJob>(feed())) {}

CollectPage::~CollectPage() = default;

bool CollectPage::running() const {
  return job_->running();
}

MapSource CollectPage::chosenSource() const {
  if (named<QRadioButton>(window(), "单选框_高德地图")->isChecked()) return MapSource::Amap;
  if (named<QRadioButton>(window(), "单选框_腾讯地图")->isChecked()) return MapSource::Tencent;
  return MapSource::Baidu;
}

void CollectPage::start() {
  if (job_->running()) {
    // Restarting would wait out the old run on the window's thread; say so instead.
    feed().notice(kAlreadyRunning);
    return;
  }
  const std::string refusal =
      job_->start(chosenSource(), inputBoxText(named<QPlainTextEdit>(window(), "编辑框_城市名")),
                  inputBoxText(named<QPlainTextEdit>(window(), "编辑框_关键词")), window().tencentKey());
  if (!refusal.empty()) feed().notice(refusal);
}

void CollectPage::stop() {
  job_->stop();
}

void CollectPage::clear() {
  if (job_->running()) {
    // Rows of a run that goes on after the list was emptied would number from 1 again and
    // look like a fresh run; the run ends first (within a second).
    job_->stop();
    job_->wait();
  }
  job_->clear();
  // Rows posted but not yet shown go too.
  window().list(MainWindow::CollectPlaces)->clear();
}

void CollectPage::exportList() {
  export_.start(&window(), *window().list(MainWindow::CollectPlaces), feed(), ExportPage::Collection);
}

void CollectPage::mapSourceChosen() {
  if (chosenSource() != MapSource::Amap) return;
  if (!hasLinesWithoutAmapCode(inputBoxText(named<QPlainTextEdit>(window(), "编辑框_城市名")))) return;
  // The picker opens once the hint is read: an application-modal picker would block the box.
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), QString::fromUtf8(kAmapCityHint),
                              QMessageBox::Ok, &window());
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this] {
    if (chosenSource() == MapSource::Amap) window().openCityPicker();
  });
  box->open();
}

}  // namespace tessary::app
