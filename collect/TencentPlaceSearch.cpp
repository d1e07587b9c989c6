// Tencent: the location service's place search, 20 places a page, signed with the user's key.
// The reply is indented JSON over many lines; the count pattern and two entry patterns (for
// entries with and without a "pano" object) read it line by line.

#include <algorithm>

#include "collect/Exchange.h"
#include "net/PatternMatcher.h"
#include "net/TextServices.h"

namespace tessary {

using namespace collect_detail;

namespace {

constexpr const char* kCountPattern = "\"count\": (.*?),";
constexpr const char* kStatusPattern = "\"status\": (-?\\d+)";
constexpr const char* kMessagePattern = "\"message\": \"(.*?)\"";
// Every entry has one "title" line, read or not.
constexpr const char* kEntryMark = "\"title\": \"";

struct Line {
  int indent;
  const char* text;
};

std::string joinLines(std::initializer_list<Line> lines) {
  std::string pattern;
  for (const Line& l : lines) pattern += std::string(l.indent, ' ') + l.text + "\n";
  return pattern;
}

// Statuses about the key itself (unknown, not authorised, daily quota), not the request.
bool keyRefused(long status) { return (status >= 110 && status <= 199 && status != 120) || status == 311; }
constexpr long kRateLimited = 120;

ReplyCheck checkReply(const std::string& body) {
  PatternMatcher status;
  status.run(kStatusPattern, body, false, false, false);
  if (status.count() == 0) return {ReplyCheck::Kind::Unreadable, {}};
  long code = 0;
  try {
    code = std::stol(status.groupText(0, 0));
  } catch (const std::exception&) {
    return {ReplyCheck::Kind::Unreadable, {}};
  }
  if (code == 0) return {ReplyCheck::Kind::Good, {}};
  PatternMatcher message;
  message.run(kMessagePattern, body, false, false, false);
  std::string reason = decodeEscapes(message.groupText(0, 0));
  if (reason.empty()) reason = "腾讯服务返回状态 " + std::to_string(code);
  if (code == kRateLimited) return {ReplyCheck::Kind::RateLimited, reason};
  if (keyRefused(code)) return {ReplyCheck::Kind::KeyRefused, reason};
  return {ReplyCheck::Kind::Refused, reason};
}

class TencentPlaceSearch : public PlaceSearch {
 public:
  explicit TencentPlaceSearch(SearchSettings settings) : settings_(std::move(settings)) {}

  MapSource source() const override { return MapSource::Tencent; }
  std::size_t pageSize() const override { return 20; }

  SearchResult openCity(const std::string& cityLine) override {
    SearchResult result;
    if (cityName(cityLine).empty()) result.outcome = SearchResult::Outcome::NoCity;
    return result;
  }

  SearchResult search(const std::string& cityLine, const std::string& keyword, int page) override {
    Exchange ex = exchange(Service::Tencent,
                           tencentPlaceRequest(cityName(cityLine), keyword, page, settings_.key),
                           settings_, checkReply);
    return pageResult(ex, [](const std::string& body) { return readTencentPlaces(body); });
  }

 private:
  SearchSettings settings_;
};

}  // namespace

const std::string& tencentPatternA() {
  static const std::string pattern = joinLines({
      {0, "title\": \"(.*?)\","},
      {12, "\"address\": \"(.*?)\","},
      {12, "\"tel\": \".*?\","},
      {12, "\"category\": \"(.*?)\","},
      {12, "\"type\": 0,"},
      {12, "\"location\": {"},
      {16, "\"lat\": (.*?),"},
      {16, "\"lng\": (.*?)"},
      {12, "},"},
      {12, "\"pano\": {"},
      {16, "\"id\": \".*?\","},
      {16, "\"heading\": null,"},
      {16, "\"pitch\": null,"},
      {16, "\"zoom\": null"},
      {12, "},"},
      {12, "\"ad_info\": {"},
      {16, "\"adcode\": .*?,"},
      {16, "\"province\": \".*?\","},
      {16, "\"city\": \"(.*?)\","},
      {16, "\"district\": \"(.*?)\""},
      {12, "}"},
  });
  return pattern;
}

const std::string& tencentPatternB() {
  static const std::string pattern = joinLines({
      {0, "\"title\": \"(.*?)\","},
      {12, "\"address\": \"(.*?)\","},
      {12, "\"tel\": \" \","},
      {12, "\"category\": \"(.*?)\","},
      {12, "\"type\": 0,"},
      {12, "\"location\": {"},
      {16, "\"lat\": (.*?),"},
      {16, "\"lng\": (.*?)"},
      {12, "},"},
      {12, "\"ad_info\": {"},
      {16, "\"adcode\":.*?,"},
      {16, "\"province\": \".*?\","},
      {16, "\"city\": \"(.*?)\","},
      {16, "\"district\": \"(.*?)\""},
  });
  return pattern;
}

WebRequest tencentPlaceRequest(std::string_view cityName, std::string_view keyword, int page,
                               std::string_view key) {
  WebRequest request;
  request.url = serviceUrl(Service::Tencent,
                           "/ws/place/v1/search?boundary=region(" + urlEncode(cityName) +
                               ",0)&keyword=" + urlEncode(keyword) +
                               "&page_size=20&orderby=_distance&page_index=" +
                               std::to_string(page) + "&key=" + urlEncode(trimmed(key)));
  request.headers = hostLine(Service::Tencent) + "\r\n" + kServiceUserAgentLine + "\r\n";
  return request;
}

SearchResult readTencentPlaces(std::string_view body) {
  SearchResult result;
  PatternMatcher count;
  count.run(kCountPattern, body, false, false, false);
  if (count.count() > 0) {
    try {
      std::size_t used = 0;
      std::string text = count.groupText(0, 0);
      long n = std::stol(text, &used);
      if (used == text.size() && n >= 0) result.totalCount = n;
    } catch (const std::exception&) {
    }
  }
  PatternMatcher a;
  PatternMatcher b;
  a.run(tencentPatternA(), body);
  b.run(tencentPatternB(), body);
  // Both patterns' matches, in the order the reply lists them.
  std::vector<std::pair<long, PlaceRecord>> found;
  for (const PatternMatcher* m : {&a, &b}) {
    for (int i = 0; i < m->count(); ++i) {
      PlaceRecord r;
      r.title = decodeEscapes(m->groupText(i, 0));
      r.address = decodeEscapes(m->groupText(i, 1));
      r.trade = decodeEscapes(m->groupText(i, 2));
      r.coordinate = coordinateCell(decodeEscapes(m->groupText(i, 4)), decodeEscapes(m->groupText(i, 3)));
      std::string city = decodeEscapes(m->groupText(i, 5));
      std::string district = decodeEscapes(m->groupText(i, 6));
      r.area = (district.empty() || district == city) ? city : city + district;
      found.emplace_back(m->matchPosition(i), std::move(r));
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  for (auto& f : found) result.places.push_back(std::move(f.second));
  result.entries = std::max(result.places.size(), occurrences(body, kEntryMark));
  return result;
}

namespace collect_detail {
std::unique_ptr<PlaceSearch> makeTencentSearch(SearchSettings settings) {
  return std::make_unique<TencentPlaceSearch>(std::move(settings));
}
}  // namespace collect_detail

}  // namespace tessary
