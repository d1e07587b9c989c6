#pragma once
// A result list written to an Excel workbook: row 1 the column titles, then every row, each
// cell a text cell with the number format "@" so that serial numbers and coordinates stay
// the texts the list shows. The workbook is Office Open XML saved under the ".xls" name the
// user chose.

#include <string>
#include <string_view>
#include <vector>

#include "coords/RunListener.h"

namespace tessary {

// The save dialog: one filter entry, description and pattern.
inline constexpr const char* kExportFilterDescription = "EXCEL文件";
inline constexpr const char* kExportFilterPattern = "*.XLS";

// The page messages around an export.
inline constexpr const char* kExportingStatus = "-----正在导出-----";
inline constexpr const char* kExportedStatus = "-----导出完成！-----";
inline constexpr const char* kExportFailedStatus = "-----导出失败-----";
inline constexpr const char* kExportedNotice = "导出完成！";           // coordinate pages
inline constexpr const char* kExportedNoticeCollection = "导出成功!";  // collection page

// The chosen name with ".xls" added unless it already ends in ".xls" (any letter case).
std::string withXlsName(std::string_view name);

struct ExportResult {
  bool ok = false;
  std::string message;  // on failure: the text for a "提示" box naming what went wrong
};

// Writes the workbook to a temporary file in the target folder and renames it into place,
// so a failed export leaves no file (and an existing file under that name untouched).
ExportResult writeWorkbook(const std::string& path, const std::vector<std::string>& titles,
                           const std::vector<Row>& rows);

enum class ExportPage { Collection, Coordinates };

// The whole export as a page runs it, reporting through the listener: on the coordinate
// pages the status lines, then the notice; on the collection page the notice only. A
// failure ends with the failure's notice (and on the coordinate pages kExportFailedStatus)
// and never with a success message.
ExportResult exportList(const std::string& path, const std::vector<std::string>& titles, const std::vector<Row>& rows,
                        ExportPage page, RunListener& listener);

}  // namespace tessary
