#pragma once
// One input line of a conversion or reverse-geocoding run and its outcome, and the fixed
// texts of the three coordinate pages.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coords/RunListener.h"

namespace tessary {

enum class CoordinatePage {
  TencentConversion,  // "腾讯坐标转换"
  BaiduConversion,    // "百度坐标转换"
  ReverseGeocoding,   // "坐标地址解析"
};

struct CoordinateJob {
  std::string serial;      // "编号"
  std::string source;      // the input line
  std::string result;      // converted coordinate or address
  std::string state;       // waiting text, then the outcome
  bool succeeded = false;  // not shown; lets the command line set its exit status

  Row cells() const { return {serial, source, result, state}; }
};

struct PageTexts {
  std::array<const char*, 4> columns;
  const char* running;    // status box while a run works
  const char* completed;  // status box when every row was handled
  const char* stopped;    // status box after a stop
  const char* waiting;    // state of a row not handled yet
  const char* completedNotice;
  const char* missingInput;    // the "提示" text when coordinates or key are missing
  const char* succeededState;  // fixed state of a good row, or nullptr when the service's message
};

const PageTexts& pageTexts(CoordinatePage page);

// State of a line that is not two decimal numbers separated by ",": no request is sent.
inline constexpr const char* kMalformedLineState = "坐标错误";
// Row states when the reply is no service answer at all.
inline constexpr const char* kUnreadableReplyState = "服务器回复无法识别";
std::string httpErrorState(int status);  // "服务器返回错误(HTTP 500)"

// The input box split into lines: blanks around a line trimmed, blank lines dropped.
// Takes "\r\n", "\n" and "\r" as line ends.
std::vector<std::string> inputLines(std::string_view text);
// True when the text holds at least one non-blank character.
bool hasInputLine(std::string_view text);

// A line of two decimal numbers separated by ",", blanks allowed around the comma.
// Returns the compact "a,b" form sent to the service, or nothing for any other line.
std::optional<std::string> normalizedCoordinate(std::string_view line);

}  // namespace tessary
