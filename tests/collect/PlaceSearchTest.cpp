// The three page searches: the exact requests, and what the readers take from a reply and
// what they must leave.

#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "collect/PlaceSearch.h"
#include "collect/PlaceSim.h"
#include "coords/Pacer.h"
#include "support/SimulatorTest.h"

namespace tessary {
namespace {

using testing::configurePlaceKey;
using testing::freshWord;
using testing::MapSim;
using testing::placeLog;

constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/45.0.2454.101 Safari/537.36";

// ---- Readers over small fixtures ----------------------------------------------------------

TEST(BaiduReplies, CityCodeIsTheFirstPairsAndMissingWithoutOne) {
  EXPECT_EQ(readBaiduCityCode("setCurrentCity({\"current_city\":{\"cname\":\"上海市\",\"code\":289,"
                              "\"sup\":1},\"hot\":[{\"cname\":\"北京市\",\"code\":131,\"sup\":1}]})"),
            "289");
  EXPECT_FALSE(readBaiduCityCode("setCurrentCity({\"current_city\":{\"name\":\"无名\",\"sup\":0}})"));
  // "code" must follow "cname" directly and be digits.
  EXPECT_FALSE(readBaiduCityCode("{\"cname\":\"x\",\"sup\":1,\"code\":5,}"));
}

std::string baiduEntry(const std::string& name, const std::string& phone, const std::string& uid) {
  return "{\"addr\":\"a\",\"markv\":{\"l\":1},\"name\":\"" + name + "\",\"navi\":0,\"phone\":\"" +
         phone + "\",\"poi_address\":\"\\u8def1\\u53f7\",\"point\":{\"x\":12958160.97,\"y\":"
         "4825923.77},\"std_tag\":\"s\",\"tag\":\"\\u7f8e\\u98df\",\"ty\":1,\"uid\":\"" + uid + "\"}";
}

TEST(BaiduReplies, EntriesInOrderWithEscapesDecodedAndEmptyPhoneKept) {
  std::string body = "BMap._rd._cbk11996 && BMap._rd._cbk11996({\"content\":[" +
                     baiduEntry("\\u4e0a\\u6d77\\ud83d\\ude00", "021-1", "u1") + "," +
                     baiduEntry("B\\\"2", "", "u2") + "]})";
  SearchResult r = readBaiduPlaces(body, "上海");
  ASSERT_EQ(r.places.size(), 2u);
  EXPECT_EQ(r.places[0].title, "上海\xF0\x9F\x98\x80");
  EXPECT_EQ(r.places[0].phone, "021-1");
  EXPECT_EQ(r.places[0].address, "路1号");
  EXPECT_EQ(r.places[0].coordinate, "12958160.97,4825923.77");
  EXPECT_EQ(r.places[0].trade, "美食");
  EXPECT_EQ(r.places[0].area, "上海");
  EXPECT_EQ(r.places[0].serviceId, "u1");
  EXPECT_EQ(r.places[1].phone, "");
  EXPECT_EQ(r.places[1].address, "路1号");
  EXPECT_EQ(r.places[1].serviceId, "u2");
  EXPECT_EQ(r.entries, 2u);
}

std::string amapEntry(const std::string& name, const std::string& tel) {
  return "{\"address\":\"淮河路1号\",\"cinemazuo_flag\":\"0\",\"diner_flag\":\"0\",\"id\":\"B0\","
         "\"name\":\"" + name + "\",\"x\":1,\"location\":{\"lat\":31.86,\"lng\":117.28},\"y\":[],"
         "\"pguid\":\"g-" + name + "\",\"dynamic\":{},\"r\":\"4\",\"tel\":\"" + tel +
         "\",\"adcode\":\"340102\",\"cityname\":\"合肥市\"}";
}

TEST(AmapReplies, EntriesInOrderMarkerMeansNoPlaces) {
  SearchResult r = readAmapPlaces(
      "{\"status\":\"1\",\"data\":{\"poi_list\":[" + amapEntry("甲", "0551-1") + "," +
          amapEntry("乙", "") + "]}}",
      "咖啡");
  ASSERT_EQ(r.places.size(), 2u);
  EXPECT_EQ(r.places[0].title, "甲");
  EXPECT_EQ(r.places[0].address, "淮河路1号");
  EXPECT_EQ(r.places[0].coordinate, "117.28,31.86");  // longitude first, as for every service
  EXPECT_EQ(r.places[0].serviceId, "g-甲");
  EXPECT_EQ(r.places[0].phone, "0551-1");
  EXPECT_EQ(r.places[0].area, "合肥市");
  EXPECT_EQ(r.places[0].trade, "咖啡");
  EXPECT_EQ(r.places[1].phone, "");
  EXPECT_EQ(r.places[1].title, "乙");
  EXPECT_FALSE(r.noResults);

  SearchResult none = readAmapPlaces("{\"data\":{\"message\":\"<h5>0个结果</h5>\"}}", "x");
  EXPECT_TRUE(none.noResults);
  EXPECT_TRUE(none.places.empty());
}

struct TencentEntry {
  std::string title;
  bool pano = true;
  std::string tel = "010-1";
  std::string type = "0";
  std::string heading = "null";
};

std::string tencentEntry(const TencentEntry& e, const std::string& eol = "\n") {
  std::string s12(12, ' '), s16(16, ' ');
  std::string out = "        {" + eol + s12 + "\"title\": \"" + e.title + "\"," + eol + s12 +
                    "\"address\": \"路" + e.title + "\"," + eol + s12 + "\"tel\": \"" + e.tel +
                    "\"," + eol + s12 + "\"category\": \"美食\"," + eol + s12 + "\"type\": " +
                    e.type + "," + eol + s12 + "\"location\": {" + eol + s16 + "\"lat\": 39.9," +
                    eol + s16 + "\"lng\": 116.4" + eol + s12 + "}," + eol;
  if (e.pano)
    out += s12 + "\"pano\": {" + eol + s16 + "\"id\": \"p\"," + eol + s16 + "\"heading\": " +
           e.heading + "," + eol + s16 + "\"pitch\": null," + eol + s16 + "\"zoom\": null" + eol +
           s12 + "}," + eol;
  out += s12 + "\"ad_info\": {" + eol + s16 + "\"adcode\": 110101," + eol + s16 +
         "\"province\": \"北京市\"," + eol + s16 + "\"city\": \"北京市\"," + eol + s16 +
         "\"district\": \"东城区\"" + eol + s12 + "}" + eol + "        }";
  return out;
}

std::string tencentReply(const std::vector<TencentEntry>& entries, int count,
                         const std::string& eol = "\n") {
  std::string data;
  for (const auto& e : entries) data += (data.empty() ? "" : "," + eol) + tencentEntry(e, eol);
  return "{" + eol + "    \"status\": 0," + eol + "    \"count\": " + std::to_string(count) + "," +
         eol + "    \"data\": [" + eol + data + eol + "    ]" + eol + "}";
}

TEST(TencentReplies, BothPatternsMergedInReplyOrderAndTheEntriesTheyMustSkip) {
  // The patterns as the services' layout has them.
  EXPECT_EQ(tencentPatternA().size(), 564u);
  EXPECT_EQ(tencentPatternB().size(), 389u);

  SearchResult r = readTencentPlaces(tencentReply(
      {
          {.title = "A1"},                                        // pattern A
          {.title = "B1", .pano = false, .tel = " "},             // pattern B
          {.title = "typed", .type = "1"},                        // not an ordinary place
          {.title = "heading", .heading = "87"},                  // a number in "pano"
          {.title = "tel", .pano = false, .tel = "010-2"},        // B needs a tel of one space
          {.title = "A2", .tel = ""},
          {.title = "B2", .pano = false, .tel = " "},
      },
      7));
  ASSERT_EQ(r.places.size(), 4u);
  EXPECT_EQ(r.places[0].title, "A1");
  EXPECT_EQ(r.places[1].title, "B1");
  EXPECT_EQ(r.places[2].title, "A2");
  EXPECT_EQ(r.places[3].title, "B2");
  EXPECT_EQ(r.places[0].address, "路A1");
  EXPECT_EQ(r.places[0].trade, "美食");
  EXPECT_EQ(r.places[0].coordinate, "116.4,39.9");
  EXPECT_EQ(r.places[0].area, "北京市东城区");
  EXPECT_EQ(r.places[0].phone, "");
  EXPECT_EQ(r.totalCount, 7);
  // Skipped entries still count towards a full page.
  EXPECT_EQ(r.entries, 7u);

  // Carriage returns before the line feeds break the layout the patterns read.
  EXPECT_TRUE(readTencentPlaces(tencentReply({{.title = "A"}}, 1, "\r\n")).places.empty());
  SearchResult empty = readTencentPlaces(tencentReply({}, 0));
  EXPECT_TRUE(empty.places.empty());
  EXPECT_EQ(empty.totalCount, 0);
}

TEST(PlaceSearchPaging, EndSignalsOfEachService) {
  auto baidu = makePlaceSearch(MapSource::Baidu, {});
  auto amap = makePlaceSearch(MapSource::Amap, {});
  auto tencent = makePlaceSearch(MapSource::Tencent, {});
  auto page = [](std::size_t places, std::size_t entries, std::optional<long> count = {},
                 bool marker = false) {
    SearchResult r;
    r.places.resize(places);
    r.entries = entries;
    r.totalCount = count;
    r.noResults = marker;
    return r;
  };
  EXPECT_FALSE(baidu->lastPage(page(10, 10), 1));
  EXPECT_TRUE(baidu->lastPage(page(9, 9), 1));
  EXPECT_FALSE(amap->lastPage(page(20, 20), 3));
  EXPECT_TRUE(amap->lastPage(page(0, 0, {}, true), 3));
  EXPECT_TRUE(amap->lastPage(page(19, 19), 1));
  // A page whose skipped entries make it look short is still full.
  EXPECT_FALSE(tencent->lastPage(page(17, 20, 70), 1));
  EXPECT_FALSE(tencent->lastPage(page(20, 20, 70), 3));
  EXPECT_TRUE(tencent->lastPage(page(20, 20, 80), 4));
  EXPECT_TRUE(tencent->lastPage(page(20, 20, 0), 1));
  EXPECT_TRUE(tencent->lastPage(page(12, 12), 2));
}

// ---- Requests and replies over the simulator -----------------------------------------------

class PlaceSearchSimTest : public testing::SimulatorTest {};

TEST_F(PlaceSearchSimTest, BaiduLooksTheCityUpOnceThenAsksPagesFromZero) {
  const std::string word = freshWord("咖啡", 25);
  const std::string city = "上海";
  auto search = makePlaceSearch(MapSource::Baidu, {});
  ASSERT_TRUE(search->openCity(city).ok());
  SearchResult first = search->search(city, word, 1);
  SearchResult second = search->search(city, word, 2);
  ASSERT_TRUE(first.ok()) << first.message;
  EXPECT_EQ(first.requests, 1);  // the code was looked up once, before the first page

  auto lookups = placeLog(*sim_, city);
  ASSERT_GE(lookups.size(), 1u);
  std::string lookupPrefix =
      "/?newmap=1&qt=cur&callback=setCurrentCity&ie=utf-8&wd=%E4%B8%8A%E6%B5%B7&oue=1&res=jc&t=";
  EXPECT_TRUE(std::regex_match(lookups.back().target, std::regex(std::regex_replace(
                  lookupPrefix, std::regex(R"([?.^$|()\[\]{}*+\\])"), R"(\$&)") + "\\d{9,}")))
      << lookups.back().target;
  EXPECT_EQ(lookups.back().host, "map.baidu.com");
  EXPECT_EQ(lookups.back().userAgent, kUserAgent);
  EXPECT_EQ(lookups.back().referer, "https://api.map.baidu.com/lbsapi/getpoint/index.html");

  auto pages = placeLog(*sim_, word);
  ASSERT_EQ(pages.size(), 2u);
  const std::string encoded = urlEncode(word);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(pages[i].target, "/?qt=s&c=289&wd=" + encoded + "&rn=10&pn=" + std::to_string(i) +
                                   "&ie=utf-8&oue=1&res=api&callback=BMap._rd._cbk11996");
    EXPECT_EQ(pages[i].host, "api.map.baidu.com");
    EXPECT_EQ(pages[i].userAgent, kUserAgent);
  }
  // A full page: ten places in reply order, escapes decoded.
  ASSERT_EQ(first.places.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(first.places[i].title, "上海咖啡" + word.substr(6, word.find('#') - 6) +
                                         std::to_string(i + 1) + "号店");
    EXPECT_EQ(second.places[i].title.substr(0, 6), "上海");
  }
  EXPECT_TRUE(std::regex_match(first.places[0].coordinate, std::regex(R"(\d+\.\d\d,\d+\.\d\d)")));
  EXPECT_EQ(first.places[3].phone, "");  // the 4th place has none
  EXPECT_FALSE(search->lastPage(first, 1));
}

TEST_F(PlaceSearchSimTest, AmapSendsTheCodeAfterTheBarAndEndsAtTheMarker) {
  const std::string word = freshWord("服装", 40);
  auto search = makePlaceSearch(MapSource::Amap, {});
  EXPECT_EQ(search->openCity("合肥").outcome, SearchResult::Outcome::NoCity);
  EXPECT_EQ(search->openCity("合肥|").outcome, SearchResult::Outcome::NoCity);
  ASSERT_TRUE(search->openCity("合肥|340100").ok());
  SearchResult first = search->search("合肥|340100", word, 1);
  SearchResult second = search->search("合肥|340100", word, 2);
  SearchResult third = search->search("合肥|340100", word, 3);
  auto pages = placeLog(*sim_, word);
  ASSERT_EQ(pages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pages[i].target,
              "/service/poiInfo?query_type=TQUERY&pagesize=20&pagenum=" + std::to_string(i + 1) +
                  "&qii=true&cluster_state=5&need_utd=true&utd_sceneid=1000&div=PC1000"
                  "&addr_poi_merge=true&is_classify=true&city=340100"
                  "&geoobj=104.301235%7C28.621199%7C104.960415%7C28.898995&keywords=" +
                  urlEncode(word));
    EXPECT_EQ(pages[i].host, "www.amap.com");
    EXPECT_EQ(pages[i].userAgent, kUserAgent);
  }
  ASSERT_EQ(first.places.size(), 20u);
  ASSERT_EQ(second.places.size(), 20u);
  EXPECT_EQ(first.places[0].title, "合肥市" + word.substr(0, word.find('#')) + "1号店");
  EXPECT_EQ(second.places[19].title, "合肥市" + word.substr(0, word.find('#')) + "40号店");
  EXPECT_EQ(first.places[0].area, "合肥市");
  EXPECT_EQ(first.places[0].trade, word);
  EXPECT_FALSE(search->lastPage(second, 2));
  EXPECT_TRUE(third.noResults);
  EXPECT_TRUE(search->lastPage(third, 3));
}

