#include "app/ProfileFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessary::app {
namespace {

struct Line {
  std::string_view text;  // without its line end
  std::string_view end;   // "\r\n", "\n" or "" on the last line
};

std::vector<Line> splitLines(std::string_view all) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t nl = all.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines.push_back({all.substr(pos), {}});
      break;
    }
    std::size_t textEnd = (nl > pos && all[nl - 1] == '\r') ? nl - 1 : nl;
    lines.push_back({all.substr(pos, textEnd - pos), all.substr(textEnd, nl + 1 - textEnd)});
    pos = nl + 1;
  }
  return lines;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// "[name]" lines open a section; the name is what stands between the brackets.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

// "name=value" lines are entries; comment lines never are.
std::optional<std::string_view> entryName(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return trim(line.substr(0, eq));
}

std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult readAll(const std::string& path, std::string& out) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? ReadResult::Failed : ReadResult::Missing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadResult::Failed;
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) return ReadResult::Failed;
  out = std::move(buf).str();
  return ReadResult::Ok;
}

bool replaceFile(const std::string& path, const std::string& content) {
#ifdef _WIN32
  std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
#else
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());  // created readable and writable by its owner only
  if (fd < 0) return false;
  bool ok = fchmod(fd, S_IRUSR | S_IWUSR) == 0;
  std::size_t done = 0;
  while (ok && done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  std::string dir = std::filesystem::path(path).parent_path().string();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    ::close(dfd);
  }
  return true;
#endif
}

}  // namespace

std::optional<std::string> readProfileString(const std::string& path, std::string_view section, std::string_view key) {
  std::string all;
  if (readAll(path, all) != ReadResult::Ok) return std::nullopt;
  bool inSection = false;
  for (const Line& line : splitLines(all)) {
    if (auto name = sectionName(line.text)) {
      if (inSection) return std::nullopt;  // only the first section of that name counts
      inSection = sameName(*name, section);
      continue;
    }
    if (!inSection) continue;
    if (auto name = entryName(line.text); name && sameName(*name, key)) {
      std::string_view value = line.text.substr(line.text.find('=') + 1);
      return std::string(unquote(trim(value)));
    }
  }
  return std::nullopt;
}

std::string profileValueText(std::string_view value) {
  std::string clean;
  clean.reserve(value.size() + 2);
  for (char c : value)
    if (c != '\r' && c != '\n') clean.push_back(c);
  bool needsQuotes =
      !clean.empty() && (isBlank(clean.front()) || isBlank(clean.back()) || unquote(clean).size() != clean.size());
  return needsQuotes ? '"' + clean + '"' : clean;
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::string all;
  ReadResult read = readAll(path, all);
  // A file we cannot read may hold anything; rewriting it from nothing would lose it.
  if (read == ReadResult::Failed) return false;

#ifdef _WIN32
  std::string eol = "\r\n";
#else
  std::string eol = "\n";
#endif
  if (std::size_t nl = all.find('\n'); nl != std::string::npos) eol = (nl > 0 && all[nl - 1] == '\r') ? "\r\n" : "\n";

  const std::string entry = std::string(key) + "=" + profileValueText(value);
  std::vector<Line> lines = splitLines(all);

  std::size_t sectionLine = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = sectionName(lines[i].text); name && sameName(*name, section)) {
      sectionLine = i;
      break;
    }
  }

  std::string out;
  out.reserve(all.size() + entry.size() + section.size() + 8);
  auto append = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      out.append(lines[i].text);
      out.append(lines[i].end);
    }
  };

  if (sectionLine == lines.size()) {
    out = all;
    if (!out.empty() && out.back() != '\n') out += eol;
    out += "[" + std::string(section) + "]" + eol + entry + eol;
    return replaceFile(path, out);
  }

  std::size_t sectionEnd = sectionLine + 1;
  while (sectionEnd < lines.size() && !sectionName(lines[sectionEnd].text)) ++sectionEnd;

  for (std::size_t i = sectionLine + 1; i < sectionEnd; ++i) {
    if (auto name = entryName(lines[i].text); name && sameName(*name, key)) {
      append(0, i);
      // Keep the entry name as the file spells it; only the value changes.
      out.append(lines[i].text.substr(0, lines[i].text.find('=') + 1));
      out.append(profileValueText(value));
      out.append(lines[i].end.empty() && i + 1 < lines.size() ? std::string_view(eol) : lines[i].end);
      append(i + 1, lines.size());
      return replaceFile(path, out);
    }
  }

  // A new entry goes after the section's last non-blank line.
  std::size_t insertAt = sectionEnd;
  while (insertAt > sectionLine + 1 && trim(lines[insertAt - 1].text).empty()) --insertAt;
  append(0, insertAt);
  if (!out.empty() && out.back() != '\n') out += eol;
  out += entry + eol;
  append(insertAt, lines.size());
  return replaceFile(path, out);
}

}  // namespace tessary::app
