#include "base/Cp936.h"

#include <gtest/gtest.h>

#include <string>

namespace titrelle {
namespace {

TEST(Cp936Test, ConvertsBothWays) {
  bool lossy = true;
  EXPECT_EQ(Cp936FromUtf8("黑体", &lossy), "\xBA\xDA\xCC\xE5");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(Cp936FromUtf8("<font color=#FFFFFF>{\\fn宋体\\fs24}，字幕"),
            "<font color=#FFFFFF>{\\fn\xCB\xCE\xCC\xE5\\fs24}\xA3\xAC\xD7\xD6\xC4\xBB");
  EXPECT_EQ(Utf8FromCp936("\xBA\xDA\xCC\xE5"), "黑体");
  EXPECT_EQ(Utf8FromCp936(""), "");
  // Longer than one conversion buffer.
  std::string longUtf8;
  std::string longCp936;
  for (int i = 0; i < 5000; ++i) {
    longUtf8 += "字a";
    longCp936 +=
        "\xD7\xD6"
        "a";
  }
  EXPECT_EQ(Cp936FromUtf8(longUtf8), longCp936);
  EXPECT_EQ(Utf8FromCp936(longCp936), longUtf8);
}

TEST(Cp936Test, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  const struct {
    std::string utf8;
    std::string cp936;
  } cases[] = {
      {"a\xF0\x9F\x98\x80"
       "b",
       "a?b"},  // an emoji: one character, one "?"
      {"\xFF"
       "c",
       "?c"},              // not UTF-8 at all
      {"\xE5\xAD", "??"},  // a character cut short at the end
      {"\xE5\xAD"
       "d",
       "??d"},  // cut short, the next character kept
  };
  for (const auto& c : cases) {
    bool lossy = false;
    EXPECT_EQ(Cp936FromUtf8(c.utf8, &lossy), c.cp936);
    EXPECT_TRUE(lossy);
  }
}

TEST(Cp936Test, InvalidCodePageBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf8FromCp936("a\xFF"
                          "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf8FromCp936("a\xBA"), "a\xEF\xBF\xBD");  // a lead byte with nothing after it
  EXPECT_EQ(Utf8FromCp936("\xBA\xDA\xFF\xCC\xE5"), "黑\xEF\xBF\xBD体");
}

TEST(Cp936Test, FindNeverStartsOnATrailByte) {
  const struct {
    std::string text;
    std::string pattern;
    std::size_t from;
    std::size_t expected;
  } cases[] = {
      {"\xBA\xDA", "\xDA", 0, std::string::npos},
      {"a\xBA\xDA\xDA\xCC", "\xDA\xCC", 0, 3},                 // BA DA | DA CC
      {"\xBA\xDA\xDA\xCC", "\xDA\xDA", 0, std::string::npos},  // would start on DA, a trail byte
      {"\x81}}", "}", 0, 2},                                   // 81 7D is one character
      {"\xBA"
       "AA",
       "A", 1, 2},  // `from` on a trail byte moves on
      {"xAxA", "A", 2, 3},
      {"abc", "", 0, std::string::npos},
      {"abc", "c", 3, std::string::npos},
      {"aab", "ab", 0, 1},  // a partial match that fails, then one that holds
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindCharacterAligned(c.text, c.pattern, c.from), c.expected) << c.text << " / " << c.pattern;
  }
}

TEST(Cp936Test, ReplaceAllGoesLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAllCharacterAligned("aaa", "aa", "x"), "xa");
  EXPECT_EQ(ReplaceAllCharacterAligned("abab", "ab", "abab"),
            "abababab");  // the inserted text is not rescanned
  // BA DA | DA DA: only the third byte starts a character.
  EXPECT_EQ(ReplaceAllCharacterAligned("\xBA\xDA\xDA\xDA", "\xDA", "-"), "\xBA\xDA-\xDA");
  EXPECT_EQ(ReplaceAllCharacterAligned("abc", "", "x"), "abc");
  // A match that ends in the middle of a character: the scan goes on from the next whole character.
  EXPECT_EQ(ReplaceAllCharacterAligned("a\xBA\xDA\xDA"
                                       "b",
                                       "a\xBA", "-"),
            "-\xDA\xDA"
            "b");
}

TEST(Cp936Test, LongRunsOfDoubleByteCharactersStayCorrect) {
  const std::string text(200000, '\xBA');
  EXPECT_EQ(ReplaceAllCharacterAligned(text, "\xBA\xBA", ""), "");
  EXPECT_EQ(ReplaceAllCharacterAligned(text + "\xBA", "\xBA\xBA", ""), "\xBA");
  EXPECT_EQ(FindCharacterAligned(text, "\xBA\xBA", 199999), std::string::npos);
  EXPECT_EQ(FindCharacterAligned(text, "\xBA\xBA", 199997), 199998u);
}

}  // namespace
}  // namespace titrelle