TEST_F(PlaceSearchSimTest, TencentRequestCarriesRegionKeywordPageAndKey) {
  const std::string word = freshWord("酒店", 30);
  const std::string key = "place-key-1";
  configurePlaceKey(*sim_, key, "rate=0");
  SearchSettings settings;
  settings.key = " " + key + " ";  // blanks around a pasted key are not part of it
  auto search = makePlaceSearch(MapSource::Tencent, settings);
  SearchResult first = search->search("北京", word, 1);
  SearchResult second = search->search("北京", word, 2);
  ASSERT_TRUE(first.ok()) << first.message;
  auto pages = placeLog(*sim_, word);
  ASSERT_EQ(pages.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(pages[i].target, "/ws/place/v1/search?boundary=region(%E5%8C%97%E4%BA%AC,0)&keyword=" +
                                   urlEncode(word) + "&page_size=20&orderby=_distance&page_index=" +
                                   std::to_string(i + 1) + "&key=" + key);
    EXPECT_EQ(pages[i].host, "apis.map.qq.com");
    EXPECT_EQ(pages[i].userAgent, kUserAgent);
  }
  // 30 places with a skipped entry after every 6th: 34 entries, 20 on page 1 holding 18 places.
  EXPECT_EQ(first.totalCount, 34);
  ASSERT_EQ(first.places.size(), 18u);
  EXPECT_EQ(first.entries, 20u);
  const std::string stem = word.substr(0, word.find('#'));
  for (int i = 0; i < 18; ++i) EXPECT_EQ(first.places[i].title, "北京" + stem + std::to_string(i + 1) + "号店");
  EXPECT_EQ(first.places[0].area.substr(0, 9), "北京市");
  EXPECT_FALSE(search->lastPage(first, 1));
  EXPECT_EQ(second.places.size(), 12u);
  EXPECT_TRUE(search->lastPage(second, 2));
}

}  // namespace
}  // namespace tessary
