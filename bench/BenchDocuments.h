#pragma once
// Documents for the benchmarks: N subtitles in the program's own layout, default style, Chinese text in code
// page 936, as a file view's text (CR LF breaks, ending with the empty separator line).

#include <string>

#include "document/TimeLine.h"

namespace titrelle::bench {

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>
inline const std::string kBenchDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
// 这是第 ... 句字幕，测试中文文本 (a subtitle line of Chinese text)
inline const std::string kBenchTextHead = "\xD5\xE2\xCA\xC7\xB5\xDA";
inline const std::string kBenchTextTail =
    "\xBE\xE4\xD7\xD6\xC4\xBB\xA3\xAC\xB2\xE2\xCA\xD4\xD6\xD0\xCE\xC4\xCE\xC4\xB1\xBE";

// The plain text of subtitle `number` (1-based).
inline std::string BenchSubtitleText(int number) {
  return kBenchTextHead + std::to_string(number) + kBenchTextTail;
}

// Where subtitle `number` (1-based) starts, and how long each shows. Past the 100,000th they come closer
// together, so that a million still end within the 100 hours a time line can say.
inline long long BenchSubtitleStartMs(int number) {
  constexpr long long kSpreadOut = 100000;
  if (number <= kSpreadOut) return 1 + (number - 1) * 2500LL;
  return 1 + (kSpreadOut - 1) * 2500LL + (number - kSpreadOut) * 100LL;
}
inline constexpr long long kBenchSubtitleMs = 2000;

// Where a document of `count` subtitles ends: its last subtitle's end.
inline long long BenchDocumentEndMs(int count) { return BenchSubtitleStartMs(count) + kBenchSubtitleMs; }

inline std::string BenchFileViewTextWithHugeLine(int count, int hugeNumber, std::size_t bytes,
                                                 bool closingTag = true);

// A file view's text of `count` subtitles; `closingTag` false gives the layout without "</b>".
inline std::string BenchFileViewText(int count, bool closingTag = true) {
  return BenchFileViewTextWithHugeLine(count, 0, 0, closingTag);
}

// A text of about `bytes` bytes on one line: the bench's Chinese sentence over and over, as a line pasted
// whole from elsewhere would be.
inline std::string BenchHugeText(std::size_t bytes) {
  const std::string sentence = BenchSubtitleText(0);
  std::string text;
  text.reserve(bytes + sentence.size());
  while (text.size() < bytes) text += sentence;
  return text;
}

// A file view's text of `count` subtitles whose subtitle `hugeNumber` (1-based; 0: none) holds
// BenchHugeText(bytes) in place of its text.
inline std::string BenchFileViewTextWithHugeLine(int count, int hugeNumber, std::size_t bytes,
                                                 bool closingTag) {
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * 110 + bytes);
  for (int i = 1; i <= count; ++i) {
    const long long start = BenchSubtitleStartMs(i);
    text += std::to_string(i) + "\r\n";
    AppendTimeLine(
        text,
        {*SubtitleTime::FromMilliseconds(start), *SubtitleTime::FromMilliseconds(start + kBenchSubtitleMs)},
        TimeLayout::Program);
    text += "\r\n";
    text += kBenchDefaultPrefix + (i == hugeNumber ? BenchHugeText(bytes) : BenchSubtitleText(i)) +
            (closingTag ? "</b>" : "") + "\r\n";
    text += "\r\n";
  }
  return text;
}

}  // namespace titrelle::bench
