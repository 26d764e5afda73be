// What a subtitle file is written in, as far as its bytes tell: the program edits code page 936 only.
#include <gtest/gtest.h>

#include <string>

#include "base/Cp936.h"
#include "document/SubtitleFile.h"

namespace titrelle {
namespace {

// A subtitle of the given text, in UTF-16 without a byte order mark.
std::string Utf16Subtitle(const std::u16string& text, bool littleEndian) {
  const std::u16string subtitle = u"1\r\n00:00:01:000 --> 00:00:02:000\r\n" + text + u"\r\n\r\n";
  std::string bytes;
  for (const char16_t unit : subtitle) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

TEST(DetectFileEncoding, UtfTextIsToldFromCodePage936WhateverItsCharacters) {
  const std::string timeLine = "1\r\n00:00:01:000 --> 00:00:02:000\r\n";
  std::u16string longChinese;
  for (int i = 0; i < 40; ++i) longChinese += u"\u4F60\u597D\u4E16\u754C";  // 你好世界, 160 characters
  const struct {
    const char* what;
    std::string bytes;
    FileEncoding encoding;
  } cases[] = {
      {"ASCII only", timeLine + "Hello\r\n", FileEncoding::Cp936},
      {"code page 936", timeLine + Cp936FromUtf8("{\\fn黑体}<b>你好吗</b>") + "\r\n", FileEncoding::Cp936},
      {"code page 936 with a stray zero byte", timeLine + Cp936FromUtf8("你好") + std::string(1, '\0') +
                                                   std::string(200, 'a'),
       FileEncoding::Cp936},
      {"code page 936 that is not well-formed UTF-8 (an overlong form)", timeLine + "\xC0\x80\r\n",
       FileEncoding::Cp936},
      {"UTF-8: accented letters, valid code page 936 pairs too", timeLine + "caf\xC3\xA9 na\xC3\xAFve\r\n",
       FileEncoding::Utf8},
      {"UTF-8: Chinese in runs of even length", timeLine + "\xE4\xBD\xA0\xE5\xA5\xBD\r\n", FileEncoding::Utf8},
      {"UTF-8: Chinese in runs of odd length", timeLine + "\xE4\xBD\xA0\xE5\xA5\xBD\xE5\x90\x97\r\n",
       FileEncoding::Utf8},
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + timeLine + "Hi\r\n", FileEncoding::Utf8},
      {"UTF-16 with a byte order mark", std::string("\xFF\xFE" "1\0", 4), FileEncoding::Utf16},
      {"UTF-16 little-endian, short lines", Utf16Subtitle(u"Hi", true), FileEncoding::Utf16},
      {"UTF-16 little-endian, a long Chinese line", Utf16Subtitle(longChinese, true), FileEncoding::Utf16},
      {"UTF-16 little-endian, a Chinese line of 640 characters (one unit in 18 has a zero byte)",
       Utf16Subtitle(longChinese + longChinese + longChinese + longChinese, true), FileEncoding::Utf16},
      {"UTF-16 big-endian, a long Chinese line with U+4E00", Utf16Subtitle(u"\u4E00" + longChinese, false),
       FileEncoding::Utf16},
      {"nothing but zero bytes: kept from editing, as before", std::string(64, '\0'), FileEncoding::Utf16},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectFileEncoding(c.bytes), c.encoding) << c.what;
}

// A large file is looked at as it is read, a piece at a time: the pieces tell what the whole does, its
// encoding and whether its line breaks need making CR LF, wherever the reads happen to end.
TEST(FileTextScan, PiecesTellWhatTheWholeDoes) {
  const std::string utf8 = "1\r\n00:00:01:000 --> 00:00:02:000\r\n\xE4\xBD\xA0\xE5\xA5\xBD\r\n\n";
  const std::string byteOrderMark("\xFF\xFE" "1\0", 4);
  for (const std::string& bytes :
       {utf8, Utf16Subtitle(u"\u4F60\u597D", true), byteOrderMark, Cp936FromUtf8("你好\r\n好\r\n"),
        std::string("a\nb\r\n"), std::string("a\r\nb\r"), std::string("a\rb\r\n"), std::string("\r\r\n\n"),
        std::string("\n\xC3"), std::string(9, '\0') + "\n\n"}) {
    for (const std::size_t readSize : {1, 2, 3, 7, 64}) {
      FileTextScan scan;
      std::string read;
      for (std::size_t at = 0; at < bytes.size(); at += readSize) {
        read += bytes.substr(at, readSize);
        scan.Scan(read, false);
      }
      scan.Scan(read, true);
      SCOPED_TRACE(testing::PrintToString(bytes) + " read " + std::to_string(readSize) + " at a time");
      EXPECT_EQ(scan.Encoding(read), DetectFileEncoding(bytes));
      EXPECT_EQ(scan.BreaksAreCrLf(), NormalizeLineBreaks(bytes) == bytes);
    }
  }
}

}  // namespace
}  // namespace titrelle
