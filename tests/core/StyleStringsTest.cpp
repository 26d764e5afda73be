#include "style/StyleStrings.h"

#include <gtest/gtest.h>

namespace titrelle {
namespace {

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>
const std::string kDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";

TEST(StyleStrings, DefaultPrefixInCodePage936) {
  EXPECT_EQ(DefaultLinePrefix, kDefaultPrefix);
  EXPECT_EQ(DefaultStylePart2, "<b>");
  EXPECT_EQ(DefaultStylePart1 + DefaultStylePart2, DefaultLinePrefix);
}

TEST(StyleStrings, CustomParts) {
  // 宋体
  EXPECT_EQ(CustomStylePart1("#FFFFFF"), "<font color=#FFFFFF>");
  EXPECT_EQ(CustomStylePart2("\xCB\xCE\xCC\xE5", "24", "190", "270"),
            "{\\fn\xCB\xCE\xCC\xE5\\fs24\\pos(190,270)\\}");
  EXPECT_EQ(CustomStylePart2("Arial", "8", "", ""), "{\\fnArial\\fs8\\pos(,)\\}");
}

TEST(StyleStrings, ClosingTagFollowsTheFlag) {
  EXPECT_EQ(ComposeStyledLine(DefaultStylePart1, DefaultStylePart2, "Hello", 0),
            kDefaultPrefix + "Hello</b>");
  EXPECT_EQ(ComposeStyledLine(DefaultStylePart1, DefaultStylePart2, "Hello", 1), kDefaultPrefix + "Hello");
  // A custom style chosen before the first line: the flag is still 0, so the line is closed.
  EXPECT_EQ(ComposeStyledLine("<font color=#00FF00>", "{\\fnA\\fs9\\pos(1,2)\\}", "Hi", 0),
            "<font color=#00FF00>{\\fnA\\fs9\\pos(1,2)\\}Hi</b>");
}

}  // namespace
}  // namespace titrelle
