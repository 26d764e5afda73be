#include "style/Restyle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "style/StyleStrings.h"

namespace titrelle {
namespace {

// 宋体 and 楷体
const std::string kSongPrefix = "<font color=#FFFFFF>{\\fn\xCB\xCE\xCC\xE5\\fs24\\pos(190,270)\\}";
const std::string kKaiPrefix = "<font color=#00FF00>{\\fn\xBF\xAC\xCC\xE5\\fs8\\pos(5,1000)\\}";
// 你好 (hello)
const std::string kHello = "\xC4\xE3\xBA\xC3";

// A file view's text: one subtitle for each styled text line, as the program lays it out.
std::string FileView(const std::vector<std::string>& textLines) {
  std::string text;
  int number = 0;
  for (const std::string& line : textLines) {
    ++number;
    text += std::to_string(number) + "\r\n00:00:0" + std::to_string(number) + ":000 --> 00:00:0" +
            std::to_string(number) + ":500\r\n" + line + "\r\n\r\n";
  }
  return text;
}

std::string DefaultLine(const std::string& text) { return DefaultLinePrefix + text + "</b>"; }

TEST(RestyleText, DefaultToCustomReplacesPrefixAndDropsClosingTags) {
  const std::string before = FileView({DefaultLine(kHello), DefaultLine("a</b>b"), DefaultLine("c")});
  const RestyleResult result = RestyleText(before, kSongPrefix, StyleMode::Custom, 0);
  EXPECT_TRUE(result.changed);
  EXPECT_EQ(result.text, FileView({kSongPrefix + kHello, kSongPrefix + "ab", kSongPrefix + "c"}));
  EXPECT_EQ(result.omitClosingTag, 1);
}

TEST(RestyleText, CustomToCustomKeepsFlagAndOtherPrefixes) {
  // The last line was written after the dialog was closed without saving: its prefix is not the first one's.
  const std::string before = FileView({kSongPrefix + "a", kSongPrefix + kHello, kKaiPrefix + "c"});
  const RestyleResult result = RestyleText(before, kKaiPrefix, StyleMode::Custom, 1);
  EXPECT_TRUE(result.changed);
  EXPECT_EQ(result.text, FileView({kKaiPrefix + "a", kKaiPrefix + kHello, kKaiPrefix + "c"}));
  EXPECT_EQ(result.omitClosingTag, 1);
}

TEST(RestyleText, CustomToDefaultAddsNoClosingTag) {
  const std::string before = FileView({kSongPrefix + "a", kSongPrefix + kHello});
  for (int flag : {0, 1}) {
    const RestyleResult result = RestyleText(before, DefaultLinePrefix, StyleMode::Default, flag);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(result.text, FileView({DefaultLinePrefix + "a", DefaultLinePrefix + kHello}));
    EXPECT_EQ(result.omitClosingTag, 0);
  }
}

TEST(RestyleText, DefaultOnDefaultIsWrittenBackAndLowersFlag) {
  const std::string before = FileView({DefaultLine("a"), DefaultLine("b")});
  const RestyleResult result = RestyleText(before, DefaultLinePrefix, StyleMode::Default, 1);
  EXPECT_TRUE(result.changed);
  EXPECT_EQ(result.text, before);
  EXPECT_EQ(result.omitClosingTag, 0);
}

TEST(RestyleText, SamePrefixOrEmptyTextChangesNothing) {
  const struct {
    std::string text;
    std::string newPrefix;
    StyleMode mode;
    int flag;
  } cases[] = {
      {FileView({kSongPrefix + "a"}), kSongPrefix, StyleMode::Custom, 1},
      {FileView({DefaultLine("a")}), DefaultLinePrefix, StyleMode::Custom, 0},
      {"", kSongPrefix, StyleMode::Custom, 0},
      {"", DefaultLinePrefix, StyleMode::Default, 1},
  };
  for (const auto& c : cases) {
    const RestyleResult result = RestyleText(c.text, c.newPrefix, c.mode, c.flag);
    EXPECT_FALSE(result.changed) << c.text;
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(result.omitClosingTag, c.flag) << c.text;
  }
}

TEST(RestyleText, NeverMatchesOnATrailByte) {
  // 皗 is B0 7B: its trail byte is "{", followed here by the bytes of the default prefix after the "{".
  const std::string lookalike = "\xB0" + DefaultLinePrefix + "x";
  const std::string before = FileView({DefaultLine("a"), DefaultLine(lookalike)});
  const RestyleResult result = RestyleText(before, kSongPrefix, StyleMode::Custom, 0);
  EXPECT_EQ(result.text, FileView({kSongPrefix + "a", kSongPrefix + "\xB0" + DefaultStylePart1 + "<b>x"}));
}

// Markers that do not delimit a prefix this program writes: replacing "O" would damage the subtitles.
TEST(RestyleText, ForeignMarkupIsLeftAlone) {
  const struct {
    std::string text;
    StyleMode mode;
    int flag;
  } cases[] = {
      {FileView({"plain", "text"}), StyleMode::Custom, 0},                       // no "}"
      {FileView({"plain", "text"}), StyleMode::Default, 1},                      // no "}", no "<"
      {FileView({"a}b", "{\\fn" + DefaultLine("c")}), StyleMode::Custom, 0},     // "}" before "{"
      {FileView({"{\\i1}italic</b>"}), StyleMode::Custom, 0},                    // not "{\fn"
      {FileView({"{\\fnArial", "x}<b>y"}), StyleMode::Custom, 0},                // spans a line break
      {FileView({kSongPrefix + "a", kSongPrefix + "b"}), StyleMode::Custom, 0},  // custom lines, flag 0
      {FileView({kSongPrefix + "<b>a"}), StyleMode::Custom, 0},                  // ... even followed by <b>
      {FileView({"x}", "<font color=#FF0000>"}), StyleMode::Custom, 0},          // no "{"
      {FileView({"<i>a}b"}), StyleMode::Default, 0},                             // not "<font color="
      {FileView({"<i>a}b"}), StyleMode::Custom, 1},
      {FileView({"<font color=red>a}b"}), StyleMode::Default, 1},  // not ended by ")\}"
      {FileView({"<font color=red>", "{\\fnA\\fs1\\pos(1,2)\\}"}), StyleMode::Custom, 1},  // spans a break
      {FileView({"a}"}), StyleMode::Default, 0},                                           // "}" but no "<"
      {FileView({"x" + kSongPrefix + "a"}), StyleMode::Default, 1},  // not at the line's start
  };
  for (const auto& c : cases) {
    const RestyleResult result =
        RestyleText(c.text, c.mode == StyleMode::Default ? DefaultLinePrefix : kKaiPrefix, c.mode, c.flag);
    EXPECT_FALSE(result.changed) << c.text;
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(result.omitClosingTag, c.flag) << c.text;
  }
}

}  // namespace
}  // namespace titrelle
