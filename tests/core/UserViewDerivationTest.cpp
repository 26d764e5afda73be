#include "document/UserViewDerivation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace titrelle {
namespace {

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}
const std::string kDefaultBraces = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}";
// {\fn宋体\fs24\pos(190,270)\}
const std::string kCustomBraces = "{\\fn\xCB\xCE\xCC\xE5\\fs24\\pos(190,270)\\}";

std::string Group(int number, const std::string& timeLine, const std::string& textLine) {
  return std::to_string(number) + "\r\n" + timeLine + "\r\n" + textLine + "\r\n\r\n";
}

const std::string kTime1 = "00:00:00:001 --> 00:00:02:345";
const std::string kTime2 = "00:00:02:345 --> 00:00:04:000";

TEST(UserViewDerivationTest, DefaultStyleFileGivesWhatTheCommitsShowed) {
  // 你好 as the second subtitle's text.
  const std::string file = Group(1, kTime1, kDefaultBraces + "<b>Hi</b>") +
                           Group(2, kTime2, kDefaultBraces + "<b>\xC4\xE3\xBA\xC3</b>");
  EXPECT_EQ(StyleSpan(file), "");  // the first "}" comes before the first "<"
  EXPECT_EQ(BraceSpan(file), kDefaultBraces);
  EXPECT_EQ(DeriveUserViewText(file), Group(1, kTime1, "Hi") + Group(2, kTime2, "\xC4\xE3\xBA\xC3"));
}

TEST(UserViewDerivationTest, CustomStyleFileGivesWhatTheCommitsShowed) {
  const std::string prefix = "<font color=#FFFFFF>" + kCustomBraces;
  // Lines written after a resume carry no closing tag; the first one still has it.
  const std::string file = Group(1, kTime1, prefix + "text</b>") + Group(2, kTime2, prefix + "more");
  EXPECT_EQ(StyleSpan(file), prefix);
  EXPECT_EQ(DeriveUserViewText(file), Group(1, kTime1, "text") + Group(2, kTime2, "more"));
}

TEST(UserViewDerivationTest, SecondColourKeepsItsFontTag) {
  const std::string file = Group(1, kTime1, "<font color=#FFFFFF>" + kCustomBraces + "white") +
                           Group(2, kTime2, "<font color=#FF0000>" + kCustomBraces + "red");
  EXPECT_EQ(DeriveUserViewText(file),
            Group(1, kTime1, "white") + Group(2, kTime2, "<font color=#FF0000>red"));
}

TEST(UserViewDerivationTest, SpansAndPatterns) {
  const struct {
    std::string file;
    std::string userView;
  } cases[] = {
      // No markup at all: nothing but "<b>" and "</b>" could go.
      {"1\r\nplain <i>\r\n", "1\r\nplain <i>\r\n"},
      {"a<b>b</b>c<b>", "abc"},
      // The subtitle text itself holds a pattern: it goes too.
      {"{x}<b>a<b>b</b>\r\n", "ab\r\n"},
      // A span that would take a line break with it is empty: the lines stay.
      {"<font\r\n}x<b>y", "<font\r\n}xy"},
      {"{a\r\nb}{a\r\nb}", "{a\r\nb}{a\r\nb}"},
      // "}" as the trail byte of a double-byte character does not close a span.
      {"{\x81}x}z{\x81}x}", "z"},
      // Removing a pattern never joins a CR and a LF into a new break.
      {"a\r<b>\nb", "a\r<b>\nb"},
      {"", ""},
      // A lead byte before a line break: the next line still starts on a character.
      {"\x81\r\n<b>x\x81\n</b>y", "\x81\r\nx\x81\ny"},
      {Group(1, kTime1, kDefaultBraces + "<b>A</b>") + Group(2, kTime2, kDefaultBraces + "<b>{B}</b>"),
       Group(1, kTime1, "A") + Group(2, kTime2, "{B}")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeriveUserViewText(c.file), c.userView) << c.file;
    // The same, a line at a time (as a large file is resumed).
    const UserViewDerivation derivation(c.file);
    std::string inRuns;
    for (std::size_t start = 0; start < c.file.size();) {
      const std::size_t end = std::min(c.file.find('\n', start), c.file.size() - 1) + 1;
      inRuns += derivation.Derive(std::string_view(c.file).substr(start, end - start));
      start = end;
    }
    EXPECT_EQ(inRuns, c.userView) << c.file;
  }
  EXPECT_EQ(BraceSpan("{\x81}x}z"), "{\x81}x}");
  EXPECT_EQ(StyleSpan("}<a>"), "");
  EXPECT_EQ(BraceSpan("no braces"), "");
}

}  // namespace
}  // namespace titrelle
