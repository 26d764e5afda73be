#include "capture/ClockPlan.h"

#include <algorithm>
#include <cmath>

namespace titrelle {

namespace {

// The last stretch before the end mark is crossed with fine ticks. The position a player gives may stand still
// for a moment and then catch up (a frame time that comes late, an answer about the audio clock), and nothing
// says when it does: a wake-up set from a position that stood still would come late by as much. A frame of
// the screen and a bit covers such a pause; a tick every millisecond across it finds the mark passed within a
// millisecond.
constexpr std::chrono::microseconds kBeyondAFrame{1500};
constexpr std::chrono::microseconds kFineTick{1000};

}  // namespace

bool ReplayArmed(long double markStart, long double markEnd) {
  return markStart > 0 && markEnd > 0 && markStart < markEnd;
}

ClockWake NextClockWake(const ClockFacts& facts) {
  ClockWake wake;
  if (!facts.playing) {
    // A resumed video still opening is asked to seek and play again with every frame until it plays.
    wake.when = facts.pendingSeek ? ClockWake::When::NextFrame : ClockWake::When::OnEvent;
    return wake;
  }
  wake.when = ClockWake::When::NextFrame;
  if (!ReplayArmed(facts.markStart, facts.markEnd)) return wake;
  wake.replayArmed = true;
  const long double untilEndUs = (facts.markEnd - facts.position) * 1e6L;
  const auto untilFineStretch =
      std::chrono::microseconds(static_cast<long long>(std::floor(std::max(untilEndUs, 0.0L)))) -
      (facts.frameInterval + kBeyondAFrame);
  // Two frames off or more: the label's frames, which may come a little late, come first.
  if (untilFineStretch >= 2 * facts.frameInterval) return wake;
  // Closer, the wake-ups are precise: a frame on, then the start of the last stretch, then fine ticks.
  wake.when = ClockWake::When::After;
  wake.after = std::clamp(untilFineStretch, kFineTick, facts.frameInterval);
  return wake;
}

}  // namespace titrelle
