#include "net/MapServiceClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "net/HeaderLines.h"
#include "net/TextServices.h"

namespace tessary {
namespace {

using Clock = std::chrono::steady_clock;

struct DefaultLine {
  std::string_view name;
  std::string_view line;
};

// Added, in this order, when the caller's block has no line of that name.
constexpr std::array<DefaultLine, 6> kDefaultLines{{
    {"User-Agent", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept", "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding", "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language", "Accept-Language: zh-cn\r\n"},
    {"Content-Type", "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control", "Cache-Control: no-cache\r\n"},
}};

struct CurlGlobal {
  bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
};

bool curlAvailable() {
  static CurlGlobal global;
  return global.ok;
}

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
  void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// Everything the transfer callbacks fill in. The body is gathered in chunks so that memory
// never holds more than the body and one chunk, however large the body grows.
struct Transfer {
  static constexpr std::size_t kChunk = 1u << 20;
  std::vector<std::string> chunks;
  std::size_t bodySize = 0;
  std::string headers;
  int status = 0;
  bool statusLine = false;
  bool overCap = false;
  std::size_t cap = 0;
  Clock::time_point lastActivity = Clock::now();

  std::string takeBody() {
    std::string body;
    body.reserve(bodySize);
    for (auto& chunk : chunks) {
      body.append(chunk);
      std::string().swap(chunk);
    }
    return body;
  }
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  t->lastActivity = Clock::now();
  if (t->bodySize + n > t->cap) {
    t->overCap = true;
    std::vector<std::string>().swap(t->chunks);
    return 0;  // aborts the transfer
  }
  if (t->chunks.empty() || t->chunks.back().size() + n > Transfer::kChunk) {
    t->chunks.emplace_back();
    t->chunks.back().reserve(std::max(n, std::min(Transfer::kChunk, t->cap)));
  }
  t->chunks.back().append(data, n);
  t->bodySize += n;
  return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  t->lastActivity = Clock::now();
  std::string_view line(data, n);
  if (line.starts_with("HTTP/")) {  // a new response (after a redirect or a 100 Continue)
    t->headers.clear();
    t->statusLine = true;
    auto space = line.find(' ');
    t->status = space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
  }
  t->headers.append(line);
  return n;
}

bool methodKnown(std::string_view m) { return m == "GET" || m == "POST" || m == "HEAD" || m == "PUT"; }

bool urlSplits(const std::string& url) {
  if (url.find_first_of(std::string_view(" \r\n\t\0", 5)) != std::string::npos) return false;
  std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
  if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  char* scheme = nullptr;
  char* host = nullptr;
  bool ok = curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(u.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host &&
            (std::string_view(scheme) == "http" || std::string_view(scheme) == "https");
  curl_free(scheme);
  curl_free(host);
  return ok;
}

WebResponse failed(WebResponse res, int code) {
  res.error = code;
  res.errorMessage = webErrorMessage(code);
  return res;
}

}  // namespace

std::string_view webErrorMessage(int code) {
  switch (code) {
    case 700: return "700 当前系统不支持WinHttp服务!";
    case 701: return "701 解析URL地址失败!";
    case 702: return "702 创建WinHttp会话失败!";
    case 703: return "703 创建WinHttp连接失败!";
    case 704: return "704 创建WinHttp请求失败!";
    case 705: return "705 设置超时时间失败!";
    case 707: return "707 设置代理凭证失败!";
    case 708: return "708 禁止自动设置Cookies失败!";
    case 709: return "709 重定向设置失败!";
    case 710: return "710 设置协议头失败!";
    case 711: return "711 发送请求失败!";
    case 712: return "712 服务器未响应!";
    case 713: return "713 读取数据失败!";
  }
  return {};
}

std::string completeHeaders(std::string_view callerHeaders, std::string_view cookies) {
  std::string block(callerHeaders);
  if (!block.empty() && !block.ends_with("\r\n")) block += "\r\n";
  const auto names = headerNames(block);
  for (const auto& d : kDefaultLines)
    if (!containsName(names, d.name)) block += d.line;
  if (!cookies.empty()) {
    block += "Cookie: ";
    block += cookies;
    block += "\r\n";
  }
  return block;
}

WebResponse MapServiceClient::fetch(const WebRequest& req) {
  WebResponse res;
  if (!curlAvailable()) return failed(std::move(res), 700);
  if (!urlSplits(req.url)) return failed(std::move(res), 701);
  if (!methodKnown(req.method)) return failed(std::move(res), 704);
  // A malformed block could smuggle extra headers or a second request: nothing is sent.
  if (!headerBlockValid(req.headers) || !headerValueValid(req.cookies)) return failed(std::move(res), 710);

  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!easy || !multi) return failed(std::move(res), 702);
  CURL* h = easy.get();

  Transfer t;
  t.cap = req.maxBodyBytes;
  curl_easy_setopt(h, CURLOPT_URL, req.url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);

  if (req.method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (req.method == "POST" || req.method == "PUT") {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(req.body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, req.body.data());
    if (req.method == "PUT") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PUT");
  }

  const long connectMs = std::max(1, req.timeouts.resolveMs) + std::max(1, req.timeouts.connectMs);
  if (curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs) != CURLE_OK) return failed(std::move(res), 705);

  // An empty proxy also keeps proxies from the environment out of the exchange.
  std::string proxy = req.proxy.empty() ? "" : "http://" + req.proxy;
  if (curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str()) != CURLE_OK) return failed(std::move(res), 702);
  if (!req.proxyUser.empty() &&
      (curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, req.proxyUser.c_str()) != CURLE_OK ||
       curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, req.proxyPassword.c_str()) != CURLE_OK))
    return failed(std::move(res), 707);

  // Cookies travel only in the header lines built here; libcurl's cookie engine stays off.
  if (curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, req.forbidRedirect ? 0L : 1L) != CURLE_OK ||
      curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L) != CURLE_OK)
    return failed(std::move(res), 709);

  std::unique_ptr<curl_slist, ListDeleter> list;
  for (const auto& line : splitHeaderLines(completeHeaders(req.headers, req.cookies))) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return failed(std::move(res), 710);
    list.release();
    list.reset(grown);
  }
  curl_slist* grown = curl_slist_append(list.get(), "Expect:");  // no 100-continue round trip
  if (!grown) return failed(std::move(res), 710);
  list.release();
  list.reset(grown);
  if (curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get()) != CURLE_OK) return failed(std::move(res), 710);

  if (curl_multi_add_handle(multi.get(), h) != CURLM_OK) return failed(std::move(res), 704);

  // Driven step by step so that a cancel or a silent server is noticed within 100 ms.
  enum class Stop { None, Cancelled, SendTimeout, ReceiveTimeout } stop = Stop::None;
  CURLcode result = CURLE_OK;
  const auto started = Clock::now();
  while (true) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    int queued = 0;
    if (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued); msg && msg->msg == CURLMSG_DONE) {
      result = msg->data.result;
      break;
    }
    if (req.cancel && req.cancel->load()) {
      stop = Stop::Cancelled;
      break;
    }
    curl_off_t connectedUs = 0;
    curl_easy_getinfo(h, CURLINFO_PRETRANSFER_TIME_T, &connectedUs);
    if (connectedUs > 0) {
      const auto now = Clock::now();
      curl_off_t sent = 0;
      curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &sent);
      bool sending = static_cast<std::size_t>(sent) < req.body.size() && !t.statusLine;
      const auto connectedAt = started + std::chrono::microseconds(connectedUs);
      const auto quietSince = std::max(connectedAt, t.lastActivity);
      const auto limit = std::chrono::milliseconds(sending ? req.timeouts.sendMs : req.timeouts.receiveMs);
      if (now - quietSince > limit) {
        stop = sending ? Stop::SendTimeout : Stop::ReceiveTimeout;
        break;
      }
    }
    curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
  }
  curl_multi_remove_handle(multi.get(), h);

  res.headers = std::move(t.headers);
  res.status = t.status;
  if (stop == Stop::Cancelled) {
    res.cancelled = true;
    return failed(std::move(res), t.statusLine ? 713 : 712);
  }
  if (stop == Stop::SendTimeout) return failed(std::move(res), 711);
  if (stop == Stop::ReceiveTimeout) return failed(std::move(res), t.statusLine ? 713 : 712);
  if (result != CURLE_OK) {
    if (t.statusLine || t.overCap) return failed(std::move(res), 713);
    switch (result) {
      case CURLE_UNSUPPORTED_PROTOCOL:
      case CURLE_URL_MALFORMAT:
        return failed(std::move(res), 701);
      case CURLE_GOT_NOTHING:
      case CURLE_RECV_ERROR:
      case CURLE_PARTIAL_FILE:
      case CURLE_WEIRD_SERVER_REPLY:
        return failed(std::move(res), 712);
      default:  // unresolvable host, refused connection, TLS handshake, connect timeout
        return failed(std::move(res), 711);
    }
  }

  for (const auto& line : splitHeaderLines(res.headers)) {
    if (auto value = headerValue(line, "Set-Cookie")) {
      auto pair = value->substr(0, value->find(';'));
      while (!pair.empty() && pair.back() == ' ') pair.remove_suffix(1);
      if (pair.empty()) continue;
      if (!res.cookies.empty()) res.cookies += "; ";
      res.cookies.append(pair);
    } else if (auto target = headerValue(line, "Location"); target && res.location.empty()) {
      res.location.assign(*target);
    }
  }
  res.body = pageToUtf8(t.takeBody());
  return res;
}

std::string MapServiceClient::mergeCookies(std::string_view older, std::string_view newer) {
  struct Cookie {
    std::string name;
    std::string pair;  // "name=value" as written
  };
  std::vector<Cookie> merged;
  auto take = [&](std::string_view text) {
    while (!text.empty()) {
      auto semi = text.find(';');
      std::string_view pair = text.substr(0, semi);
      text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
      while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
      while (!pair.empty() && pair.back() == ' ') pair.remove_suffix(1);
      if (pair.empty()) continue;
      std::string name(pair.substr(0, pair.find('=')));
      auto it = std::find_if(merged.begin(), merged.end(), [&](const Cookie& c) { return c.name == name; });
      if (it != merged.end())
        it->pair = pair;
      else
        merged.push_back({std::move(name), std::string(pair)});
    }
  };
  take(older);
  take(newer);
  std::string out;
  for (const auto& c : merged) {
    if (c.pair == c.name + "=deleted") continue;
    if (!out.empty()) out += "; ";
    out += c.pair;
  }
  return out;
}

}  // namespace tessary
