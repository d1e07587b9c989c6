#include "app/pages/CoordinatePage.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextDocument>
#include <QThread>

#include "app/MainWindow.h"
#include "app/PageFeed.h"
#include "app/ResultModel.h"
#include "app/pages/PageFiles.h"
#include "io/CoordinateImport.h"
#include "io/WorkbookExport.h"

namespace tessary::app {

CoordinatePageController::CoordinatePageController(MainWindow& window, int page, CoordinatePage kind,
                                                   const char* inputBox, const char* sourceGroup)
    : PageController(window, page),
      kind_(kind),
      inputBox_(window.findChild<QPlainTextEdit*>(QString::fromUtf8(inputBox))),
      sourceGroup_(sourceGroup ? window.findChild<QWidget*>(QString::fromUtf8(sourceGroup)) : nullptr),
      run_(std::make_unique<CoordinateRun>(kind, feed())) {
  Q_ASSERT(inputBox_);
}

CoordinatePageController::~CoordinatePageController() {
  run_.reset();  // stops the run and waits for its worker
  if (importer_.joinable()) importer_.join();
}

bool CoordinatePageController::running() const {
  return run_->running();
}

std::string CoordinatePageController::key() const {
  return kind_ == CoordinatePage::BaiduConversion ? window().baiduKey() : window().tencentKey();
}

int CoordinatePageController::selectedSourceCode() const {
  QWidget* group = sourceGroup_;
  if (!group) return 0;
  for (const SourceChoice& choice : sourceChoices(kind_)) {
    auto* button = group->findChild<QRadioButton*>(QString::fromUtf8(choice.control));
    if (button && button->isChecked()) return choice.code;
  }
  return 0;  // the page's default
}

void CoordinatePageController::showNotice(const std::string& text) {
  // The same kind of box the runs' notices use: titled "提示", not blocking the window.
  feed().notice(text);
}

void CoordinatePageController::start() {
  RunOptions options;
  options.sourceCode = selectedSourceCode();
  options.key = key();
  std::string refusal = run_->start(inputBoxText(inputBox_), std::move(options));
  if (!refusal.empty()) showNotice(refusal);
}

void CoordinatePageController::stop() {
  // The worker writes the stopped status itself once it has let go, within a second.
  run_->stop();
}

void CoordinatePageController::clear() {
  // A running run is stopped first (bounded by its one-second stop); then the list empties.
  run_->clear();
}

void CoordinatePageController::importCoordinates() {
  if (importing_ || !inputBox_) return;  // one file at a time; the first one's text is on its way
  std::string path = askForFile(&window(), FileQuestion::ImportCoordinates);
  if (path.empty()) return;
  if (importer_.joinable()) importer_.join();
  importing_ = true;
  // Reading, decoding and laying the text into a document take seconds for a big file; all of
  // it happens off the GUI thread, which only swaps the finished document in.
  QFont font = inputBox_->document()->defaultFont();
  QThread* gui = thread();
  importer_ = std::thread([this, path, font, gui] {
    ImportResult result = importCoordinateFile(path);
    auto document = std::make_shared<std::unique_ptr<QTextDocument>>();
    if (result.ok) {
      *document = std::make_unique<QTextDocument>();
      (*document)->setDefaultFont(font);
      (*document)->setPlainText(QString::fromStdString(result.text));
      result.text = {};
      (*document)->moveToThread(gui);
    }
    // Should the page go away first, the call is dropped and the document freed with it.
    QMetaObject::invokeMethod(
        this, [this, document, message = std::move(result.message)] { importRead(std::move(*document), message); },
        Qt::QueuedConnection);
  });
}

void CoordinatePageController::importRead(std::unique_ptr<QTextDocument> document, const std::string& message) {
  importing_ = false;
  if (!document) {
    // The box keeps what the user typed; the message says which file failed and why.
    showNotice(message);
    return;
  }
  if (!inputBox_) return;
  document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
  // The box frees its own first document when it is replaced; the guard sees that.
  QPointer<QTextDocument> previous = inputBox_->document();
  QTextDocument* next = document.release();
  next->setParent(inputBox_);
  inputBox_->setDocument(next);
  // A document of an earlier import is ours to free.
  if (previous && previous != next && previous->parent() == inputBox_) previous->deleteLater();
}

void CoordinatePageController::exportList() {
  export_.start(&window(), *feed().list(), feed(), ExportPage::Coordinates);
}

}  // namespace tessary::app
