// A subtitle's time read from and written in the program's layout and the standard one.
#include "capture/SubtitleTime.h"

#include <gtest/gtest.h>

#include <optional>

namespace titrelle {
namespace {

TEST(SubtitleTime, ReadsBothLayoutsWithinItsBoundsAndWritesWhatReadsBack) {
  const struct {
    const char* text;
    long long milliseconds;
    const char* program;  // as written again
    const char* standard;
  } accepted[] = {
      {"00:00:01:000", 1000, "00:00:01:000", "00:00:01,000"},
      {"00:00:01,000", 1000, "00:00:01:000", "00:00:01,000"},
      {"01:02:03.456", 3723456, "01:02:03:456", "01:02:03,456"},  // a point, from elsewhere
      {"00:00:00:000", 0, "00:00:00:000", "00:00:00,000"},
      // Minutes and seconds up to 99 read as they stand; written, they carry into the next field.
      {"00:00:75:000", 75000, "00:01:15:000", "00:01:15,000"},
      {"99:99:99:999", 362439999, "100:40:39:999", "100:40:39,999"},
      {"100:40:39,999", 362439999, "100:40:39:999", "100:40:39,999"},
      {"999:59:59:999", SubtitleTime::kMostMilliseconds, "999:59:59:999", "999:59:59,999"},
  };
  for (const auto& c : accepted) {
    SCOPED_TRACE(c.text);
    const std::optional<SubtitleTime> time = SubtitleTime::Read(c.text);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->Milliseconds(), c.milliseconds);
    EXPECT_EQ(time->Text(TimeLayout::Program), c.program);
    EXPECT_EQ(time->Text(TimeLayout::Standard), c.standard);
    EXPECT_EQ(SubtitleTime::Read(c.program), time);
    EXPECT_EQ(SubtitleTime::Read(c.standard), time);
  }

  const char* const refused[] = {// Beyond the bound; overlong fields.
                                 "999:59:60:000", "1000:00:00:000", "99999999999999999999:00:00:000",
                                 "00:00:01:99999999999999999999", "00:00:01:0000",
                                 // Fields short of digits, or not digits.
                                 "0:00:01:000", "00:00:01:00", "00:0x:01:000", "-0:00:01:000", "+0:00:01:000",
                                 "00:00:01:\xA3\xB0\xA3\xB0",  // full-width digits in code page 936
                                 " 00:00:01:000", "",
                                 // Separators.
                                 "00:00:01;000", "00-00:01:000", "00:00-01:000"};
  for (const char* text : refused) EXPECT_EQ(SubtitleTime::Read(text), std::nullopt) << text;
  EXPECT_EQ(SubtitleTime::FromMilliseconds(-1), std::nullopt);
  EXPECT_EQ(SubtitleTime::FromMilliseconds(SubtitleTime::kMostMilliseconds + 1), std::nullopt);
}

}  // namespace
}  // namespace titrelle
