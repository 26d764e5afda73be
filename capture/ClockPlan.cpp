#include "capture/ClockPlan.h"

#include <algorithm>
#include <cmath>

namespace titrelle {

namespace {

// How far past the end mark the wake-up is set: the replay jumps only once the position is beyond the mark.
constexpr std::chrono::microseconds kPastTheEnd{250};
// The shortest wake-up while waiting for the position to pass the end: fine, but never a busy loop.
constexpr std::chrono::microseconds kFinestTick{250};

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
  const auto untilJustPast =
      std::chrono::microseconds(static_cast<long long>(std::ceil(std::max(untilEndUs, 0.0L)))) + kPastTheEnd;
  // Two frames off or more: the label's frames, which may come a little late, come first.
  if (untilJustPast >= 2 * facts.frameInterval) return wake;
  // Closer, the wake-ups are precise: a frame on, and the last one just past the end.
  wake.when = ClockWake::When::After;
  wake.after = std::clamp(untilJustPast, kFinestTick, facts.frameInterval);
  return wake;
}

}  // namespace titrelle
