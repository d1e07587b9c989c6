#pragma once
// What the coordinate commands share: options, the key lookup, reading the input, running the
// page's engine with a progress line, and writing the rows as CSV or a workbook.

#include <optional>
#include <string>
#include <vector>

#include "coords/CoordinateRun.h"

namespace tessary::cli {

struct CoordinateCommand {
  CoordinatePage page;
  int sourceCode = 0;
  std::string input;   // -i, empty: standard input
  std::string output;  // -o, empty: CSV on standard output
  std::string key;     // --key
};

// The key for a service: --key, else the environment variable, else keys.ini (section
// "tencent" or "baidu", entry "key", GBK text) beside the executable or at TESSARY_KEYS_INI.
std::string resolveKey(const std::string& given, const char* environmentName, const char* section);

// The "key" entry of section in an INI file, as UTF-8; nothing when missing or unreadable.
std::optional<std::string> readIniKey(const std::string& path, const std::string& section);

// Rows as CSV: UTF-8, fields quoted where needed, "\r\n" line ends.
std::string csvText(const std::vector<std::string>& titles, const std::vector<Row>& rows);

// Runs the command and returns the exit status: 0 every row succeeded, 1 some row failed
// (or the results could not be written), 2 the run could not start.
int runCoordinateCommand(const CoordinateCommand& command);

// Parses -i, -o and --key (and --from/--to left to the caller through `extra`). Returns false
// with a message on an unknown option.
bool parseCommonOptions(const std::vector<std::string>& args, CoordinateCommand& command,
                        std::vector<std::pair<std::string, std::string>>& extra, std::string& error);

}  // namespace tessary::cli
