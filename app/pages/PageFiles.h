#pragma once
// The file dialogs of the pages: which workbook to export to, which text file to import.
// Tests answer them through a chooser instead of a dialog.

#include <functional>
#include <string>

class QWidget;

namespace tessary::app {

enum class FileQuestion { ExportWorkbook, ImportCoordinates };

// The chosen path, already with ".xls" for a workbook; empty when the user cancelled.
std::string askForFile(QWidget* parent, FileQuestion question);

// Replaces the dialogs (tests); an empty function brings them back.
void setFileChooser(std::function<std::string(FileQuestion)> chooser);

}  // namespace tessary::app
