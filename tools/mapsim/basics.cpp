// Endpoints for testing the web client itself; they answer on any Host line.

#include <iconv.h>

#include <string>

#include "Sim.h"

namespace mapsim {
namespace {

std::string encodeFromUtf8(const std::string& text, const std::string& charset) {
  iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out(text.size() * 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &in, &inLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

void echo(const httplib::Request& req, httplib::Response& res) {
  std::string text = req.method + " " + req.path;
  std::string query;
  for (const auto& [k, v] : req.params) query += (query.empty() ? "?" : "&") + k + "=" + v;
  text += query + "\n";
  for (const auto& [name, value] : req.headers)
    if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT")
      text += name + ": " + value + "\n";
  text += "\n" + req.body;
  res.set_content(text, "text/plain");
}

// A page whose body really is in the charset its meta tag declares.
void charsetPage(const httplib::Request& req, httplib::Response& res) {
  std::string cs = param(req, "cs", "utf-8");
  std::string html = cs == "none" ? "<html><head><title>t</title></head><body>中文</body></html>"
                                  : "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                                        cs + "\"></head><body>中文</body></html>";
  if (cs != "none" && cs != "utf-8") html = encodeFromUtf8(html, cs == "gb2312" ? "GBK" : cs);
  if (cs == "none" && param(req, "raw") == "gbk") html = encodeFromUtf8(html, "GBK");
  res.set_content(html, "text/html");
}

void cookies(const httplib::Request&, httplib::Response& res) {
  res.set_header("Set-Cookie", "a=1; Path=/");
  res.set_header("Set-Cookie", "b=2; HttpOnly");
  res.set_content("cookies set", "text/plain");
}

void redirect(const httplib::Request& req, httplib::Response& res) {
  res.status = 302;
  res.set_header("Location", param(req, "to", "/echo"));
  res.set_content("redirect page", "text/plain");
}

void redirectChain(const httplib::Request& req, httplib::Response& res) {
  long n = paramLong(req, "n", 3);
  res.status = 302;
  res.set_header("Location", n <= 1 ? "/echo" : "/redirect-chain?n=" + std::to_string(n - 1));
  res.set_content("hop", "text/plain");
}

void redirectLoop(const httplib::Request&, httplib::Response& res) {
  res.status = 302;
  res.set_header("Location", "/redirect-loop");
  res.set_content("loop", "text/plain");
}

// The headers never come (until ms pass or the simulator stops).
void hang(const httplib::Request& req, httplib::Response& res) {
  sleepMs(paramLong(req, "ms", 60'000));
  res.set_content("late", "text/plain");
}

// Promises more than it sends, then closes the connection; with stall=MS it goes quiet instead.
void cut(const httplib::Request& req, httplib::Response& res) {
  long stall = paramLong(req, "stall", 0);
  res.set_content_provider(100'000, "text/plain", [stall](size_t offset, size_t, httplib::DataSink& sink) {
    if (offset > 0) return false;
    std::string part(1000, 'x');
    sink.write(part.data(), part.size());
    if (stall > 0) sleepMs(stall);
    return false;
  });
}

// mb MiB of body, streamed.
void big(const httplib::Request& req, httplib::Response& res) {
  const size_t total = static_cast<size_t>(paramLong(req, "mb", 100)) << 20;
  res.set_chunked_content_provider("text/plain", [total](size_t offset, httplib::DataSink& sink) {
    static const std::string chunk(1 << 20, 'y');
    if (offset >= total) {
      sink.done();
      return true;
    }
    return sink.write(chunk.data(), std::min(chunk.size(), total - offset));
  });
}

Registration routes([] {
  addRoute("", "/echo", echo);
  addRoute("", "/charset", charsetPage);
  addRoute("", "/cookies", cookies);
  addRoute("", "/redirect", redirect);
  addRoute("", "/redirect-chain", redirectChain);
  addRoute("", "/redirect-loop", redirectLoop);
  addRoute("", "/hang", hang);
  addRoute("", "/cut", cut);
  addRoute("", "/big", big);
});

}  // namespace
}  // namespace mapsim
