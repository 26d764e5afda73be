#pragma once
// What the program needs of a media player. Every failing call throws titrelle::Error.

#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "media/AudioPeaks.h"
#include "media/PlayerTimeline.h"

namespace titrelle {

class MediaPlayer {
 public:
  static constexpr int kPlayStatePlaying = 3;

  virtual ~MediaPlayer() = default;
  virtual void SetURL(
      const std::filesystem::path& path) = 0;  // full path, the system's own; the player loads it
  virtual void Stop() = 0;                     // the opened media stays stopped until Play
  virtual void Play() = 0;                     // runs on from the current position
  virtual void Pause() = 0;
  virtual double CurrentPosition() = 0;                 // seconds from the start
  virtual void SetCurrentPosition(double seconds) = 0;  // a read right after returns the new position
  // "MM:SS" below an hour, "HH:MM:SS" from an hour on, empty when there is no position.
  virtual std::string CurrentPositionString() = 0;
  virtual int PlayState() = 0;       // 3 means playing
  virtual double Duration() const { return 0; }  // the media's length in seconds; 0 while unknown
  virtual std::string Status() = 0;  // shown to the user as it comes (code page 936)
  // The media last given cannot be played (a missing file, not a video); false while it opens and after.
  virtual bool CannotOpen() = 0;
  // In-place placement inside the video panel, with its clip rectangle.
  virtual void SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) = 0;
  // Draws `assScript` (an Advanced SubStation Alpha script, UTF-8: document/PreviewTrack.h) over the video
  // with the player's own subtitle renderer, in place of what it drew before, and keeps drawing it over
  // media opened later until told otherwise. Returns at once: the player takes it up when it can.
  virtual void ShowSubtitles(const std::string& assScript) = 0;
  // No subtitles over the video.
  virtual void ShowNothing() = 0;
  // Whether this player can draw subtitles over its video at all; where it cannot, the program offers no
  // preview.
  virtual bool DrawsSubtitles() const = 0;
  // What a player that draws a timeline beside its picture shows there; null for nothing. The timeline
  // outlives the player's use of it: the program sets null before it goes. A player without one ignores it.
  virtual void SetTimeline(PlayerTimeline* timeline) { (void)timeline; }
  // The program has handled an event of the user's: what the timeline shows (the marks, the lines) may
  // have changed. A player that draws one looks again; the others ignore it.
  virtual void TimelineMayHaveChanged() {}
  // The peaks of the opened media's sound decoded so far, from its start (media/AudioPeaks.h), valid until
  // the GUI thread's next event; empty for a player that decodes none.
  virtual std::span<const AudioPeak> DecodedPeaks() const { return {}; }

  // Called, on the GUI thread, whenever the player's state changes on its own or a request of the program
  // has taken effect: the media opened or could not be opened, playback started, paused, ended, a seek
  // arrived. It may come from inside a call of the program's; the program only notes that something is due.
  void SetOnStateChange(std::function<void()> onStateChange) { onStateChange_ = std::move(onStateChange); }

 protected:
  void StateChanged() {
    if (onStateChange_) onStateChange_();
  }

 private:
  std::function<void()> onStateChange_;
};

}  // namespace titrelle
