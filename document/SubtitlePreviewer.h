#pragma once
// The subtitles over the video: what the player was last told to draw, and what it was made of, so that a
// tick with nothing new costs a few comparisons. The window tells it of changes (the entry box, the
// subtitles, the position read) and asks it to bring the player up to date on each tick.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/PreviewTrack.h"

namespace titrelle {

class Control;
class MediaPlayer;
class SubtitleIndex;

// The line being typed as the window has it now.
struct TypedLine {
  bool entering = false;  // text entry, from F10 to the commit
  long double start = 0;
  long double end = 0;
  std::string_view stylePart1;
  std::string_view stylePart2;
  int omitClosingTag = 0;
};

class SubtitlePreviewer {
 public:
  // The user's choice (the check box under the video).
  bool On() const { return on_; }
  void SetOn(bool on) { on_ = on; }

  void EntryBoxChanged() { ++inputRevision_; }
  // The events are made again on the next refresh.
  void SubtitlesChanged() { eventsValid_ = false; }
  // The player's position as the clock last read it.
  double PositionSeconds() const { return positionSeconds_; }
  void PositionRead(double seconds) { positionSeconds_ = seconds; }

  // Shows `subtitles` and the line being typed (its text read from `entryBox` only when it may have
  // changed), or nothing when the preview is off; tells the player only what differs from the last time.
  void Refresh(MediaPlayer& player, const SubtitleIndex& subtitles, const TypedLine& typed,
               const Control& entryBox);

 private:
  // Whether the line being typed shows otherwise than it did.
  bool TypedLineChanged(const TypedLine& typed) const;

  bool on_ = true;
  bool showingScript_ = false;
  bool showingNothing_ = false;
  bool eventsValid_ = false;          // false from a change of the subtitles until the next refresh
  std::vector<PreviewEvent> events_;  // the file view's subtitles as script events
  // The stretch of the video whose events the player holds, around the position last read.
  long long windowFromMs_ = 0;
  long long windowToMs_ = -1;
  double positionSeconds_ = 0;
  std::uint64_t inputRevision_ = 0;  // counts the entry box's changes
  // The line being typed, as last shown: its event and what it was made from.
  bool typedEntering_ = false;
  std::uint64_t typedInputRevision_ = 0;
  long double typedStart_ = 0;
  long double typedEnd_ = 0;
  std::string typedStylePart1_;
  std::string typedStylePart2_;
  int typedOmitClosingTag_ = 0;
  std::string typedEvent_;
};

}  // namespace titrelle
