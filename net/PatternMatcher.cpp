#include "net/PatternMatcher.h"

#include <re2/re2.h>

#include <map>
#include <mutex>
#include <vector>

namespace tessary {

struct PatternMatcher::Run {
  struct Span {
    std::size_t begin = 0, end = 0;
    bool matched = false;
  };
  struct Match {
    Span whole;
    long position = 0;  // in characters
    std::vector<Span> groups;
  };
  std::string subject;
  bool global = true;
  std::vector<Match> matches;

  std::string text(const Span& s) const { return s.matched ? subject.substr(s.begin, s.end - s.begin) : std::string(); }
};

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The services' patterns are few and run once per reply: compiled once, with the engine's
// state machine kept warm between replies. RE2 objects are safe to share between threads.
std::shared_ptr<const RE2> compile(std::string_view pattern, bool ignoreCase, bool multiline) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const RE2>> cache;
  std::string key = std::string(ignoreCase ? "i" : "-") + (multiline ? "m" : "-") + std::string(pattern);
  std::lock_guard lock(mutex);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  RE2::Options options;
  options.set_log_errors(false);
  options.set_case_sensitive(!ignoreCase);
  std::string full = multiline ? "(?m)" : "";
  full.append(pattern);
  auto re = std::make_shared<const RE2>(full, options);
  if (!re->ok()) return nullptr;
  if (cache.size() >= 64) cache.clear();  // patterns built from user text must not grow it forever
  cache.emplace(std::move(key), re);
  return re;
}

}  // namespace

bool PatternMatcher::run(std::string_view pattern, std::string_view subject, bool ignoreCase,
                         bool multiline, bool global) {
  auto result = std::make_shared<Run>();
  result->subject.assign(subject);
  result->global = global;
  last_ = result;

  std::shared_ptr<const RE2> compiled = compile(pattern, ignoreCase, multiline);
  if (!compiled) return false;
  const RE2& re = *compiled;

  const std::string& text = result->subject;
  const int groups = re.NumberOfCapturingGroups();
  std::vector<re2::StringPiece> found(groups + 1);
  std::size_t pos = 0;
  std::size_t counted = 0;  // byte offset up to which characters have been counted
  long chars = 0;
  while (pos <= text.size() &&
         re.Match(text, pos, text.size(), RE2::UNANCHORED, found.data(), groups + 1)) {
    Run::Match m;
    auto spanOf = [&](const re2::StringPiece& piece) {
      Run::Span s;
      if (piece.data()) {
        s.begin = piece.data() - text.data();
        s.end = s.begin + piece.size();
        s.matched = true;
      }
      return s;
    };
    m.whole = spanOf(found[0]);
    for (int g = 1; g <= groups; ++g) m.groups.push_back(spanOf(found[g]));
    for (; counted < m.whole.begin; ++counted)
      if (!isContinuationByte(text[counted])) ++chars;
    m.position = chars;
    result->matches.push_back(std::move(m));
    if (!global) break;
    const auto& whole = result->matches.back().whole;
    pos = whole.end;
    if (whole.end == whole.begin) {  // an empty match moves on by one character
      ++pos;
      while (pos < text.size() && isContinuationByte(text[pos])) ++pos;
    }
  }
  return true;
}

int PatternMatcher::count() const { return last_ ? static_cast<int>(last_->matches.size()) : 0; }

std::string PatternMatcher::matchText(int i) const {
  if (i < 0 || i >= count()) return {};
  return last_->text(last_->matches[i].whole);
}

long PatternMatcher::matchPosition(int i) const {
  if (i < 0 || i >= count()) return -1;
  return last_->matches[i].position;
}

std::string PatternMatcher::groupText(int i, int j) const {
  if (i < 0 || i >= count()) return {};
  const auto& groups = last_->matches[i].groups;
  if (j < 0 || j >= static_cast<int>(groups.size())) return {};
  return last_->text(groups[j]);
}

std::string PatternMatcher::replace(std::string_view replacement) const {
  if (!last_) return {};
  const Run& r = *last_;
  std::string out;
  std::size_t from = 0;
  for (const auto& m : r.matches) {
    out.append(r.subject, from, m.whole.begin - from);
    for (std::size_t k = 0; k < replacement.size(); ++k) {
      char c = replacement[k];
      char next = k + 1 < replacement.size() ? replacement[k + 1] : '\0';
      if (c != '$' || !next) {
        out += c;
      } else if (next == '$') {
        out += '$';
        ++k;
      } else if (next == '&') {
        out += r.text(m.whole);
        ++k;
      } else if (next >= '0' && next <= '9') {
        // "$12" names group 12 when there is one, else group 1 followed by "2".
        int n = next - '0';
        std::size_t used = 1;
        char third = k + 2 < replacement.size() ? replacement[k + 2] : '\0';
        if (third >= '0' && third <= '9' && n * 10 + (third - '0') <= static_cast<int>(m.groups.size())) {
          n = n * 10 + (third - '0');
          used = 2;
        }
        if (n >= 1 && n <= static_cast<int>(m.groups.size())) {
          out += r.text(m.groups[n - 1]);
          k += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    from = m.whole.end;
  }
  out.append(r.subject, from, std::string::npos);
  return out;
}

}  // namespace tessary
