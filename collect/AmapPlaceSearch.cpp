// Amap: the web site's place service, 20 places a page, the city named by the administrative
// code that the Amap city picker puts after "|" in the city line.

#include "collect/Exchange.h"
#include "net/PatternMatcher.h"
#include "net/TextServices.h"

namespace tessary {

using namespace collect_detail;

namespace {

constexpr const char* kNoResultMarker = ">0个结果</h5>";
constexpr const char* kPlacePattern =
    "address\":\"(.*?)\",\"cinemazuo_flag\":\"0\",\"diner_flag\":\"0\",\"id\":\".*?\",\"name\":"
    "\"(.*?)\".*?\"location\":{\"lat\":(.*?),\"lng\":(.*?)}.*?pguid\":\"(.*?)\",\"dynamic\":{},"
    "\".*?\"tel\":\"(.*?)\",\".*?cityname\":\"(.*?)\"";
// Every entry carries one "pguid", read or not.
constexpr const char* kEntryMark = "pguid\":\"";
// The site's answer to a client that asks too fast.
constexpr const char* kRateLimitPattern = "^\\s*{\"status\":\"6\"";

// The administrative code after "|", or nothing when the line has none.
std::optional<std::string> adminCode(std::string_view cityLine) {
  auto bar = cityLine.find('|');
  if (bar == std::string_view::npos) return std::nullopt;
  std::string code = trimmed(cityLine.substr(bar + 1));
  if (code.empty()) return std::nullopt;
  return code;
}

ReplyCheck checkReply(const std::string& body) {
  PatternMatcher limited;
  limited.run(kRateLimitPattern, body, false, false, false);
  if (limited.count() > 0) return {ReplyCheck::Kind::RateLimited, {}};
  if (!trimmed(body.substr(0, 64)).starts_with("{") && body.find(kNoResultMarker) == std::string::npos)
    return {ReplyCheck::Kind::Unreadable, {}};
  return {ReplyCheck::Kind::Good, {}};
}

class AmapPlaceSearch : public PlaceSearch {
 public:
  explicit AmapPlaceSearch(SearchSettings settings) : settings_(std::move(settings)) {}

  MapSource source() const override { return MapSource::Amap; }
  std::size_t pageSize() const override { return 20; }

  SearchResult openCity(const std::string& cityLine) override {
    SearchResult result;
    if (!adminCode(cityLine)) result.outcome = SearchResult::Outcome::NoCity;
    return result;
  }

  SearchResult search(const std::string& cityLine, const std::string& keyword, int page) override {
    auto code = adminCode(cityLine);
    if (!code) return openCity(cityLine);
    Exchange ex = exchange(Service::Amap, amapPlaceRequest(*code, keyword, page), settings_,
                           checkReply);
    return pageResult(ex, [&](const std::string& body) { return readAmapPlaces(body, keyword); });
  }

 private:
  SearchSettings settings_;
};

}  // namespace

WebRequest amapPlaceRequest(std::string_view adminCode, std::string_view keyword, int page) {
  WebRequest request;
  request.url = serviceUrl(
      Service::Amap,
      "/service/poiInfo?query_type=TQUERY&pagesize=20&pagenum=" + std::to_string(page) +
          "&qii=true&cluster_state=5&need_utd=true&utd_sceneid=1000&div=PC1000"
          "&addr_poi_merge=true&is_classify=true&city=" +
          urlEncode(adminCode) +
          "&geoobj=104.301235%7C28.621199%7C104.960415%7C28.898995&keywords=" +
          urlEncode(keyword));
  request.headers = hostLine(Service::Amap) + "\r\n" + kServiceUserAgentLine + "\r\n";
  return request;
}

SearchResult readAmapPlaces(std::string_view body, const std::string& keyword) {
  SearchResult result;
  if (body.find(kNoResultMarker) != std::string_view::npos) {
    result.noResults = true;
    return result;
  }
  PatternMatcher m;
  m.run(kPlacePattern, body);
  for (int i = 0; i < m.count(); ++i) {
    PlaceRecord r;
    r.address = decodeEscapes(m.groupText(i, 0));
    r.title = decodeEscapes(m.groupText(i, 1));
    r.coordinate = coordinateCell(decodeEscapes(m.groupText(i, 3)), decodeEscapes(m.groupText(i, 2)));
    r.serviceId = decodeEscapes(m.groupText(i, 4));
    r.phone = decodeEscapes(m.groupText(i, 5));
    r.area = decodeEscapes(m.groupText(i, 6));
    r.trade = keyword;  // the reply names no category; the place was found under the keyword
    result.places.push_back(std::move(r));
  }
  result.entries = std::max(result.places.size(), occurrences(body, kEntryMark));
  return result;
}

namespace collect_detail {
std::unique_ptr<PlaceSearch> makeAmapSearch(SearchSettings settings) {
  return std::make_unique<AmapPlaceSearch>(std::move(settings));
}
}  // namespace collect_detail

}  // namespace tessary
