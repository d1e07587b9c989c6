// The simulator's coordinate services answer in the layouts the runs read.

#include <gtest/gtest.h>

#include "coords/SimControl.h"
#include "net/ServiceAddress.h"

namespace tessary {
namespace {

using testing::MapSim;

WebResponse ask(Service service, const std::string& pathAndQuery) {
  WebRequest request;
  request.url = serviceUrl(service, pathAndQuery);
  request.headers = hostLine(service);
  return MapServiceClient::fetch(request);
}

TEST(CoordinateSimTest, RepliesLayoutsLimitsAndRefusals) {
  MapSim sim;
  sim.becomeServiceBase();
  std::string many;
  for (int i = 0; i < 101; ++i) many += (i ? "%3B" : "") + std::string("30%2C60");

  auto tencent = ask(Service::Tencent, "/ws/coord/v1/translate?locations=39.9%2C116.4%3B40%2C117&type=3&key=k1");
  EXPECT_EQ(tencent.body,
            "{\n    \"status\": 0,\n    \"message\": \"query ok\",\n    \"locations\": [\n"
            "        {\n            \"lng\": 116.406000,\n            \"lat\": 39.903000\n        },\n"
            "        {\n            \"lng\": 117.006000,\n            \"lat\": 40.003000\n        }\n"
            "    ]\n}");
  EXPECT_NE(
      ask(Service::Tencent, "/ws/coord/v1/translate?locations=" + many + "&type=5&key=k2").body.find("\"status\": 310"),
      std::string::npos);

  auto baidu = ask(Service::BaiduApi, "/geoconv/v1/?coords=116.4%2C39.9&from=3&to=5&ak=k3&callback=cb");
  EXPECT_EQ(baidu.body, "cb&&cb({\"status\":0,\"result\":[{\"x\":116.409500000,\"y\":39.909000000}]})");
  EXPECT_NE(ask(Service::BaiduApi, "/geoconv/v1/?coords=" + many + "&from=3&to=5&ak=k4").body.find("\"status\":25,"),
            std::string::npos);
  EXPECT_NE(ask(Service::BaiduApi, "/geoconv/v1/?coords=1%2C2&from=3&to=5&ak=bad").body.find("\"status\":200,"),
            std::string::npos);

  auto geocoder = ask(Service::Tencent, "/ws/geocoder/v1/?location=39.9%2C116.4&key=k5&get_poi=1").body;
  auto own = geocoder.find("\"address\": \"模拟市坐标路39.9000,116.4000号\"");
  auto place = geocoder.find("\"address\": \"模拟市周边路1号\"");
  ASSERT_NE(own, std::string::npos);
  ASSERT_NE(place, std::string::npos);
  EXPECT_LT(own, place) << "the point's own address comes before the surrounding places";

  EXPECT_NE(ask(Service::Tencent, "/ws/geocoder/v1/?location=1%2C2&key=bad&get_poi=1").body.find("\"status\": 311"),
            std::string::npos);
}

}  // namespace
}  // namespace tessary
