#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "net/MapServiceClient.h"
#include "net/ServiceAddress.h"
#include "support/MapSim.h"
#include "support/RawServer.h"

namespace tessary {
namespace {

using testing::MapSim;
using testing::RawServer;

class ClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim = new MapSim(); }
  static void TearDownTestSuite() { delete sim; }

  static WebResponse get(const std::string& path, const std::string& headers = "") {
    WebRequest r;
    r.url = sim->url(path);
    r.headers = headers;
    return MapServiceClient::fetch(r);
  }
  static long served() { return std::stol(get("/stats").body); }

  static MapSim* sim;
};
MapSim* ClientTest::sim = nullptr;

constexpr const char* kPlainReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

TEST(ClientHeaders, EmptyBlockIsSentAsTheSixDefaultsInOrder) {
  RawServer server(kPlainReply);
  WebRequest r;
  r.url = server.url("/p?q=1");
  WebResponse res = MapServiceClient::fetch(r);
  ASSERT_TRUE(res.ok()) << res.errorMessage;
  EXPECT_EQ(res.body, "ok");
  std::string head = server.request();
  EXPECT_TRUE(head.starts_with("GET /p?q=1 HTTP/1.1\r\nHost: 127.0.0.1:")) << head;
  auto after = head.substr(head.find("\r\n", head.find("Host:")) + 2);
  EXPECT_EQ(after,
            "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
            "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Accept-Encoding: gbk, GB2312\r\n"
            "Accept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\n"
            "Cache-Control: no-cache\r\n\r\n");
}

TEST(ClientHeaders, CallerLinesComeFirstAndSuppressTheirDefaults) {
  RawServer server(kPlainReply);
  WebRequest r;
  r.url = server.url();
  // No line end after the last line, as the Tencent block is written.
  r.headers = "Host: apis.map.qq.com\r\nUser-Agent: UA\r\nContent-Type:text/plain\r\nAccept-Encoding: none";
  r.cookies = "a=1; b=2";
  ASSERT_TRUE(MapServiceClient::fetch(r).ok());
  std::string head = server.request();
  auto after = head.substr(head.find("\r\n") + 2);
  EXPECT_EQ(after,
            "Host: apis.map.qq.com\r\nUser-Agent: UA\r\nContent-Type:text/plain\r\nAccept-Encoding: none\r\n"
            "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Accept-Language: zh-cn\r\n"
            "Cache-Control: no-cache\r\n"
            "Cookie: a=1; b=2\r\n\r\n");
}

