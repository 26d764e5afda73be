// The lines already written, as the player panel's strip draws them: read from the file view's time lines.
#include "document/WrittenSpans.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace titrelle {
namespace {

TEST(WrittenSpansTest, EveryTimeLineIsASpanNumberedByTheLineBeforeIt) {
  const std::string text =
      "1\r\n00:00:00:001 --> 00:00:02:345\r\n<b>Hello</b>\r\n\r\n"
      "2\r\n00:00:02:346 --> 00:00:03:500\r\n<b>One</b>\r\n\r\n"
      "17\r\n01:02:03:004 --> 01:02:05:000\r\n<b>Far</b>\r\n\r\n";
  const std::vector<TimelineSpan> spans = ReadWrittenSpans(text);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0], (TimelineSpan{1, 0.001, 2.345, "<b>Hello</b>"}));
  EXPECT_EQ(spans[1].number, 2);
  EXPECT_DOUBLE_EQ(spans[1].startSeconds, 2.346);
  EXPECT_EQ(spans[2].number, 17);
  EXPECT_DOUBLE_EQ(spans[2].startSeconds, 3723.004);
  EXPECT_DOUBLE_EQ(spans[2].endSeconds, 3725.0);
}

TEST(WrittenSpansTest, WhatDoesNotReadIsPassedOverAndAMissingNumberIsTheTimeLinesPlace) {
  const struct {
    const char* text;
    std::vector<TimelineSpan> spans;
  } cases[] = {
      {"", {}},
      {"no time here\r\n", {}},
      // Halfway through typing in edit mode.
      {"1\r\n00:00:01:000 --> 00:00:0\r\n", {}},
      {"1\r\n00:00:01:000 -->\r\n", {}},
      {"1\r\n-1:00:01:000 --> 00:00:02:000\r\n", {}},
      // Too many digits are no time and no number.
      {"1\r\n00:00:01:000 --> 99999999999999999999:00:00:000\r\n", {}},
      {"99999999999999999999\r\n00:00:01:000 --> 00:00:02:000\r\n", {{1, 1, 2}}},
      // No number line: its place among the time lines.
      {"00:00:01:000 --> 00:00:02:000\r\nx\r\n\r\n00:00:03:000 --> 00:00:04:000", {{1, 1, 2, "x"}, {2, 3, 4}}},
      // Blanks around the times, and a last line without a break.
      {" 4 \r\n 00:00:01:000-->00:00:02:000 ", {{4, 1, 2}}},
      // Read as the standard copy reads them: a comma or a point, what follows the end.
      {"00:00:01,000 --> 00:00:02.000 X1:10", {{1, 1, 2}}},
      // The second time line does not read but counts for the places after it.
      {"00:00:01:000 --> 00:00:02:000\r\nab --> cd\r\n00:00:05:000 --> 00:00:06:000", {{1, 1, 2}, {3, 5, 6}}},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.text);
    EXPECT_EQ(ReadWrittenSpans(entry.text), entry.spans);
  }
}

// A label shows a line's start only: a long line keeps its first kSpanTextBytes, never half a character.
TEST(WrittenSpansTest, ALongLineKeepsItsStartInWholeCharacters) {
  const std::string wide = "\xBA\xDA";  // one double-byte character
  const struct {
    std::string text;
    std::string kept;
  } cases[] = {
      {std::string(kSpanTextBytes, 'a'), std::string(kSpanTextBytes, 'a')},
      {std::string(kSpanTextBytes + 5, 'a'), std::string(kSpanTextBytes, 'a')},
      {"a" + std::string(kSpanTextBytes, '\xBA'), "a" + std::string(kSpanTextBytes - 2, '\xBA')},
      {std::string(kSpanTextBytes - 1, 'a') + wide, std::string(kSpanTextBytes - 1, 'a')},
  };
  for (const auto& c : cases) {
    const std::vector<TimelineSpan> spans =
        ReadWrittenSpans("1\r\n00:00:00:001 --> 00:00:02:345\r\n" + c.text + "\r\n");
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].text, c.kept) << c.text.size();
  }
}

TEST(WrittenSpansTest, TheIndexFindsTheSpansShowingInAStretchWhateverTheirOrderInTheFile) {
  WrittenSpanIndex index;
  // Edited out of order; one long line.
  index.Assign({{3, 20, 22}, {1, 1, 2}, {2, 5, 15}, {4, 30, 31}});
  std::vector<TimelineSpan> found;
  const auto numbers = [&](double from, double to) {
    index.Between(from, to, found);
    std::vector<int> result;
    for (const TimelineSpan& span : found) result.push_back(span.number);
    return result;
  };
  EXPECT_EQ(numbers(0, 40), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(numbers(14, 19), (std::vector<int>{2}));   // the long line began long before
  EXPECT_EQ(numbers(2, 5), (std::vector<int>{1, 2}));  // touching at both ends
  EXPECT_EQ(numbers(16, 19.9), (std::vector<int>{}));
  EXPECT_EQ(numbers(31.5, 50), (std::vector<int>{}));
  index.Assign({});
  EXPECT_EQ(numbers(0, 40), (std::vector<int>{}));
}

}  // namespace
}  // namespace titrelle
