#pragma once
// The timeline the player panel draws: the main window's marks and the lines of its file view. The marks
// are read as they stand; the lines are read again from the document's subtitles only after it told of a
// change of them.

#include <string>
#include <string_view>
#include <vector>

#include "document/WrittenSpans.h"
#include "media/PlayerTimeline.h"

namespace titrelle {

struct CaptureSession;
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

 private:
  const CaptureSession& session_;
  SubtitleDocument& document_;
  int listener_ = 0;
  WrittenSpanIndex spans_;
  bool read_ = false;  // false from a change of the subtitles until the next drawing asks
};

}  // namespace titrelle
