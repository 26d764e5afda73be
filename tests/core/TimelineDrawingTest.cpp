#include "media/TimelineDrawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace titrelle {
namespace {

TEST(TimelineDrawing, TheRulersStepKeepsItsLabelsApart) {
  const struct {
    const char* what;
    double startSeconds, endSeconds, columnsPerSecond;
    double step;
    bool tenths;
    std::size_t ticks, labelled;
  } cases[] = {
      {"ten seconds across 1000 columns: a label a second, a tick a fifth", 0, 10, 100, 1, false, 51, 11},
      {"a second across 1000 columns: a label a tenth", 4, 5, 1000, 0.1, true, 51, 11},
      {"ten minutes across 1000 columns: a label a minute", 0, 600, 1000.0 / 600, 60, false, 51, 11},
      {"before the start nothing", -3, 7, 100, 1, false, 36, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ruler ruler;
    ComposeRuler(c.startSeconds, c.endSeconds, c.columnsPerSecond, ruler);
    EXPECT_DOUBLE_EQ(ruler.stepSeconds, c.step);
    EXPECT_EQ(ruler.tenths, c.tenths);
    EXPECT_EQ(ruler.ticks.size(), c.ticks);
    std::size_t labelled = 0;
    for (const RulerTick& tick : ruler.ticks) labelled += tick.labelled;
    EXPECT_EQ(labelled, c.labelled);
  }
}

TEST(TimelineDrawing, RulerLabels) {
  const struct {
    double seconds;
    bool tenths;
    const char* text;
  } cases[] = {
      {0, false, "0:00"}, {65, false, "1:05"}, {3725.4, true, "1:02:05.4"}, {0.3, true, "0:00.3"},
      {599.96, false, "10:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(RulerText(c.seconds, c.tenths), c.text) << c.seconds;
}

TEST(TimelineDrawing, EachColumnSpansThePeaksItCovers) {
  // 50 ms of sound: silence, then full scale both ways, then half scale up only.
  const std::vector<AudioPeak> peaks = {{0, 0}, {0, 0}, {-32767, 32767}, {0, 16384}, {0, 16384}};
  std::vector<WaveColumn> columns;
  // 50 columns a second: two 10 ms peaks a column; the view starts 10 ms before the sound. Column 0 covers
  // the time before the sound and the first peak; the columns end with the sound (column 3 starts at 4.99...
  // peaks, in floating point, and shows the last one again).
  ComposeWaveform(peaks, peaks.size(), 100, -0.01, 50, 10, 102, columns);
  EXPECT_EQ(columns, (std::vector<WaveColumn>{{0, 61, 1}, {1, 11, 101}, {2, 36, 26}, {3, 36, 26}}));
  // Peaks not decoded yet are not drawn.
  ComposeWaveform(peaks, 2, 100, 0, 50, 10, 102, columns);
  EXPECT_EQ(columns, (std::vector<WaveColumn>{{0, 61, 1}}));
}

}  // namespace
}  // namespace titrelle
