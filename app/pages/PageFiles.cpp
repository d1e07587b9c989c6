#include "app/pages/PageFiles.h"

#include <QFileDialog>

#include "io/CoordinateImport.h"
#include "io/WorkbookExport.h"

namespace tessary::app {
namespace {

std::function<std::string(FileQuestion)>& chooser() {
  static std::function<std::string(FileQuestion)> instance;
  return instance;
}

}  // namespace

void setFileChooser(std::function<std::string(FileQuestion)> replacement) { chooser() = std::move(replacement); }

std::string askForFile(QWidget* parent, FileQuestion question) {
  std::string path;
  if (chooser()) {
    path = chooser()(question);
  } else if (question == FileQuestion::ExportWorkbook) {
    const QString filter = QString::fromUtf8(kExportFilterDescription) + " (" + kExportFilterPattern + ")";
    path = QFileDialog::getSaveFileName(parent, QString(), QString(), filter).toStdString();
  } else {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The description already names its pattern, "(*.txt)", which is what Qt reads.
    dialog.setNameFilter(QString::fromUtf8(kImportFilterDescription));
    dialog.setDefaultSuffix(kImportDefaultSuffix);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      path = dialog.selectedFiles().front().toStdString();
  }
  if (!path.empty() && question == FileQuestion::ExportWorkbook) path = withXlsName(path);
  return path;
}

}  // namespace tessary::app
