// The subtitles as the player's renderer takes them: every subtitle one event, its look kept.
#include "document/PreviewTrack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Cp936.h"
#include "document/Listing.h"
#include "document/SubtitleIndex.h"

namespace titrelle {
namespace {

std::string Event(const std::string& start, const std::string& end, const std::string& text) {
  return "Dialogue: 0," + start + "," + end + ",Default,,0,0,0,," + text + "\n";
}

TEST(PreviewTrack, TagsBecomeOverrideCodesAndOverrideBlocksStayAsTheyAre) {
  struct Case {
    std::string subRip, event;
  };
  const Case cases[] = {
      // The default style and a custom one, as the program writes them (UTF-8 here).
      {"{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>Hello</b>",
       "{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}{\\b1}Hello{\\b0}"},
      {"<font color=#123456>{\\fn宋体\\fs24\\pos(120,40)\\}Hi",
       "{\\c&H563412&}{\\fn宋体\\fs24\\pos(120,40)\\}Hi"},
      {"<I>a</i><u>b</u><s>c</s>", "{\\i1}a{\\i0}{\\u1}b{\\u0}{\\s1}c{\\s0}"},
      // Font tags nest: closing one gives back what the enclosing one set, or the style's own.
      {"<font color=\"red\" face='Serif' size=30>a<font color=#00FF00>b</font>c</font>d",
       "{\\c&H0000FF&\\fnSerif\\fs30}a{\\c&H00FF00&}b{\\c&H0000FF&}c{\\c\\fn\\fs}d"},
      // What is no tag the renderer knows stays text; so does a "</font>" that closes nothing.
      {"a < b <br> <font color=nocolour>x</font></font>", "a < b <br> x"},
      // The lines of a subtitle, one event.
      {"one\r\n<b>two</b>", "one\\N{\\b1}two{\\b0}"},
  };
  for (const Case& c : cases) EXPECT_EQ(EventTextFromSubRip(c.subRip), c.event) << c.subRip;
}

// The events' lines, one after the other.
std::string Lines(const std::vector<PreviewEvent>& events) {
  std::string lines;
  for (const PreviewEvent& event : events) lines += event.line;
  return lines;
}

TEST(PreviewTrack, EverySubtitleOfTheFileViewIsOneEventInHundredths) {
  const std::string prefix = Cp936FromUtf8("{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>");
  const std::string fileView = "1\r\n00:00:00:001 --> 00:00:02:345\r\n" + prefix + Cp936FromUtf8("你好") +
                               "</b>\r\n\r\n"
                               // A time line being typed over: only its own subtitle is left out.
                               "2\r\n00:00:0 --> 00:00:04:000\r\n" +
                               prefix + "gone</b>\r\n\r\n" + "3\r\n01:02:03:994 --> 99:59:59:999\r\n" +
                               prefix + "Three\r\n\r\n";
  const std::string utf8Prefix = "{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}{\\b1}";
  const std::vector<PreviewEvent> events = PreviewEvents(fileView);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].startMs, 1);
  EXPECT_EQ(events[0].endMs, 2345);
  EXPECT_EQ(events[1].endMs, 359999999);
  EXPECT_EQ(Lines(events), Event("0:00:00.00", "0:00:02.35", utf8Prefix + "你好{\\b0}") +
                               Event("1:02:03.99", "100:00:00.00", utf8Prefix + "Three"));
  // Nothing that reads as a subtitle: no events, and no error either.
  EXPECT_TRUE(PreviewEvents("").empty());
  EXPECT_TRUE(PreviewEvents("just text\r\n").empty());
}

TEST(PreviewTrack, TheSubtitlesOfAStretchAreTheWholeFilesEventsThatShowInIt) {
  // Out of order, with two text lines, a comma time from elsewhere, a number-less subtitle, no final break.
  Listing fileView;
  fileView.SetListingText(
      "1\r\n00:00:10:000 --> 00:00:12:000\r\nten\r\nand more\r\n\r\n"
      "2\r\n00:00:01:000 --> 00:00:02:000\r\n<b>one</b>\r\n\r\n"
      "00:01:00,500 --> 00:01:02,000\r\nminute\r\n"
      "4\r\n00:00:11:500 --> 00:00:20:000\r\n" +
      Cp936FromUtf8("十一") +
      "\r\n\r\n"
      "5\r\n00:00:30:000 --> 00:00:31:000\r\nlast");
  const std::vector<PreviewEvent> whole = PreviewEvents(fileView.Text());
  ASSERT_EQ(whole.size(), 5u);
  for (const auto& [fromMs, toMs] : {std::pair{0LL, 100000LL},
                                     {11000LL, 12000LL},
                                     {0LL, 1500LL},
                                     {60000LL, 60000LL},
                                     {25000LL, 29000LL},
                                     {20000LL, 30000LL}}) {
    std::string expected;
    for (const PreviewEvent& event : whole) {
      if (event.startMs <= toMs && event.endMs >= fromMs) expected += event.line;
    }
    EXPECT_EQ(Lines(PreviewEventsBetween(SubtitleIndex(fileView), fromMs, toMs)), expected)
        << fromMs << ".." << toMs;
  }
}

