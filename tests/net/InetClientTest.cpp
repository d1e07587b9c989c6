#include <gtest/gtest.h>

#include "net/InetClient.h"
#include "support/RawServer.h"

namespace tessary {
namespace {

TEST(InetHeaders, Table) {
  struct Case {
    const char* caller;
    const char* cookies;
    const char* expected;
  } cases[] = {
      {"", "", "Accept: */*"},
      {"", "a=1", "Accept: */*\r\nCookie: a=1"},
      {"Host: h", "a=1",
       "Host: h\r\nAccept: */*\r\nReferer: http://r/\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1"},
      {"Accept: x\r\nReferer: y\r\nAccept-Language: z\r\nContent-Type:w\r\nCookie: c=1", "a=1",
       "Accept: x\r\nReferer: y\r\nAccept-Language: z\r\nContent-Type:w\r\nCookie: c=1"},
  };
  for (const auto& c : cases) EXPECT_EQ(completeInetHeaders(c.caller, c.cookies, "http://r/"), c.expected) << c.caller;
}

TEST(InetFetch, SendsItsAgentAndReadsTheBody) {
  testing::RawServer server("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
  WebRequest r;
  r.url = server.url("/x");
  r.headers = "Host: example.com";
  InetResponse res = inetFetch(r);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(res.status, 200);
  EXPECT_EQ(res.body, "hello");
  std::string head = server.request();
  EXPECT_NE(head.find("User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"), std::string::npos);
  EXPECT_NE(head.find("Referer: " + server.url("/x") + "\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("Host: example.com\r\n"), std::string::npos);

  WebRequest refused;
  refused.url = "http://127.0.0.1:1/";
  EXPECT_FALSE(inetFetch(refused).ok);
}

}  // namespace
}  // namespace tessary
