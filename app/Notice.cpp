#include "app/Notice.h"

#include "net/MapServiceClient.h"
#include "net/PatternMatcher.h"
#include "net/ServiceAddress.h"

namespace tessary::app {

std::optional<Notice> parseNotice(std::string_view body) {
  PatternMatcher matcher;
  if (!matcher.run("@1(.*?)#1(.*?)@1", body, false, false, false) || matcher.count() < 1) return std::nullopt;
  return Notice{matcher.groupText(0, 0), matcher.groupText(0, 1)};
}

std::string noticeUrl() {
  return serviceUrl(Service::Maker, "/notice.txt");
}

NoticeFetcher::~NoticeFetcher() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void NoticeFetcher::start(std::string url) {
  if (worker_.joinable()) return;
  worker_ = std::thread([this, url = std::move(url)] {
    WebRequest request;
    request.url = url;
    request.method = "GET";
    request.headers = hostLine(Service::Maker) + "\r\n" + kServiceUserAgentLine;
    request.timeouts.resolveMs = 5'000;
    request.timeouts.connectMs = 5'000;
    request.timeouts.receiveMs = 10'000;
    request.maxBodyBytes = 1u << 20;  // a notice is one line; never hold a huge reply
    request.cancel = &cancel_;
    WebResponse response = MapServiceClient::fetch(request);
    if (response.ok() && !response.cancelled && response.status / 100 == 2) {
      auto notice = parseNotice(response.body);
      std::lock_guard lock(mutex_);
      notice_ = std::move(notice);
    }
    finished_ = true;
  });
}

std::optional<Notice> NoticeFetcher::result() const {
  std::lock_guard lock(mutex_);
  return notice_;
}

}  // namespace tessary::app
