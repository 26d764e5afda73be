#include "document/LastTimeLine.h"

#include <gtest/gtest.h>

#include <string>

namespace titrelle {
namespace {

const std::string kPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
const std::string kTwoGroups = "1\r\n00:00:00:001 --> 00:00:02:345\r\n" + kPrefix + "Hi</b>\r\n\r\n" +
                               "2\r\n00:01:02:003 --> 00:01:04:500\r\n" + kPrefix + "There</b>\r\n\r\n";

TEST(LastTimeLineTest, FindsTheLastTimeLineWithOrWithoutAFinalBreak) {
  const struct {
    std::string text;
    int lineCount;
    std::string start;
    std::string end;
  } cases[] = {
      {kTwoGroups, 8, "00:01:02:003 ", "00:01:04:500\r"},
      {kTwoGroups.substr(0, kTwoGroups.size() - 4), 7, "00:01:02:003 ", "00:01:04:500\r"},
      // The time line is the last line and has no break: only the time is left.
      {"\r\n 1\r\n00:01:02:003 --> 00:01:04:500", 2, "00:01:02:003 ", "00:01:04:500"},
      {"1\r\n00:01:02:003 --> 00:01:04:500 \t\r\n", 2, "00:01:02:003 ", "00:01:04:500"},
      // Fewer lines than arrows: only as many arrows are visited.
      {kTwoGroups, 1, "00:00:00:001 ", "00:00:02:345\r"},
      // An arrow in the last subtitle's text is the last one found.
      {kTwoGroups + "3\r\n00:00:05:000 --> 00:00:06:000\r\na --> b", 11, "00:06:000\r\na ", "b"},
      // Near the text's start the start box has what there is.
      {"x --> 00:00:01:000", 1, "x ", "00:00:01:000"},
      {"-->", 1, "", ""},
  };
  for (const auto& c : cases) {
    const LastTimeLineBoxes boxes = FindLastTimeLine(c.text, c.lineCount);
    EXPECT_TRUE(boxes.found) << c.text;
    EXPECT_EQ(boxes.startBoxText, c.start) << c.text;
    EXPECT_EQ(boxes.endBoxText, c.end) << c.text;
  }
}

TEST(LastTimeLineTest, NoArrowOrNoLinesFindsNothing) {
  for (const auto& [text, lineCount] : {std::pair<std::string, int>{"", 0},
                                        {"1\r\nno time line\r\n", 2},
                                        {kTwoGroups, 0},
                                        {kTwoGroups, -1}}) {
    const LastTimeLineBoxes boxes = FindLastTimeLine(text, lineCount);
    EXPECT_FALSE(boxes.found);
    EXPECT_EQ(boxes.startBoxText, "");
    EXPECT_EQ(boxes.endBoxText, "");
  }
}

TEST(LastTimeLineTest, OverlappingArrowsAreVisitedOneCharacterApart) {
  // "--->" holds an arrow at its second character; "---->" too, and the cut text starts with "->".
  EXPECT_EQ(FindLastTimeLine("12345678901234--->ABCDEFGHIJKLMNOP", 5).startBoxText, "345678901234-");
  const LastTimeLineBoxes boxes = FindLastTimeLine("a-->-->bcdef", 5);
  EXPECT_EQ(boxes.startBoxText, "a-->");
  EXPECT_EQ(boxes.endBoxText, "cdef");
}

}  // namespace
}  // namespace titrelle
