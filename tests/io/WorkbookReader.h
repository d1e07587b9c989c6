#pragma once
// Reads a written workbook back: the sheet's cells with their types and number formats, by
// unpacking the parts with unzip(1).

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace tessary::testing {

inline std::string zipPart(const std::string& workbook, const std::string& part) {
  std::string command = "unzip -p '" + workbook + "' '" + part + "' 2>/dev/null";
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
  }
  return out;
}

inline std::string xmlUnescape(const std::string& s) {
  static const std::map<std::string, std::string> entities{
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    bool replaced = false;
    if (s[i] == '&') {
      for (const auto& [from, to] : entities) {
        if (s.compare(i, from.size(), from) == 0) {
          out += to;
          i += from.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += s[i++];
  }
  return out;
}

struct SheetCells {
  std::vector<std::vector<std::string>> rows;  // texts, row by row
  bool allText = true;                         // every cell an inline or shared string
  bool allTextFormat = true;                   // every cell styled with the "@" number format
};

inline SheetCells readSheet(const std::string& workbook, int sheet = 1) {
  SheetCells out;
  std::string styles = zipPart(workbook, "xl/styles.xml");
  std::string xml = zipPart(workbook, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
  // Style indexes whose number format is "@": Excel's built-in 49 or a custom one.
  std::vector<std::string> textFormats{"49"};
  std::regex customPattern("<numFmt numFmtId=\"(\\d+)\" formatCode=\"@\"");
  for (auto it = std::sregex_iterator(styles.begin(), styles.end(), customPattern); it != std::sregex_iterator(); ++it)
    textFormats.push_back((*it)[1]);
  std::vector<bool> textStyle;
  auto xfsAt = styles.find("<cellXfs");
  std::regex xfPattern("<xf [^>]*?numFmtId=\"(\\d+)\"");
  for (auto it =
           std::sregex_iterator(styles.begin() + (xfsAt == std::string::npos ? 0 : xfsAt), styles.end(), xfPattern);
       it != std::sregex_iterator(); ++it)
    textStyle.push_back(std::find(textFormats.begin(), textFormats.end(), (*it)[1].str()) != textFormats.end());

  std::regex rowPattern("<row [^>]*>(.*?)</row>");
  std::regex cellPattern("<c r=\"[A-Z]+\\d+\"( s=\"(\\d+)\")?( t=\"(\\w+)\")?\\s*(/>|>(.*?)</c>)");
  std::regex textPattern("<t[^>]*>(.*?)</t>");
  for (auto r = std::sregex_iterator(xml.begin(), xml.end(), rowPattern); r != std::sregex_iterator(); ++r) {
    std::string rowXml = (*r)[1];
    std::vector<std::string> cells;
    for (auto c = std::sregex_iterator(rowXml.begin(), rowXml.end(), cellPattern); c != std::sregex_iterator(); ++c) {
      std::string style = (*c)[2], type = (*c)[4], inner = (*c)[6];
      std::smatch t;
      std::string text = std::regex_search(inner, t, textPattern) ? xmlUnescape(t[1]) : "";
      if (!(type == "inlineStr" || type == "s" || (type.empty() && inner.empty()))) out.allText = false;
      std::size_t s = style.empty() ? 0 : std::stoul(style);
      if (s >= textStyle.size() || !textStyle[s]) out.allTextFormat = false;
      cells.push_back(text);
    }
    out.rows.push_back(cells);
  }
  return out;
}

}  // namespace tessary::testing
