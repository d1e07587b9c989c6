#include "io/WorkbookExport.h"

#include <xlsxwriter.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace tessary {

namespace {

constexpr lxw_row_t kMaxSheetRows = 1048576;

bool endsWithXls(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  static constexpr char lower[] = ".xls";
  for (std::size_t i = 0; i < 4; ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

std::string failure(const std::string& what) {
  return "导出失败：" + what;
}

std::string systemReason(int error) {
  return std::strerror(error);
}

// A new, empty file beside the target, so the rename into place stays on one file system.
std::string reserveTemporary(const std::filesystem::path& target, int& error) {
  static std::atomic<unsigned> counter{0};
  auto folder = target.parent_path();
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + target.filename().string() + "." + std::to_string(stamp % 1000000) + "-" +
                       std::to_string(++counter) + ".tmp";
    std::string candidate = (folder / name).string();
    errno = 0;
    if (std::FILE* f = std::fopen(candidate.c_str(), "wbx")) {
      std::fclose(f);
      return candidate;
    }
    if (errno != EEXIST) break;
  }
  error = errno ? errno : EEXIST;
  return {};
}

struct WorkbookCloser {
  void operator()(lxw_workbook* wb) const {
    if (wb) workbook_close(wb);
  }
};

// Characters XML cannot carry; a workbook holding one would not open at all.
std::string xmlSafe(const std::string& text) {
  bool clean = true;
  for (unsigned char c : text)
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') clean = false;
  if (clean) return text;
  std::string out;
  for (unsigned char c : text)
    out += (c < 0x20 && c != '\t' && c != '\n' && c != '\r') ? std::string("\xEF\xBF\xBD")
                                                             : std::string(1, static_cast<char>(c));
  return out;
}

}  // namespace

std::string withXlsName(std::string_view name) {
  std::string out(name);
  if (!endsWithXls(name)) out += ".xls";
  return out;
}

ExportResult writeWorkbook(const std::string& path, const std::vector<std::string>& titles,
                           const std::vector<Row>& rows) {
  std::filesystem::path target(path);
  if (target.filename().empty()) return {false, failure("文件名为空")};
  if (target.parent_path().empty()) target = std::filesystem::path(".") / target;
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) return {false, failure("“" + path + "”是一个文件夹")};

  int error = 0;
  std::string temporary = reserveTemporary(target, error);
  if (temporary.empty())
    return {false,
            failure("无法在文件夹“" + target.parent_path().string() + "”中写入文件（" + systemReason(error) + "）")};

  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;  // rows go to disk as they are written: flat memory
  options.use_zip64 = LXW_TRUE;        // very long lists exceed the plain zip limits
  std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new_opt(temporary.c_str(), &options));
  // Closing writes the file, so the workbook is closed before its file is removed.
  auto discard = [&](const std::string& why) {
    workbook.reset();
    std::remove(temporary.c_str());
    return ExportResult{false, failure(why)};
  };
  if (!workbook) return discard("无法创建工作簿");
  lxw_format* text = workbook_add_format(workbook.get());
  format_set_num_format_index(text, 49);  // Excel's built-in "@": text

  lxw_worksheet* sheet = nullptr;
  lxw_row_t row = 0;
  // A sheet holds 1,048,576 rows; a longer list continues on further sheets, each with
  // the titles, instead of being cut short.
  auto newSheet = [&]() -> lxw_error {
    sheet = workbook_add_worksheet(workbook.get(), nullptr);
    if (!sheet) return LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (lxw_col_t c = 0; c < titles.size(); ++c) {
      worksheet_set_column(sheet, c, c, c == 0 ? 8 : 28, text);
      if (lxw_error e = worksheet_write_string(sheet, 0, c, xmlSafe(titles[c]).c_str(), text)) return e;
    }
    row = 1;
    return LXW_NO_ERROR;
  };
  if (lxw_error e = newSheet()) return discard(lxw_strerror(e));

  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (row >= kMaxSheetRows)
      if (lxw_error e = newSheet()) return discard(lxw_strerror(e));
    const Row& cells = rows[r];
    for (lxw_col_t c = 0; c < cells.size(); ++c) {
      lxw_error e = worksheet_write_string(sheet, row, c, xmlSafe(cells[c]).c_str(), text);
      if (e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        return discard("第" + std::to_string(r + 1) + "行的文字超过Excel单元格的长度上限");
      if (e) return discard(lxw_strerror(e));
    }
    ++row;
  }

  lxw_error closed = workbook_close(workbook.release());
  if (closed != LXW_NO_ERROR) {
    int saved = errno;
    std::string why = lxw_strerror(closed);
    if (saved) why += "（" + systemReason(saved) + "）";
    std::remove(temporary.c_str());
    return {false, failure("无法保存工作簿：" + why)};
  }
  std::filesystem::rename(temporary, target, ec);
  if (ec) {
    std::remove(temporary.c_str());
    return {false, failure("无法保存为“" + path + "”（" + ec.message() + "）")};
  }
  return {true, {}};
}

ExportResult exportList(const std::string& path, const std::vector<std::string>& titles, const std::vector<Row>& rows,
                        ExportPage page, RunListener& listener) {
  const bool coordinates = page == ExportPage::Coordinates;
  if (coordinates) listener.statusText(kExportingStatus);
  ExportResult result = writeWorkbook(path, titles, rows);
  if (!result.ok) {
    if (coordinates) listener.statusText(kExportFailedStatus);
    listener.notice(result.message);
    return result;
  }
  if (coordinates) listener.statusText(kExportedStatus);
  listener.notice(coordinates ? kExportedNotice : kExportedNoticeCollection);
  return result;
}

}  // namespace tessary
