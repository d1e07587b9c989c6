#include "net/TextServices.h"

#include <iconv.h>
#include <re2/re2.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <thread>

namespace tessary {
namespace {

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at text[pos]; -1 when they are not there.
long hex4(std::string_view text, std::size_t pos) {
  if (pos + 4 > text.size()) return -1;
  long v = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    int d = hexValue(text[pos + k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the whole input; a byte that cannot be converted is replaced and skipped.
  std::string convert(std::string_view in, std::string_view replacement) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
      char* dst = buf;
      std::size_t dstLeft = sizeof buf;
      std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a broken or cut-off sequence): mark it and go on.
        out.append(replacement);
        ++src;
        --srcLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, dst - buf);
    return out;
  }

 private:
  iconv_t cd_;
};

std::mutex g_pumpMutex;
std::function<void()> g_pump;
std::thread::id g_pumpThread;  // the pump belongs to the thread that registered it

}  // namespace

std::string decodeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char e = text[i + 1];
    switch (e) {
      case '"': case '\\': case '/': case '\'': out += e; ++i; continue;
      case 'b': out += '\b'; ++i; continue;
      case 'f': out += '\f'; ++i; continue;
      case 'n': out += '\n'; ++i; continue;
      case 'r': out += '\r'; ++i; continue;
      case 't': out += '\t'; ++i; continue;
      case 'u': break;
      default: out += c; continue;
    }
    long unit = hex4(text, i + 2);
    if (unit < 0) {
      out += c;
      continue;
    }
    i += 5;
    char32_t cp = static_cast<char32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      long low = (i + 2 < text.size() && text[i + 1] == '\\' && text[i + 2] == 'u') ? hex4(text, i + 3) : -1;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 6;
      } else {
        cp = 0xFFFD;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

std::string restoreQuotes(std::string_view text) {
  static constexpr std::string_view marker = "#引号";
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(marker, from)) != std::string_view::npos; from = at + marker.size()) {
    out.append(text.substr(from, at - from));
    out += '"';
  }
  out.append(text.substr(from));
  return out;
}

std::string localToUtf8(std::string_view local) {
  Iconv cv("UTF-8", "CP936");
  return cv.valid() ? cv.convert(local, "\xEF\xBF\xBD") : std::string(local);
}

std::string utf8ToLocal(std::string_view utf8) {
  Iconv cv("CP936", "UTF-8");
  return cv.valid() ? cv.convert(utf8, "?") : std::string(utf8);
}

bool decodeCharset(std::string_view bytes, const std::string& from, std::string& utf8) {
  Iconv cv("UTF-8", from.c_str());
  if (!cv.valid()) return false;
  utf8 = cv.convert(bytes, "\xEF\xBF\xBD");
  return true;
}

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = s[i];
    if (c < 0x80) { ++i; continue; }
    int len = (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (!len || i + len > n) return false;
    unsigned char c1 = s[i + 1];
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
      return false;
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

std::string pageToUtf8(std::string bytes) {
  static const RE2 charsetPattern = [] {
    RE2::Options o;
    o.set_encoding(RE2::Options::EncodingLatin1);
    o.set_case_sensitive(false);
    o.set_log_errors(false);
    return RE2("<meta.+?charset=[^\\w]?([-\\w]+)", o);
  }();
  std::string declared;
  if (RE2::PartialMatch(bytes, charsetPattern, &declared)) {
    std::transform(declared.begin(), declared.end(), declared.begin(), [](unsigned char c) { return std::tolower(c); });
    if (declared == "gbk" || declared == "gb2312") return localToUtf8(bytes);
    std::string text;
    if (declared == "utf-8" || declared == "utf8") {
      if (isValidUtf8(bytes)) return bytes;
      decodeCharset(bytes, "UTF-8", text);
      return text;
    }
    if (decodeCharset(bytes, declared, text)) return text;
  }
  // No (known) declaration: the services' JSON replies are UTF-8; older pages are GBK.
  return isValidUtf8(bytes) ? bytes : localToUtf8(bytes);
}

std::string urlEncode(std::string_view text) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '_' || c == '.' || c == '~';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 0xF];
    }
  }
  return out;
}

std::string timeStamp() {
  // time() counts from the Unix epoch in UTC whatever the machine's time zone.
  return std::to_string(static_cast<long long>(std::time(nullptr)));
}

void setMessagePump(std::function<void()> pump) {
  std::lock_guard lock(g_pumpMutex);
  g_pump = std::move(pump);
  g_pumpThread = std::this_thread::get_id();
}

bool pauseWithMessages(int ms, const std::atomic<bool>* stop) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(ms);
  std::function<void()> pump;
  {
    std::lock_guard lock(g_pumpMutex);
    if (g_pumpThread == std::this_thread::get_id()) pump = g_pump;
  }
  while (true) {
    if (stop && stop->load()) return false;
    auto now = clock::now();
    if (now >= end) return true;
    if (pump) pump();
    std::this_thread::sleep_for(std::min<clock::duration>(end - now, std::chrono::milliseconds(10)));
  }
}

}  // namespace tessary
