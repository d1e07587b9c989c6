// Reads a generated 1 MB Baidu place-search reply of 1,000 entries with the result pattern,
// through PatternMatcher and, for comparison, std::regex (in a child process, since a
// backtracking engine may exhaust its stack on such input).

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "net/PatternMatcher.h"

namespace {

const char* kPattern =
    "\"markv\":.*?},\"name\":\"(.*?)\",.*?\"phone\":\"(.*?)\",\"poi_address\":\"(.*?)\",\"point\":{\"x\":(.*?),"
    "\"y\":(.*?)},.*?\"tag\":\"(.*?)\".*?\"ty\":.*?,\"uid\":\"(.*?)\"";

std::string makeReply(int entries) {
  std::string reply = "/**/BMap._rd._cbk11996 && BMap._rd._cbk11996({\"content\":[";
  const std::string filler(760, 'f');
  for (int i = 0; i < entries; ++i) {
    if (i) reply += ",";
    reply += "{\"markv\":{\"a\":1,\"b\":\"x\"},\"name\":\"\\u9910\\u5385" + std::to_string(i) +
             "\",\"ext\":\"" + filler + "\",\"phone\":\"(021)5555" + std::to_string(i) +
             "\",\"poi_address\":\"\\u4e0a\\u6d77\\u5e02\\u8def" + std::to_string(i) +
             "\\u53f7\",\"point\":{\"x\":121." + std::to_string(100000 + i) + ",\"y\":31." +
             std::to_string(200000 + i) + "},\"std_tag\":\"food\",\"tag\":\"\\u7f8e\\u98df\",\"ty\":1,\"uid\":\"" +
             std::to_string(1000000007LL * (i + 1)) + "\"}";
  }
  reply += "]})";
  return reply;
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Result {
  int matches = -1;
  double ms = 0;
};

Result withPatternMatcher(const std::string& reply) {
  auto start = std::chrono::steady_clock::now();
  tessary::PatternMatcher m;
  m.run(kPattern, reply, false, false, true);
  std::size_t bytes = 0;
  for (int i = 0; i < m.count(); ++i)
    for (int g = 0; g < 7; ++g) bytes += m.groupText(i, g).size();
  Result r{m.count(), msSince(start)};
  if (bytes == 0) r.matches = -1;
  return r;
}

// Runs std::regex in a child; matches -1 means it failed (exception, crash or time-out).
Result withStdRegex(const std::string& reply) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Result r;
    try {
      auto start = std::chrono::steady_clock::now();
      std::regex re(kPattern);
      int n = 0;
      for (std::sregex_iterator it(reply.begin(), reply.end(), re), end; it != end; ++it) ++n;
      r = {n, msSince(start)};
    } catch (const std::exception&) {
    }
    (void)!write(fds[1], &r, sizeof r);
    _exit(0);
  }
  close(fds[1]);
  Result r;
  alarm(0);
  bool got = read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got) {
    r = {};
    if (WIFSIGNALED(status)) std::printf("std::regex: child ended by signal %d\n", WTERMSIG(status));
  }
  return r;
}

}  // namespace

int main() {
  const std::string reply = makeReply(1000);
  std::printf("reply: %zu bytes, 1000 entries\n", reply.size());

  std::vector<double> times;
  Result ours;
  for (int i = 0; i < 15; ++i) {
    ours = withPatternMatcher(reply);
    times.push_back(ours.ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("PatternMatcher: %d matches, median %.2f ms (min %.2f, max %.2f over %zu runs)\n", ours.matches,
              times[times.size() / 2], times.front(), times.back(), times.size());

  Result theirs = withStdRegex(reply);
  if (theirs.matches < 0) {
    std::printf("std::regex: failed on this input\n");
  } else {
    std::printf("std::regex: %d matches, %.2f ms\n", theirs.matches, theirs.ms);
    std::printf("ratio std::regex / PatternMatcher: %.1f\n", theirs.ms / times[times.size() / 2]);
  }
  return ours.matches == 1000 ? 0 : 1;
}