TEST(ClientHeaders, CompletionTable) {
  struct Case {
    const char* caller;
    const char* cookies;
    const char* expected;
  } cases[] = {
      {"Accept-Encoding: x\r\n", "",
       "Accept-Encoding: x\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
       "Trident/5.0)\r\nAccept: text/html, application/xhtml+xml, */*\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n"},
      {"user-agent: u\r\naccept: a\r\nACCEPT-ENCODING: e\r\nAccept-Language: l\r\ncontent-type:c\r\n"
       "Cache-Control: n",
       "k=v",
       "user-agent: u\r\naccept: a\r\nACCEPT-ENCODING: e\r\nAccept-Language: l\r\ncontent-type:c\r\n"
       "Cache-Control: n\r\nCookie: k=v\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(completeHeaders(c.caller, c.cookies), c.expected) << c.caller;
}

TEST_F(ClientTest, MalformedHeaderBlocksAreRefusedBeforeAnythingIsSent) {
  long before = served();
  for (const char* block : {"Host: a\r\nX-Injected: 1\r\n\r\nGET / HTTP/1.1", "Host: a\nX: 1", "Host: a\rX: 1",
                            "no colon here", ": empty name"}) {
    WebResponse res = get("/echo", block);
    EXPECT_EQ(res.error, 710) << block;
    EXPECT_EQ(res.errorMessage, "710 设置协议头失败!");
  }
  WebRequest withNul;
  withNul.url = sim->url("/echo");
  withNul.headers = std::string("Host: a\0b", 9);
  EXPECT_EQ(MapServiceClient::fetch(withNul).error, 710);
  WebRequest badCookie;
  badCookie.url = sim->url("/echo");
  badCookie.cookies = "a=1\r\nX-Injected: 1";
  EXPECT_EQ(MapServiceClient::fetch(badCookie).error, 710);
  EXPECT_EQ(served(), before);
}

TEST_F(ClientTest, NumberedErrorsByStep) {
  struct Case {
    std::string url;
    int code;
    const char* message;
  } cases[] = {
      {"not an address", 701, "701 解析URL地址失败!"},
      {"ftp://127.0.0.1/file", 701, "701 解析URL地址失败!"},
      {"http://", 701, "701 解析URL地址失败!"},
      {"http://no-such-host.invalid/", 711, "711 发送请求失败!"},
      {"http://127.0.0.1:1/", 711, "711 发送请求失败!"},
      {sim->url("/cut"), 713, "713 读取数据失败!"},
      {sim->url("/redirect-loop"), 713, "713 读取数据失败!"},
  };
  for (const auto& c : cases) {
    WebRequest r;
    r.url = c.url;
    WebResponse res = MapServiceClient::fetch(r);
    EXPECT_EQ(res.error, c.code) << c.url;
    EXPECT_EQ(res.errorMessage, c.message) << c.url;
  }
  WebRequest unknownMethod;
  unknownMethod.url = sim->url("/echo");
  unknownMethod.method = "DELETE";
  EXPECT_EQ(MapServiceClient::fetch(unknownMethod).error, 704);
}

TEST_F(ClientTest, SilentServerEndsWith712AndStalledBodyWith713) {
  WebRequest r;
  r.timeouts.receiveMs = 300;
  r.url = sim->url("/hang?ms=5000");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(MapServiceClient::fetch(r).error, 712);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  r.url = sim->url("/cut?stall=5000");
  EXPECT_EQ(MapServiceClient::fetch(r).error, 713);
}

TEST_F(ClientTest, ConnectionClosedBeforeAStatusLineIs712) {
  RawServer server("");  // reads the request, answers nothing, closes
  WebRequest r;
  r.url = server.url();
  EXPECT_EQ(MapServiceClient::fetch(r).error, 712);
}

TEST_F(ClientTest, OversizedBodyIs713WithMemoryBounded) {
  WebRequest r;
  r.url = sim->url("/big?mb=100");
  WebResponse res = MapServiceClient::fetch(r);
  EXPECT_EQ(res.error, 713);
  EXPECT_TRUE(res.body.empty());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 100L * 1024) << "peak KiB";  // the 64 MiB cap, not the 100 MiB reply

  r.maxBodyBytes = 100;
  r.url = sim->url("/echo");
  EXPECT_EQ(MapServiceClient::fetch(r).error, 713);
}

TEST_F(ClientTest, CancelFromAnotherThreadReturnsWithinASecond) {
  std::atomic<bool> cancel{false};
  WebRequest r;
  r.url = sim->url("/hang?ms=20000");
  r.cancel = &cancel;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  auto start = std::chrono::steady_clock::now();
  WebResponse res = MapServiceClient::fetch(r);
  auto took = std::chrono::steady_clock::now() - start;
  canceller.join();
  EXPECT_TRUE(res.cancelled);
  EXPECT_FALSE(res.ok());
  EXPECT_LT(took, std::chrono::milliseconds(1200));
}

TEST_F(ClientTest, CookiesFromEverySetCookieLine) {
  WebResponse res = get("/cookies");
  ASSERT_TRUE(res.ok());
  EXPECT_EQ(res.cookies, "a=1; b=2");
  EXPECT_NE(res.headers.find("HTTP/1.1 200"), std::string::npos);
  EXPECT_TRUE(res.headers.ends_with("\r\n\r\n"));
  EXPECT_TRUE(get("/echo").cookies.empty());
}

TEST_F(ClientTest, Redirects) {
  WebRequest r;
  r.url = sim->url("/redirect?to=/echo");
  r.forbidRedirect = true;
  WebResponse held = MapServiceClient::fetch(r);
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(held.status, 302);
  EXPECT_EQ(held.body, "redirect page");
  EXPECT_EQ(held.location, "/echo");

  r.forbidRedirect = false;
  WebResponse followed = MapServiceClient::fetch(r);
  ASSERT_TRUE(followed.ok());
  EXPECT_TRUE(followed.body.starts_with("GET /echo")) << followed.body;
  EXPECT_EQ(followed.status, 200);

  WebResponse chain = get("/redirect-chain?n=5");
  ASSERT_TRUE(chain.ok());
  EXPECT_TRUE(chain.body.starts_with("GET /echo"));
}

TEST_F(ClientTest, BodiesComeBackAsUtf8WhateverTheirCharset) {
  for (const char* query : {"cs=gbk", "cs=gb2312", "cs=GBK", "cs=utf-8", "cs=big5", "cs=none", "cs=none&raw=gbk",
                            "cs=no-such-charset"}) {
    WebResponse res = get(std::string("/charset?") + query);
    ASSERT_TRUE(res.ok()) << query;
    EXPECT_NE(res.body.find("<body>中文</body>"), std::string::npos) << query << ": " << res.body;
  }
}

TEST_F(ClientTest, MethodsBodyAndHostOfThePublicService) {
  WebRequest post;
  post.url = sim->url("/echo");
  post.method = "POST";
  post.body = "x=1&y=2";
  WebResponse res = MapServiceClient::fetch(post);
  ASSERT_TRUE(res.ok());
  EXPECT_TRUE(res.body.starts_with("POST /echo")) << res.body;
  EXPECT_TRUE(res.body.ends_with("\nx=1&y=2"));

  sim->becomeServiceBase();
  WebRequest service;
  service.url = serviceUrl(Service::Tencent, "/echo?key=k");
  service.headers = hostLine(Service::Tencent);
  EXPECT_EQ(service.url, sim->url("/echo?key=k"));
  WebResponse echoed = MapServiceClient::fetch(service);
  ASSERT_TRUE(echoed.ok());
  EXPECT_NE(echoed.body.find("\nHost: apis.map.qq.com\n"), std::string::npos) << echoed.body;
}

TEST(ServiceAddress, PublicAddressesUseHttps) {
  unsetenv("TESSARY_SERVICE_BASE");
  EXPECT_EQ(serviceUrl(Service::Tencent, "/ws/coord/v1/translate?x=1"),
            "https://apis.map.qq.com/ws/coord/v1/translate?x=1");
  setenv("TESSARY_SERVICE_BASE", "http://127.0.0.1:9/", 1);
  EXPECT_EQ(serviceUrl(Service::BaiduApi, "/geoconv/v1/?a"), "http://127.0.0.1:9/geoconv/v1/?a");
  EXPECT_EQ(hostLine(Service::BaiduApi), "Host: api.map.baidu.com");
  unsetenv("TESSARY_SERVICE_BASE");
}

TEST(MergeCookies, NewerWinsDeletedGoesEmptyPairsDropped) {
  struct Case {
    const char* older;
    const char* newer;
    const char* merged;
  } cases[] = {
      {"a=1; b=2", "b=deleted; c=3", "a=1; c=3"},
      {"a=1;b=2", "b=5", "a=1; b=5"},
      {"a=1;; ;b=2", "", "a=1; b=2"},
      {"", "x=1", "x=1"},
      {"", "", ""},
      {"t=a=b", "u", "t=a=b; u"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MapServiceClient::mergeCookies(c.older, c.newer), c.merged) << c.older << " + " << c.newer;
}

}  // namespace
}  // namespace tessary
