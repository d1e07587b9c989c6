#include "net/InetClient.h"

#include <curl/curl.h>

#include <memory>

#include "net/HeaderLines.h"
#include "net/TextServices.h"

namespace tessary {
namespace {

struct Collected {
  std::string body;
  std::string headers;
  std::size_t cap = 0;
  const std::atomic<bool>* cancel = nullptr;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* c = static_cast<Collected*>(user);
  size_t n = size * count;
  if (c->body.size() + n > c->cap) return 0;
  c->body.append(data, n);
  return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* c = static_cast<Collected*>(user);
  std::string_view line(data, size * count);
  if (line.starts_with("HTTP/")) c->headers.clear();
  c->headers.append(line);
  return line.size();
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* c = static_cast<Collected*>(user);
  return c->cancel && c->cancel->load() ? 1 : 0;
}

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

std::string completeInetHeaders(std::string_view callerHeaders, std::string_view cookies,
                                std::string_view referer) {
  std::string block;
  if (callerHeaders.empty()) {
    block = "Accept: */*";
  } else {
    block = callerHeaders;
    const auto names = headerNames(block);
    if (!containsName(names, "Accept")) block += "\r\nAccept: */*";
    if (!containsName(names, "Referer")) block.append("\r\nReferer: ").append(referer);
    if (!containsName(names, "Accept-Language")) block += "\r\nAccept-Language: zh-cn";
    if (!containsName(names, "Content-Type")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  // The caller's cookies are sent even with an empty block, where they would otherwise be lost.
  if (!cookies.empty() && !containsName(headerNames(block), "Cookie")) block.append("\r\nCookie: ").append(cookies);
  return block;
}

InetResponse inetFetch(const WebRequest& request) {
  InetResponse res;
  if (!headerBlockValid(request.headers) || !headerValueValid(request.cookies)) return res;
  if (!(request.url.starts_with("http://") || request.url.starts_with("https://"))) return res;
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return res;
  CURL* h = easy.get();

  Collected c;
  c.cap = request.maxBodyBytes;
  c.cancel = request.cancel;
  std::string block = completeInetHeaders(request.headers, request.cookies, request.url);
  std::unique_ptr<curl_slist, ListDeleter> list;
  for (const auto& line : splitHeaderLines(block)) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return res;
    list.release();
    list.reset(grown);
  }
  const bool callerAgent = containsName(headerNames(request.headers), "User-Agent");
  const std::string agent(kInetAgent);
  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  if (!callerAgent) curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &c);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &c);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &c);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  // This path has no timeout settings of its own; these keep a silent server from hanging it.
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, 20'000L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 30L);
  if (request.method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (request.method == "POST" || request.method == "PUT") {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    if (request.method == "PUT") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PUT");
  }
  if (curl_easy_perform(h) != CURLE_OK) return res;
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  res.ok = true;
  res.status = static_cast<int>(status);
  res.headers = std::move(c.headers);
  res.body = pageToUtf8(std::move(c.body));
  return res;
}

}  // namespace tessary
