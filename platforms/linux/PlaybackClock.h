#pragma once
// The position the player reports while the media plays, made from mpv's clocks. mpv's frame time moves in
// whole frames and runs one frame ahead of the picture; its audio clock moves smoothly but may wobble by a
// fraction of a millisecond, and reads a little short of a seek's target just after the seek. The program
// compares positions with its marks, near an end mark every millisecond, so what it reads must move smoothly:
// it does not go back for a wobble, nor below where playback restarted. A real step back of the clock (the
// audio output falling behind on a busy machine, which holds the picture too) is followed: a position ahead of
// the clock would put marks ahead of the picture.

#include <chrono>
#include <string>

namespace titrelle {

class PlaybackClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // Playback (re)starts from `seconds` at `at`: readings short of it read as it until the clock gets there.
  void Restart(double seconds, TimePoint at = TimePoint::clock::now());
  void SetFrameDuration(double seconds);
  double FrameDuration() const { return frameDurationSeconds_; }

  // A reading of the audio clock.
  double FromAudio(double audioSeconds);
  // A reading of the frame time at the monotonic time `now`: the picture shown is one frame older, and the
  // time since this frame time was first seen moves the position on, until the next frame is due.
  double FromFrameTime(double frameSeconds, TimePoint now) { return FromFrameTime(frameSeconds, now, now); }
  // The same, for a frame time that came in at `seenAt`, read at `now`.
  double FromFrameTime(double frameSeconds, TimePoint seenAt, TimePoint now);
  double Last() const { return lastSeconds_; }

  // Whether a frame time that came in at `seenAt` belongs to the playback since the last restart. mpv reads
  // an observed value when it is asked for and hands it over after the events queued meanwhile, so the
  // first one after a restart may have been read before the seek: one farther from where playback
  // restarted than playback can have gone since is not taken. The ones after it were read after the
  // restart and are always taken.
  bool TakesFrameTime(double frameSeconds, TimePoint seenAt);

 private:
  double Settle(double rawSeconds);

  double frameDurationSeconds_ = 0.04;
  double lastSeconds_ = 0;
  bool restarting_ = false;
  double restartSeconds_ = 0;
  TimePoint restartedAt_{};
  bool frameTimeSinceRestart_ = false;
  double frameSeconds_ = -1;
  TimePoint frameSeenAt_{};
};

// "MM:SS" below an hour, "HH:MM:SS" from an hour on; whole seconds cut, not rounded, as the milliseconds
// are cut from the same position.
std::string FormatPositionString(double seconds);

}  // namespace titrelle
