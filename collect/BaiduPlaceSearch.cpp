// Baidu: a city lookup on the map site turns the city name into Baidu's city code, then the
// map API's place search returns 10 places a page for that code. Both replies are script
// callbacks read with patterns.

#include <map>

#include "collect/Exchange.h"
#include "net/PatternMatcher.h"
#include "net/TextServices.h"

namespace tessary {

using namespace collect_detail;

namespace {

constexpr const char* kCityCodePattern = "\"cname\":\".*?\",\"code\":(\\d+),";
constexpr const char* kPlacePattern =
    "\"markv\":.*?},\"name\":\"(.*?)\",.*?\"phone\":\"(.*?)\",\"poi_address\":\"(.*?)\","
    "\"point\":{\"x\":(.*?),\"y\":(.*?)},.*?\"tag\":\"(.*?)\".*?\"ty\":.*?,\"uid\":\"(.*?)\"";
// Every entry carries one "uid", read or not.
constexpr const char* kEntryMark = "\"uid\":\"";
// The map sites answer a too-eager client with a status instead of results.
constexpr const char* kRateLimitPattern = "\"status\":(40[12]),";
constexpr const char* kPlaceCallback = "BMap._rd._cbk11996";

// A reply is the callback we named wrapped around an object, or the bare object.
ReplyCheck checkReply(const std::string& body, const char* callback) {
  PatternMatcher limited;
  limited.run(kRateLimitPattern, body, false, false, false);
  if (limited.count() > 0) return {ReplyCheck::Kind::RateLimited, {}};
  std::string start = trimmed(body.substr(0, 64));
  if (body.find(callback) != std::string::npos || start.starts_with("{"))
    return {ReplyCheck::Kind::Good, {}};
  return {ReplyCheck::Kind::Unreadable, {}};
}

class BaiduPlaceSearch : public PlaceSearch {
 public:
  explicit BaiduPlaceSearch(SearchSettings settings) : settings_(std::move(settings)) {}

  MapSource source() const override { return MapSource::Baidu; }
  std::size_t pageSize() const override { return 10; }

  SearchResult openCity(const std::string& cityLine) override {
    SearchResult result;
    const std::string name = cityName(cityLine);
    if (codes_.count(name)) return result;
    if (name.empty()) {
      result.outcome = SearchResult::Outcome::NoCity;
      return result;
    }
    Exchange ex = exchange(Service::BaiduMap, baiduCityLookupRequest(name, timeStamp()), settings_,
                           [](const std::string& body) { return checkReply(body, "setCurrentCity"); });
    result.requests = ex.requests;
    result.outcome = ex.outcome;
    result.message = ex.message;
    if (!result.ok()) return result;
    auto code = readBaiduCityCode(ex.body);
    if (!code) {
      result.outcome = SearchResult::Outcome::NoCity;
      return result;
    }
    codes_[name] = *code;
    return result;
  }

  SearchResult search(const std::string& cityLine, const std::string& keyword, int page) override {
    SearchResult opened = openCity(cityLine);
    if (!opened.ok()) return opened;
    const std::string name = cityName(cityLine);
    Exchange ex = exchange(Service::BaiduApi, baiduPlaceRequest(codes_[name], keyword, page),
                           settings_,
                           [](const std::string& body) { return checkReply(body, kPlaceCallback); });
    SearchResult result = pageResult(ex, [&](const std::string& body) { return readBaiduPlaces(body, name); });
    result.requests += opened.requests;
    return result;
  }

 private:
  SearchSettings settings_;
  std::map<std::string, std::string> codes_;  // city name -> Baidu city code
};

}  // namespace

WebRequest baiduCityLookupRequest(std::string_view cityName, std::string_view time) {
  WebRequest request;
  request.url = serviceUrl(Service::BaiduMap,
                           "/?newmap=1&qt=cur&callback=setCurrentCity&ie=utf-8&wd=" +
                               urlEncode(cityName) + "&oue=1&res=jc&t=" + std::string(time));
  request.headers = hostLine(Service::BaiduMap) + "\r\n" + kServiceUserAgentLine + "\r\n" +
                    "Referer: https://" + std::string(publicHost(Service::BaiduApi)) +
                    "/lbsapi/getpoint/index.html\r\n";
  return request;
}

WebRequest baiduPlaceRequest(std::string_view cityCode, std::string_view keyword, int page) {
  WebRequest request;
  // The service counts pages from 0.
  request.url = serviceUrl(Service::BaiduApi, "/?qt=s&c=" + urlEncode(cityCode) + "&wd=" +
                                                  urlEncode(keyword) + "&rn=10&pn=" +
                                                  std::to_string(page - 1) +
                                                  "&ie=utf-8&oue=1&res=api&callback=" +
                                                  kPlaceCallback);
  request.headers = hostLine(Service::BaiduApi) + "\r\n" + kServiceUserAgentLine + "\r\n";
  return request;
}

std::optional<std::string> readBaiduCityCode(std::string_view body) {
  PatternMatcher m;
  m.run(kCityCodePattern, body, false, false, false);
  if (m.count() == 0) return std::nullopt;
  return m.groupText(0, 0);
}

SearchResult readBaiduPlaces(std::string_view body, const std::string& cityName) {
  SearchResult result;
  PatternMatcher m;
  m.run(kPlacePattern, body);
  for (int i = 0; i < m.count(); ++i) {
    PlaceRecord r;
    r.title = decodeEscapes(m.groupText(i, 0));
    r.phone = decodeEscapes(m.groupText(i, 1));
    r.address = decodeEscapes(m.groupText(i, 2));
    r.coordinate = coordinateCell(decodeEscapes(m.groupText(i, 3)), decodeEscapes(m.groupText(i, 4)));
    r.trade = decodeEscapes(m.groupText(i, 5));
    r.serviceId = decodeEscapes(m.groupText(i, 6));
    r.area = cityName;  // the reply names no area; the searched city is where the place lies
    result.places.push_back(std::move(r));
  }
  result.entries = std::max(result.places.size(), occurrences(body, kEntryMark));
  return result;
}

namespace collect_detail {
std::unique_ptr<PlaceSearch> makeBaiduSearch(SearchSettings settings) {
  return std::make_unique<BaiduPlaceSearch>(std::move(settings));
}
}  // namespace collect_detail

}  // namespace tessary
