#include "platforms/linux/PlaybackClock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace titrelle {
namespace {

// A step back of the clock up to this much is its own wobble, and does not show. Beyond it the clock has
// really gone back, and the position follows.
constexpr double kWobbleSeconds = 0.0005;
// Just after a restart the clock may read this much short of where it restarted; further back it has been
// moved by something else.
constexpr double kRestartShortfallSeconds = 0.25;

}  // namespace

void PlaybackClock::Restart(double seconds) {
  lastSeconds_ = seconds;
  restarting_ = true;
  frameSeconds_ = -1;
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
  const int minutes = static_cast<int>(whole / 60 % 60);
  const int secs = static_cast<int>(whole % 60);
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", hours, minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", minutes, secs);
  }
  return text;
}

}  // namespace titrelle
