#pragma once
// The timeline the player panel draws: the main window's marks and the lines of its file view. The marks
// are read as they stand; the lines are read again from the document's subtitles only after it told of a
// change of them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/TimelineDrag.h"
#include "document/WrittenSpans.h"
#include "media/PlayerTimeline.h"

namespace titrelle {

class CaptureSession;
class SubtitleDocument;

// The marks worth showing: the start once one is marked; the end only while it lies after the start (after
// a commit the old end stays behind in the session, and the next line starts at or after it).
TimelineMarks MarksToShow(long double markStart, long double markEnd);

// Those lines as the user view shows them, on one line: the style markup taken out, joined by a blank.
std::string PlainSpanText(std::string_view styledLines);

class CaptureTimeline : public PlayerTimeline {
 public:
  CaptureTimeline(const CaptureSession& session, SubtitleDocument& document);
  ~CaptureTimeline() override;
  CaptureTimeline(const CaptureTimeline&) = delete;
  CaptureTimeline& operator=(const CaptureTimeline&) = delete;

  TimelineMarks Marks() override;
  void SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) override;

  // A line dragged on the timeline: where its time line stands in the file view and where it landed. The
  // window re-times it (or refuses the times).
  std::function<void(int timeLine, const DraggedTimes& times)> OnDragged;
  // Where the player is, for the edges to snap to; nothing to snap to without it.
  std::function<std::optional<double>()> PlayHead;

  TimelineGrab GrabAt(double seconds, double secondsPerColumn) override;
  bool PressAt(double seconds, double secondsPerColumn) override;
  void DragTo(double seconds) override;
  void ReleaseAt(double seconds) override;
  void CancelDrag() override;

  // While a large file loads: its spans read a run of at most `most` subtitles at a time, so that the first
  // drawing after the load finds them all read. True while some are left.
  bool ReadSomeSpans(int most);

 private:
  struct Drag {
    TimelineGrab part = TimelineGrab::None;
    TimelineSpan span;  // as it stood at the press
    double pressSeconds = 0;
    double secondsPerColumn = 0;
    std::uint64_t revision = 0;  // the file view's at the press: a drag over a changed view lands nowhere
    DraggedTimes landing;
  };
  void ReadSpans();
  SpanGrab GrabNear(double seconds, double secondsPerColumn);
  DraggedTimes Land(double seconds);

  std::optional<Drag> drag_;
  std::vector<TimelineSpan> nearScratch_;
  std::vector<double> targetsScratch_;
  const CaptureSession& session_;
  SubtitleDocument& document_;
  int listener_ = 0;
  WrittenSpanIndex spans_;
  bool read_ = false;                  // false from a change of the subtitles until the next drawing asks
  std::vector<TimelineSpan> pending_;  // read so far by ReadSomeSpans
  int pendingUpTo_ = 0;
};

}  // namespace titrelle
