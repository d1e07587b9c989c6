#include "coords/CoordinateJob.h"

namespace tessary {

namespace {

constexpr PageTexts kTencentConversion{
    {"编号", "待转换坐标", "转换后坐标", "状态"},
    "-----正在转换中-----",
    "-----转换完成！-----",
    "-----已停止转换-----",
    "等待转换",
    "转换完成！",
    "请确保已正确输入坐标与腾讯密钥，若没有密钥可申请密钥！",
    nullptr,
};

// The Baidu page has no status texts of its own and shares those of the Tencent page.
constexpr PageTexts kBaiduConversion{
    {"编号", "待转换坐标", "转换后坐标", "状态"},
    "-----正在转换中-----",
    "-----转换完成！-----",
    "-----已停止转换-----",
    "等待转换",
    "转换完成！",
    "请确保已正确输入坐标与百度密钥，若无密钥可点申请密钥！",
    "完成",
};

constexpr PageTexts kReverseGeocoding{
    {"编号", "待解析坐标", "解析地址", "状态"},
    "-----正在解析-----",
    "-----解析完成！-----",
    "-----解析已停止-----",
    "等待解析",
    "解析完成",
    "请先输入要解析的坐标",
    nullptr,
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  // A full-width blank (U+3000) pasted from a Chinese document counts as a blank too.
  constexpr std::string_view ideographic = "\xE3\x80\x80";
  while (s.starts_with(ideographic)) s = trimmed(s.substr(ideographic.size()));
  while (s.ends_with(ideographic)) s = trimmed(s.substr(0, s.size() - ideographic.size()));
  return s;
}

bool isDecimal(std::string_view s) {
  if (!s.empty() && s.front() == '-') s.remove_prefix(1);
  bool digits = false, point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

}  // namespace

const PageTexts& pageTexts(CoordinatePage page) {
  switch (page) {
    case CoordinatePage::TencentConversion:
      return kTencentConversion;
    case CoordinatePage::BaiduConversion:
      return kBaiduConversion;
    case CoordinatePage::ReverseGeocoding:
      return kReverseGeocoding;
  }
  return kTencentConversion;
}

std::string httpErrorState(int status) {
  return "服务器返回错误(HTTP " + std::to_string(status) + ")";
}

std::vector<std::string> inputLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trimmed(text.substr(start, end - start));
    if (!line.empty()) lines.emplace_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

bool hasInputLine(std::string_view text) {
  for (char c : text)
    if (!isBlank(c) && c != '\r' && c != '\n') return true;
  return false;
}

std::optional<std::string> normalizedCoordinate(std::string_view line) {
  line = trimmed(line);
  auto comma = line.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  std::string_view first = trimmed(line.substr(0, comma));
  std::string_view second = trimmed(line.substr(comma + 1));
  if (!isDecimal(first) || !isDecimal(second)) return std::nullopt;
  std::string out;
  out.reserve(first.size() + second.size() + 1);
  out.append(first).append(",").append(second);
  return out;
}

}  // namespace tessary
