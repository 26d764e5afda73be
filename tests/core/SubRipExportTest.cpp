#include "document/SubRipExport.h"

#include <gtest/gtest.h>

#include <string>

#include "base/Cp936.h"
#include "base/Utf8Path.h"
#include "document/Cp936Decoder.h"

namespace titrelle {
namespace {

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b> in code page 936, then in UTF-8
const std::string kDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
const std::string kDefaultPrefixUtf8 = "{\\fn\xE9\xBB\x91\xE4\xBD\x93\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
const std::string kHello = "\xC4\xE3\xBA\xC3";              // 你好
const std::string kHelloUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";  // 你好
const std::string kWorld = "\xCA\xC0\xBD\xE7";              // 世界
const std::string kWorldUtf8 = "\xE4\xB8\x96\xE7\x95\x8C";  // 世界

TEST(ExportStandardSubRip, WritesCommaTimesNumbersFromOneAndUtf8) {
  const struct {
    const char* what;
    std::string file;
    bool plain;
    std::string standard;
    int count;
  } cases[] = {
      {"the program's own file: markup kept",
       "1\r\n00:00:00:001 --> 00:00:02:500\r\n" + kDefaultPrefix + kHello +
           "</b>\r\n\r\n"
           "2\r\n00:00:02:500 --> 01:02:03:004\r\n" +
           kDefaultPrefix + kWorld + "\r\n\r\n",
       false,
       "1\r\n00:00:00,001 --> 00:00:02,500\r\n" + kDefaultPrefixUtf8 + kHelloUtf8 +
           "</b>\r\n\r\n"
           "2\r\n00:00:02,500 --> 01:02:03,004\r\n" +
           kDefaultPrefixUtf8 + kWorldUtf8 + "\r\n\r\n",
       2},
      {"plain: the default and the custom layouts' markup dropped",
       "1\r\n00:00:00:001 --> 00:00:02:500\r\n" + kDefaultPrefix + kHello +
           "</b>\r\n\r\n"
           "2\r\n00:00:02:500 --> 00:00:03:000\r\n<font "
           "color=#FF0000>{\\fn\xCB\xCE\xCC\xE5\\fs20\\pos(10,20)\\}" +  // 宋体
           kWorld +
           "</font>\r\n\r\n",
       true,
       "1\r\n00:00:00,001 --> 00:00:02,500\r\n" + kHelloUtf8 +
           "\r\n\r\n"
           "2\r\n00:00:02,500 --> 00:00:03,000\r\n" +
           kWorldUtf8 + "\r\n\r\n",
       2},
      {"plain: trail bytes that are braces are characters, not markup",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\n{\\an8}\x82\x7B"
       "ab\x82\x7D\r\n",  // {\an8}倇ab倉
       true,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xE5\x80\x87"
       "ab\xE5\x80\x89\r\n\r\n",
       1},
      {"plain: text that only looks like markup stays",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\na < b > c {open\r\n<i></i>{\\b1}\r\n", true,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\na < b > c {open\r\n\r\n", 1},
      {"numbers renumbered in file order, a missing number added",
       "7\r\n00:00:05:000 --> 00:00:06:000\r\nA\r\n\r\n00:00:01:000 --> 00:00:02:000\r\nB\r\n\r\n"
       "3\r\n00:00:03:000 --> 00:00:04:000\r\nC\r\n",
       false,
       "1\r\n00:00:05,000 --> 00:00:06,000\r\nA\r\n\r\n2\r\n00:00:01,000 --> 00:00:02,000\r\nB\r\n\r\n"
       "3\r\n00:00:03,000 --> 00:00:04,000\r\nC\r\n\r\n",
       3},
      {"several text lines; blank lines inside and around them left out; a number in the text kept",
       "\r\nheader\r\n1\r\n00:00:01:000 --> 00:00:02:000\r\n\r\nfirst\r\n \r\n42\r\nsecond\r\n\r\n\r\n"
       "2\r\n00:00:03:000 --> 00:00:04:000\r\nlast\r\n\r\n\r\n",
       false,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nfirst\r\n42\r\nsecond\r\n\r\n"
       "2\r\n00:00:03,000 --> 00:00:04,000\r\nlast\r\n\r\n",
       2},
      {"LF and CR breaks, no break at the end",
       "1\n00:00:01:000 --> 00:00:02:000\nA\n\n2\r00:00:03:000 --> 00:00:04:000\rB", false,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n", 2},
      {"a standard file read again: comma or point, blanks, coordinates after the end",
       "1\r\n  00:00:01,250-->00:00:02.750   X1:10 X2:20\r\nA\r\n", false,
       "1\r\n00:00:01,250 --> 00:00:02,750\r\nA\r\n\r\n", 1},
      {"a subtitle without text stays, numbered",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:000\r\nB\r\n", false,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n", 2},
      {"UTF-8 without one too, though its letters are code page 936 pairs as well",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\ncaf\xC3\xA9 " + kHelloUtf8 + "\r\n", false,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\xC3\xA9 " + kHelloUtf8 + "\r\n\r\n", 1},
      {"UTF-8 with a byte order mark is taken as UTF-8",
       "\xEF\xBB\xBF"
       "1\r\n00:00:01:000 --> 00:00:02:000\r\n" +
           kHelloUtf8 + "\r\n",
       false, "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + kHelloUtf8 + "\r\n\r\n", 1},
  };
  for (const auto& c : cases) {
    const SubRipExport standard = ExportStandardSubRip(c.file, c.plain);
    EXPECT_EQ(standard.utf8, c.standard) << c.what;
    EXPECT_EQ(standard.subtitleCount, c.count) << c.what;
  }
}

// A whole document is decoded through a table: every character, and every broken sequence, must come out as
// the program's codec gives it.
TEST(Utf8FromCp936Document, EveryCharacterAsTheCodecGivesIt) {
  std::string text =
      "a\x80"
      "b\xFF"
      "c\x81"
      "d\xFE \r\n";  // alone, or a lead byte before a byte it cannot take
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFF; ++trail) {
      text += static_cast<char>(lead);
      text += static_cast<char>(trail);
    }
  }
  text += "\x81";  // a lead byte at the end
  EXPECT_EQ(Utf8FromCp936Document(text), Utf8FromCp936(text));
}

TEST(ExportStandardSubRip, NamesTheLineThatDoesNotRead) {
  const struct {
    std::string file;
    int line;
    const char* message;
  } cases[] = {
      {"", 0, "no time line"},
      {"1\r\nhello\r\n\r\n", 0, "no time line (HH:MM:SS:mmm --> HH:MM:SS:mmm) in 3 lines"},
      {"1\r\n00:00:01:000 --> 00:00:0x:000\r\nA\r\n", 2,
       "'00:00:01:000 --> 00:00:0x:000' is not a time line"},
      {"1\r\n00:00:01:000 --> 00:00:02:000\r\nA\r\n\r\n2\r\n00:00:03 --> 00:00:04:000\r\nB\r\n", 6, "is not"},
      {"1\n0:00:01:000 --> 00:00:02:000\n", 2, "is not"},               // one digit of hours
      {"1\n00:00:01:000 --> \n", 2, "is not"},                          // no end
      {"1\n00:00:01:000 --> 00:00:02:000\nA --> B\n", 3, "'A --> B'"},  // an arrow in a text
      {"1\n-0:00:01:000 --> 00:00:02:000\n", 2, "is not"},
      {std::string("1\0\r\0\n\0" "0\0000\0:\0", 12), 0, "UTF-16"},  // without a byte order mark
  };
  for (const auto& c : cases) {
    try {
      ExportStandardSubRip(c.file);
      ADD_FAILURE() << "no error for " << c.file;
    } catch (const SubRipExportError& error) {
      EXPECT_EQ(error.Line(), c.line) << c.file;
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(StandardSubRipPath, StandardBeforeTheExtension) {
  const struct {
    const char* subtitle;
    const char* standard;
  } cases[] = {
      {"movie.srt", "movie.standard.srt"},
      {"/videos/a.b.srt", "/videos/a.b.standard.srt"},
      {"movie", "movie.standard.srt"},
      {"/videos.d/movie", "/videos.d/movie.standard.srt"},
      {"\xE5\xBD\xB1\xE7\x89\x87.srt",
       "\xE5\xBD\xB1\xE7\x89\x87.standard.srt"},  // 影片
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StandardSubRipPath(PathFromUtf8(c.subtitle)), PathFromUtf8(c.standard)) << c.subtitle;
  }
}

}  // namespace
}  // namespace titrelle
