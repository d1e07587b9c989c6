#pragma once
// Reading and checking blocks of header lines ("Name: value" lines separated by "\r\n").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// The lines of a block, without their line ends; empty lines dropped.
std::vector<std::string> splitHeaderLines(std::string_view block);
// Names of the block's lines, as written.
std::vector<std::string> headerNames(std::string_view block);
// Header names compare without regard to case, as HTTP defines them.
bool containsName(const std::vector<std::string>& names, std::string_view name);
// Every line has a name and a colon and no CR, LF or NUL inside it; only the block's end may
// carry a line end. An empty block is valid.
bool headerBlockValid(std::string_view block);
// No CR, LF or NUL: the text can stand in one header line.
bool headerValueValid(std::string_view value);
// The value of `line` when its name is `name` (any case), leading blanks removed.
std::optional<std::string_view> headerValue(std::string_view line, std::string_view name);

}  // namespace tessary
