// When the position clock wakes next: only for what is due.
#include "capture/ClockPlan.h"

#include <gtest/gtest.h>

namespace titrelle {
namespace {

using std::chrono::microseconds;
using When = ClockWake::When;

TEST(NextClockWake, WakesForTheFrameThePendingSeekAndJustPastTheEndMark) {
  const microseconds frame(16000);
  const struct {
    const char* what;
    bool playing;
    bool pendingSeek;
    long double markStart, markEnd, position;
    ClockWake wake;
  } cases[] = {
      {"stopped or paused, nothing pending: until an event", false, false, 10, 12, 11, {When::OnEvent, {}, false}},
      {"a resume's seek waits for the video to play", false, true, 0, 0, 0, {When::NextFrame, {}, false}},
      {"playing, no segment: the label's frames", true, false, 0, 0, 5, {When::NextFrame, {}, false}},
      {"a start mark of 0 arms no replay", true, false, 0, 12, 11.99L, {When::NextFrame, {}, false}},
      {"the start not below the end arms no replay", true, false, 12, 12, 11.99L, {When::NextFrame, {}, false}},
      {"the last stretch two frames off or more: frames", true, false, 10, 12, 11.94L,
       {When::NextFrame, {}, true}},
      {"nearer: a precise frame", true, false, 10, 12, 11.96L, {When::After, frame, true}},
      {"within a frame of the last stretch: its start", true, false, 10, 12, 11.975L,
       {When::After, microseconds(7500), true}},
      {"the last stretch, a frame and a bit: fine ticks", true, false, 10, 12, 11.99L,
       {When::After, microseconds(1000), true}},
      {"on the end, not past it: a fine tick", true, false, 10, 12, 12, {When::After, microseconds(1000), true}},
  };
  for (const auto& c : cases) {
    ClockFacts facts;
    facts.playing = c.playing;
    facts.pendingSeek = c.pendingSeek;
    facts.markStart = c.markStart;
    facts.markEnd = c.markEnd;
    facts.position = c.position;
    facts.frameInterval = frame;
    const ClockWake wake = NextClockWake(facts);
    EXPECT_EQ(wake.when, c.wake.when) << c.what;
    EXPECT_EQ(wake.replayArmed, c.wake.replayArmed) << c.what;
    if (c.wake.when == When::After) {
      EXPECT_NEAR(wake.after.count(), c.wake.after.count(), 1) << c.what;
    }
  }
}

}  // namespace
}  // namespace titrelle