TEST(PreviewTrack, ATimeLineWhoseTimesDoNotReadIsNoEvent) {
  // A resumed file may hold anything on a time line; too many digits are no time at all.
  const std::string good = "1\r\n00:00:01:000 --> 00:00:02:000\r\ngood\r\n\r\n";
  const char* const badTimeLines[] = {
      "00:00:01:000 --> 99999999999999999999:00:00:000",
      "99999999999999999999:00:00:000 --> 00:00:02:000",
      "00:00:01:000 --> 00:00:02:99999999999999999999",
      "00:00:01:000 --> 00:99999999999999999999:00,000",
      "00:00:01:000 --> 00:00:0",
  };
  for (const char* badTimeLine : badTimeLines) {
    Listing fileView;
    fileView.SetListingText(good + "2\r\n" + badTimeLine + "\r\nbad\r\n\r\n");
    EXPECT_EQ(Lines(PreviewEventsBetween(SubtitleIndex(fileView), 0, 1LL << 60)),
              Event("0:00:01.00", "0:00:02.00", "good"))
        << badTimeLine;
  }
}

TEST(PreviewTrack, ALineLongerThanAScreenReachesThePlayerCutOnACharacterBeforeAnyOpenMarkup) {
  const std::string zi = Cp936FromUtf8("字");
  const std::string goesOn = Cp936FromUtf8("…");
  const auto times = [](const std::string& piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
  };
  struct Case {
    std::string line, shown;
  };
  const Case cases[] = {
      {times("a", kPreviewLineBytes), times("a", kPreviewLineBytes)},
      {times("a", kPreviewLineBytes + 1), times("a", kPreviewLineBytes - 2) + goesOn},
      {times(zi, 1000), times(zi, (kPreviewLineBytes - 2) / 2) + goesOn},
      // A double-byte character that would straddle the cut goes whole.
      {"a" + times(zi, 1000), "a" + times(zi, (kPreviewLineBytes - 3) / 2) + goesOn},
      // An override block or a tag that the cut would leave open goes whole; closed ones stay.
      {"{\\b1}" + times("x", 590) + "{\\fs20}" + times("y", 100), "{\\b1}" + times("x", 590) + goesOn},
      {times("x", 590) + "<font color=#FFFFFF>" + times("y", 100), times("x", 590) + goesOn},
  };
  for (const Case& c : cases) EXPECT_EQ(PreviewLine(c.line), c.shown) << c.line.size();

  // Only the long line's event is cut; the file view keeps it whole.
  Listing fileView;
  const std::string huge = times(zi, 500000);
  fileView.SetListingText("1\r\n00:00:01:000 --> 00:00:02:000\r\n" + huge +
                          "\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:000\r\nshort\r\n\r\n");
  const std::vector<PreviewEvent> events = PreviewEventsBetween(SubtitleIndex(fileView), 0, 10000);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].line,
            Event("0:00:01.00", "0:00:02.00", Utf8FromCp936(times(zi, (kPreviewLineBytes - 2) / 2) + goesOn)));
  EXPECT_EQ(events[1].line, Event("0:00:03.00", "0:00:04.00", "short"));
  EXPECT_EQ(fileView.LineView(2), huge);
  EXPECT_EQ(PreviewTypedEvent(1, 2, huge), events[0].line);
}

TEST(PreviewTrack, TheTypedLineAndTheScript) {
  const std::string line = Cp936FromUtf8("<font color=#FFFFFF>{\\fn黑体\\fs18\\pos(,)\\}字幕");
  EXPECT_EQ(PreviewTypedEvent(1.2344L, 3.5L, line),
            Event("0:00:01.23", "0:00:03.50", "{\\c&HFFFFFF&}{\\fn黑体\\fs18\\pos(,)\\}字幕"));
  // No segment, no event.
  EXPECT_EQ(PreviewTypedEvent(3.5L, 3.5L, line), "");
  EXPECT_EQ(PreviewTypedEvent(4.0L, 3.5L, line), "");

  // The script holds the events that show at some time of the stretch asked for, and the typed line.
  const std::vector<PreviewEvent> events = {
      {0, 1000, "A\n"}, {5000, 6000, "B\n"}, {2000, 2500, "C\n"}, {9000, 12000, "D\n"}};
  const std::string script = PreviewScript(events, 1000, 5000, "T\n");
  EXPECT_TRUE(script.starts_with("[Script Info]\n"));
  EXPECT_NE(script.find("PlayResX: 384\nPlayResY: 288\n"), std::string::npos);
  EXPECT_TRUE(script.ends_with(
      "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\nA\nB\nC\nT\n"));
  EXPECT_TRUE(PreviewScript(events, 10000, 11000).ends_with("Text\nD\n"));
}

}  // namespace
}  // namespace titrelle
