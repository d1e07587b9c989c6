#pragma once
// Coordinate lists read from text files into a page's input box. The file's bytes are local
// text (GBK); the caller replaces the box's text with the result.

#include <string>

namespace tessary {

// The open dialog: one filter entry and the extension added to a typed name without one.
inline constexpr const char* kImportFilterDescription = "文本文档(*.txt)";
inline constexpr const char* kImportFilterPattern = "*.txt";
inline constexpr const char* kImportDefaultSuffix = "txt";

struct ImportResult {
  bool ok = false;
  std::string text;     // UTF-8
  std::string message;  // on failure: the text for a "提示" box; the box keeps its content
};

ImportResult importCoordinateFile(const std::string& path);

}  // namespace tessary
