#include "capture/TimeText.h"

#include <gtest/gtest.h>

#include "base/Error.h"

namespace titrelle {
namespace {

TEST(PositionDecimalText, FifteenSignificantDigitsWithoutTrailingZeros) {
  const struct {
    double position;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {65.5, "65.5"},
      {754.1234567, "754.1234567"},
      {12.9996, "12.9996"},
      {100, "100"},
      {0.1 + 0.2, "0.3"},  // the 17th digit is rounded away
      {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"},  // the smallest magnitude written in decimals
      {0.00005, "5E-5"},
      {0.00001234, "1.234E-5"},
      {0.00009999999999999999, "0.0001"},  // rounds up into the decimal range
      {-0.00005, "-5E-5"},
      {-1.5, "-1.5"},
      {123456789012345, "123456789012345"},
      {1e15, "1E15"},
      {1234567890123456, "1.23456789012346E15"},
  };
  for (const auto& c : cases) EXPECT_EQ(PositionDecimalText(c.position), c.text) << c.position;
}

TEST(ComposeTimeText, PositionStringAndCutMilliseconds) {
  const struct {
    const char* positionString;
    double position;
    const char* timeText;
  } cases[] = {
      {"12:34", 754.1234567, "00:12:34:123"},
      {"01:02:03", 3723.4567, "01:02:03:456"},
      {"01:05", 65.5, "00:01:05:500"},
      {"00:12", 12.05, "00:00:12:050"},
      {"00:12", 12.9996, "00:00:12:999"},  // cut, not rounded up to the next second
      {"", 0, ":0"},                       // no media: the no-position text
      {"00:00", 0, "00:00:00:000"},        // a whole second has 000 milliseconds
      {"00:00", 0.00005, "00:00:00:000"},  // below a tenth of a millisecond, written 5E-5
      {"01:02:03", 3723, "01:02:03:000"},  // not the first digits of 3723
      {"00:01", 1, "00:00:01:000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeTimeText(c.positionString, c.position), c.timeText)
        << c.positionString << " " << c.position;
  }
}

TEST(TimeTextToSeconds, ReadsEachField) {
  EXPECT_NEAR(static_cast<double>(TimeTextToSeconds("01:02:03:456")), 3723.456, 1e-9);
  EXPECT_NEAR(static_cast<double>(TimeTextToSeconds("00:00:00:001")), 0.001, 1e-12);
  EXPECT_NEAR(static_cast<double>(TimeTextToSeconds("00:10:05:250")), 605.25, 1e-12);
  EXPECT_NEAR(static_cast<double>(TimeTextToSeconds("99:59:59:999")), 359999.999, 1e-9);
}

TEST(TimeTextToSeconds, FieldThatIsNotAnIntegerNamesItsText) {
  const struct {
    const char* timeText;
    const char* message;
  } cases[] = {
      {"", "'' is not a valid integer value"},
      {"00:00:0", "'' is not a valid integer value"},  // milliseconds missing
      {":0", "':0' is not a valid integer value"},
      {"0a:00:00:000", "'0a' is not a valid integer value"},
      {"00:00:00:1x3", "'1x3' is not a valid integer value"},
      {"00: 1:00:000", "' 1' is not a valid integer value"},
      {"00:00:0x:000", "'0x' is not a valid integer value"},
      {"-1:00:01:000", "'-1' is not a valid integer value"},  // no time before the video
  };
  for (const auto& c : cases) {
    try {
      TimeTextToSeconds(c.timeText);
      ADD_FAILURE() << "no error for '" << c.timeText << "'";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), c.message) << c.timeText;
    }
  }
}

TEST(TrimText, RemovesBlanksAndControlsButNotDoubleByteCharacters) {
  EXPECT_EQ(TrimText(" \t abc d\r\n"), "abc d");
  EXPECT_EQ(TrimText("\x01\x1F"), "");
  EXPECT_EQ(TrimText(""), "");
  // 黑体 ends in 0xE5 and starts with 0xBA: signed chars would take both for control characters.
  EXPECT_EQ(TrimText(" \xBA\xDA\xCC\xE5 "), "\xBA\xDA\xCC\xE5");
}

}  // namespace
}  // namespace titrelle
