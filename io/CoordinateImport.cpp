#include "io/CoordinateImport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "net/TextServices.h"

namespace tessary {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

ImportResult unreadable(const std::string& path, int error) {
  return {false, {}, "无法读取文件“" + path + "”（" + std::strerror(error) + "），输入框内容未改变。"};
}
}  // namespace

ImportResult importCoordinateFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return unreadable(path, EISDIR);
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return unreadable(path, errno ? errno : ENOENT);
  std::string bytes;
  if (auto size = std::filesystem::file_size(path, ec); !ec && size < (std::uintmax_t{1} << 34))
    bytes.reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  while (true) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return unreadable(path, errno ? errno : EIO);
  return {true, localToUtf8(bytes), {}};
}

}  // namespace tessary
