#include "collect/Exchange.h"

#include <utility>

#include "coords/Pacer.h"
#include "net/TextServices.h"

namespace tessary::collect_detail {

std::string httpErrorText(int status) {
  return "服务器返回错误(HTTP " + std::to_string(status) + ")";
}

std::size_t occurrences(std::string_view text, std::string_view needle) {
  if (needle.empty()) return 0;
  std::size_t n = 0;
  for (auto at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

Exchange exchange(Service service, WebRequest request, const SearchSettings& settings,
                  const std::function<ReplyCheck(const std::string& body)>& check) {
  using Outcome = SearchResult::Outcome;
  request.cancel = settings.cancel;
  request.timeouts = settings.timeouts;
  auto stopped = [&] { return settings.cancel && settings.cancel->load(); };
  Pacer& pacer = Pacer::forService(service);
  Exchange result;
  for (int attempt = 0;; ++attempt) {
    if (!pacer.waitTurn(settings.cancel)) {
      result.outcome = Outcome::Stopped;
      return result;
    }
    ++result.requests;
    WebResponse response = MapServiceClient::fetch(request);
    if (response.cancelled || stopped()) {
      result.outcome = Outcome::Stopped;
      return result;
    }
    if (!response.ok()) {
      result.outcome = Outcome::Failed;
      result.message = response.errorMessage;
      return result;
    }
    ReplyCheck verdict;
    if (response.status == 429 || response.status == 503) {
      verdict.kind = ReplyCheck::Kind::RateLimited;
    } else if (response.status != 200) {
      result.outcome = Outcome::Failed;
      result.message = httpErrorText(response.status);
      return result;
    } else {
      verdict = check(response.body);
    }
    switch (verdict.kind) {
      case ReplyCheck::Kind::Good:
        result.outcome = Outcome::Ok;
        result.body = std::move(response.body);
        return result;
      case ReplyCheck::Kind::KeyRefused:
        result.outcome = Outcome::KeyRefused;
        result.message = verdict.message.empty() ? kUnreadableReply : verdict.message;
        return result;
      case ReplyCheck::Kind::Refused:
        result.outcome = Outcome::Failed;
        result.message = verdict.message.empty() ? kUnreadableReply : verdict.message;
        return result;
      case ReplyCheck::Kind::Unreadable:
        result.outcome = Outcome::Failed;
        result.message = kUnreadableReply;
        return result;
      case ReplyCheck::Kind::RateLimited:
        break;
    }
    if (attempt >= RateLimitRetry::kRetries) {
      result.outcome = Outcome::Failed;
      result.message = kRateLimitedForGood;
      return result;
    }
    if (!pauseWithMessages(RateLimitRetry::waitMs(), settings.cancel)) {
      result.outcome = Outcome::Stopped;
      return result;
    }
  }
}

}  // namespace tessary::collect_detail
