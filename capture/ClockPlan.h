#pragma once
// When the position clock is next due. The clock serves what the user sees and what the segment replay
// promises, and wakes for nothing else: a label that is fresh on every frame the screen shows while the video
// plays, a pending seek after a resume until the video plays, and the replay's jump within a millisecond or
// two past the end mark. With the video stopped or paused and nothing pending it sleeps until an event (a
// key, a click, the player) wakes it.

#include <chrono>

namespace titrelle {

struct ClockFacts {
  bool playing = false;      // the player's play state is 3
  bool pendingSeek = false;  // a resume's seek not yet served
  // The replay's marks and the position read last, in seconds.
  long double markStart = 0;
  long double markEnd = 0;
  long double position = 0;
  std::chrono::microseconds frameInterval{16667};
};

struct ClockWake {
  enum class When { OnEvent, NextFrame, After };
  When when = When::OnEvent;
  std::chrono::microseconds after{0};  // for After
  bool replayArmed = false;            // the end of a marked segment is ahead while the video plays
  bool operator==(const ClockWake&) const = default;
};

// The replay repeats a segment only while 0 < MarkStart < MarkEnd.
bool ReplayArmed(long double markStart, long double markEnd);

// The wake-up after a tick that saw `facts`. Near the end mark it is set for a frame or so before it, and
// from there the clock ticks every millisecond until the position has passed the mark and the replay has
// jumped.
ClockWake NextClockWake(const ClockFacts& facts);

}  // namespace titrelle
