#pragma once
// One place request sent with the service's pacing, rate-limit replies waited out and
// retried, and the reply sorted into good, refused or unreadable. Shared by the three
// searches.

#include <functional>
#include <memory>
#include <string>

#include "collect/PlaceSearch.h"
#include "net/ServiceAddress.h"

namespace tessary::collect_detail {

struct ReplyCheck {
  enum class Kind { Good, RateLimited, KeyRefused, Refused, Unreadable };
  Kind kind = Kind::Good;
  std::string message;  // the service's reason, when it gives one
};

struct Exchange {
  SearchResult::Outcome outcome = SearchResult::Outcome::Ok;
  std::string body;
  std::string message;
  int requests = 0;
};

inline constexpr const char* kUnreadableReply = "服务器回复无法识别";
inline constexpr const char* kRateLimitedForGood = "请求过于频繁，重试后仍被服务器拒绝";
std::string httpErrorText(int status);  // "服务器返回错误(HTTP 500)"

Exchange exchange(Service service, WebRequest request, const SearchSettings& settings,
                  const std::function<ReplyCheck(const std::string& body)>& check);

// A page's result from its exchange: the places read from a good reply, the outcome, message
// and request count of the exchange in every case.
template <class ReadPlaces>
SearchResult pageResult(const Exchange& ex, ReadPlaces&& readPlaces) {
  SearchResult result;
  if (ex.outcome == SearchResult::Outcome::Ok) result = readPlaces(ex.body);
  result.outcome = ex.outcome;
  result.message = ex.message;
  result.requests = ex.requests;
  return result;
}

std::unique_ptr<PlaceSearch> makeBaiduSearch(SearchSettings settings);
std::unique_ptr<PlaceSearch> makeAmapSearch(SearchSettings settings);
std::unique_ptr<PlaceSearch> makeTencentSearch(SearchSettings settings);

// Blanks (spaces, tabs, the ideographic space) trimmed from both ends.
std::string trimmed(std::string_view text);

// How often needle occurs in text, without overlaps.
std::size_t occurrences(std::string_view text, std::string_view needle);

}  // namespace tessary::collect_detail
