#include "net/HeaderLines.h"

#include <algorithm>

namespace tessary {
namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<std::string> splitHeaderLines(std::string_view block) {
  std::vector<std::string> lines;
  while (!block.empty()) {
    auto end = block.find("\r\n");
    std::string_view line = block.substr(0, end);
    if (!line.empty()) lines.emplace_back(line);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
  }
  return lines;
}

std::vector<std::string> headerNames(std::string_view block) {
  std::vector<std::string> names;
  for (const auto& line : splitHeaderLines(block)) {
    auto colon = line.find(':');
    if (colon != std::string::npos) names.emplace_back(trimmed(std::string_view(line).substr(0, colon)));
  }
  return names;
}

bool containsName(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return equalNoCase(n, name); });
}

bool headerValueValid(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool headerBlockValid(std::string_view block) {
  if (block.ends_with("\r\n")) block.remove_suffix(2);
  if (block.empty()) return true;
  while (true) {
    auto end = block.find("\r\n");
    std::string_view line = block.substr(0, end);
    auto colon = line.find(':');
    if (!headerValueValid(line) || colon == std::string_view::npos || trimmed(line.substr(0, colon)).empty() ||
        line.substr(0, colon).find_first_of(" \t") != std::string_view::npos)
      return false;
    if (end == std::string_view::npos) return true;
    block = block.substr(end + 2);
  }
}

std::optional<std::string_view> headerValue(std::string_view line, std::string_view name) {
  auto colon = line.find(':');
  if (colon == std::string_view::npos || !equalNoCase(trimmed(line.substr(0, colon)), name)) return std::nullopt;
  return trimmed(line.substr(colon + 1));
}

}  // namespace tessary
