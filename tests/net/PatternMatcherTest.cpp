#include <gtest/gtest.h>

#include "net/PatternMatcher.h"

namespace tessary {
namespace {

TEST(PatternMatcher, DotNeverCrossesALineFeed) {
  PatternMatcher m;
  ASSERT_TRUE(m.run("a(.*)b", "a\r\nb"));
  EXPECT_EQ(m.count(), 0);
  ASSERT_TRUE(m.run("a(.*?)b", "a\rb"));  // a lone CR is an ordinary character
  EXPECT_EQ(m.count(), 1);
}

TEST(PatternMatcher, GlobalDecidesBetweenFirstAndEveryMatch) {
  const std::string reply = R"({"x":1,"y":2},{"x":3,"y":4},{"x":5,"y":6})";
  PatternMatcher m;
  ASSERT_TRUE(m.run(R"("x":(.*?),"y":(.*?)})", reply, false, false, false));
  EXPECT_EQ(m.count(), 1);
  ASSERT_TRUE(m.run(R"("x":(.*?),"y":(.*?)})", reply, false, false, true));
  ASSERT_EQ(m.count(), 3);
  EXPECT_EQ(m.groupText(0, 0), "1");  // group 0 is the first parenthesised group
  EXPECT_EQ(m.groupText(2, 1), "6");
  EXPECT_EQ(m.matchText(1), R"("x":3,"y":4})");
}

TEST(PatternMatcher, PositionsCountCharactersNotBytes) {
  PatternMatcher m;
  ASSERT_TRUE(m.run("地址(\\d)", "北京地址1 上海地址2"));
  ASSERT_EQ(m.count(), 2);
  EXPECT_EQ(m.matchPosition(0), 2);
  EXPECT_EQ(m.matchPosition(1), 8);
  EXPECT_EQ(m.groupText(1, 0), "2");
}

TEST(PatternMatcher, OutOfRangeAndUnmatchedGiveEmptyText) {
  PatternMatcher fresh;
  EXPECT_EQ(fresh.count(), 0);
  EXPECT_EQ(fresh.matchText(0), "");
  EXPECT_EQ(fresh.replace("x"), "");
  PatternMatcher m;
  ASSERT_TRUE(m.run("a(x)?(b)", "ab"));
  EXPECT_EQ(m.groupText(0, 0), "");  // unmatched group
  EXPECT_EQ(m.groupText(0, 1), "b");
  for (auto [i, j] : {std::pair{-1, 0}, {1, 0}, {0, 2}, {0, -1}, {99, 99}}) EXPECT_EQ(m.groupText(i, j), "");
  EXPECT_EQ(m.matchText(5), "");
  EXPECT_EQ(m.matchPosition(5), -1);
}

TEST(PatternMatcher, RejectedPatternGivesFalseAndNoMatches) {
  PatternMatcher m;
  ASSERT_TRUE(m.run("a", "aaa"));
  EXPECT_FALSE(m.run("(unclosed", "(unclosed"));
  EXPECT_EQ(m.count(), 0);
  EXPECT_EQ(m.groupText(0, 0), "");
}

TEST(PatternMatcher, SwitchesAndReplace) {
  PatternMatcher m;
  ASSERT_TRUE(m.run("^key=(\\w+)$", "KEY=one\nkey=two", true, true, true));
  ASSERT_EQ(m.count(), 2);
  EXPECT_EQ(m.groupText(0, 0), "one");
  ASSERT_TRUE(m.run("^key", "x\nkey", false, false, true));
  EXPECT_EQ(m.count(), 0);

  ASSERT_TRUE(m.run("(\\d+)-(\\d+)", "1-2, 3-4", false, false, true));
  EXPECT_EQ(m.replace("$2-$1"), "2-1, 4-3");
  EXPECT_EQ(m.replace("[$&] $$ $9"), "[1-2] $ $9, [3-4] $ $9");
  ASSERT_TRUE(m.run("(\\d+)-(\\d+)", "1-2, 3-4", false, false, false));
  EXPECT_EQ(m.replace("$2-$1"), "2-1, 3-4");
  ASSERT_TRUE(m.run("x*", "ab", false, false, true));  // empty matches move on
  EXPECT_EQ(m.replace("-"), "-a-b-");
}

TEST(PatternMatcher, CopiesShareTheLastRun) {
  PatternMatcher m;
  ASSERT_TRUE(m.run("(\\d)", "1 2"));
  PatternMatcher copy = m;
  ASSERT_TRUE(m.run("z", "abc"));
  EXPECT_EQ(copy.count(), 2);  // the copy keeps the run it was made from
  EXPECT_EQ(copy.groupText(1, 0), "2");
  EXPECT_EQ(m.count(), 0);
}

TEST(PatternMatcher, LinearOnHostileInput) {
  // Catastrophic for a backtracking engine; must finish at once here.
  std::string subject(100'000, 'a');
  PatternMatcher m;
  ASSERT_TRUE(m.run("(a*)*b", subject));
  EXPECT_EQ(m.count(), 0);
}

}  // namespace
}  // namespace tessary
