#pragma once
// Reads values out of service replies with regular expressions. "." never matches a line
// feed, groups are numbered from the left, matching runs in linear time on any reply.

#include <memory>
#include <string>
#include <string_view>

namespace tessary {

class PatternMatcher {
 public:
  // Runs pattern over subject and keeps the matches. Returns false (and holds zero
  // matches) when the pattern is rejected. Copies share the last run.
  bool run(std::string_view pattern, std::string_view subject, bool ignoreCase = false,
           bool multiline = false, bool global = true);

  int count() const;
  std::string matchText(int i) const;
  // Position of match i in characters (not bytes) from the start of the subject; -1 if none.
  long matchPosition(int i) const;
  // Text of group j of match i; j = 0 is the pattern's first parenthesised group.
  // Out of range or unmatched: empty text.
  std::string groupText(int i, int j) const;
  // The last run's subject with its matches (all with global, else the first) replaced;
  // "$1" names a group, "$&" the whole match, "$$" a dollar sign.
  std::string replace(std::string_view replacement) const;

 private:
  struct Run;
  std::shared_ptr<const Run> last_;
};

}  // namespace tessary
