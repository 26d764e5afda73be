#include "platforms/linux/PlaybackClock.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace titrelle {
namespace {

// A step back of the clock up to this much is its own wobble, and does not show. Beyond it the clock has
// really gone back, and the position follows.
constexpr double kWobbleSeconds = 0.0005;
// Just after a restart the clock may read this much short of where it restarted; further back it has been
// moved by something else.
constexpr double kRestartShortfallSeconds = 0.25;

}  // namespace

void PlaybackClock::Restart(double seconds, TimePoint at) {
  lastSeconds_ = seconds;
  restarting_ = true;
  frameSeconds_ = -1;
  restartSeconds_ = seconds;
  restartedAt_ = at;
  frameTimeSinceRestart_ = false;
}

bool PlaybackClock::TakesFrameTime(double frameSeconds, TimePoint seenAt) {
  if (std::exchange(frameTimeSinceRestart_, true)) return true;
  // The frame time runs a frame ahead, and a frame may be late: two frames of slack.
  const double since = std::max(std::chrono::duration<double>(seenAt - restartedAt_).count(), 0.0);
  const double slack = 2 * frameDurationSeconds_;
  return frameSeconds >= restartSeconds_ - kRestartShortfallSeconds &&
         frameSeconds <= restartSeconds_ + since + slack;
}

void PlaybackClock::SetFrameDuration(double seconds) {
  if (std::isfinite(seconds) && seconds > 0.001 && seconds < 1.0) frameDurationSeconds_ = seconds;
}

double PlaybackClock::FromAudio(double audioSeconds) { return Settle(audioSeconds); }

double PlaybackClock::FromFrameTime(double frameSeconds, TimePoint seenAt, TimePoint now) {
  if (frameSeconds != frameSeconds_) {
    frameSeconds_ = frameSeconds;
    frameSeenAt_ = seenAt;
  }
  const double sinceSeen = std::chrono::duration<double>(now - frameSeenAt_).count();
  return Settle(frameSeconds - frameDurationSeconds_ + std::clamp(sinceSeen, 0.0, frameDurationSeconds_));
}

double PlaybackClock::Settle(double rawSeconds) {
  if (!std::isfinite(rawSeconds)) return lastSeconds_;
  if (restarting_) {
    if (rawSeconds < lastSeconds_ && rawSeconds >= lastSeconds_ - kRestartShortfallSeconds)
      return lastSeconds_;
    restarting_ = false;
  } else if (rawSeconds < lastSeconds_ && rawSeconds >= lastSeconds_ - kWobbleSeconds) {
    return lastSeconds_;
  }
  lastSeconds_ = rawSeconds;
  return lastSeconds_;
}

std::string FormatPositionString(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const long long whole = static_cast<long long>(std::floor(seconds));
  const long long hours = whole / 3600;
  // Built by hand: the clock asks for it twice a tick, and a formatted print costs more than the rest of
  // the tick together.
  auto twoDigits = [](std::string& text, long long value) {
    text += static_cast<char>('0' + value / 10 % 10);
    text += static_cast<char>('0' + value % 10);
  };
  std::string text;
  if (hours > 0) {
    if (hours >= 100) text = std::to_string(hours / 100);
    twoDigits(text, hours % 100);
    text += ':';
  }
  twoDigits(text, whole / 60 % 60);
  text += ':';
  twoDigits(text, whole % 60);
  return text;
}

}  // namespace titrelle
