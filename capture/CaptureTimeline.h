#pragma once
// The timeline the player panel draws: the main window's marks and the lines of its file view. The marks
// are read as they stand; the lines are read again from the file view only after it has changed.

#include <cstdint>
#include <string_view>
#include <vector>

#include "document/Listing.h"
#include "document/WrittenSpans.h"
#include "media/PlayerTimeline.h"

namespace titrelle {

struct CaptureSession;

// The marks worth showing: the start once one is marked; the end only while it lies after the start (after
// a commit the old end stays behind in the session, and the next line starts at or after it).
TimelineMarks MarksToShow(long double markStart, long double markEnd);

// Gives each span of `spans` (read from `fileViewText` in file order, as ReadWrittenSpans reads them) the
// text of its line group: the lines after its time line up to the empty line, without their style markup,
// joined by a blank. Linear in the text.
void AttachSpanTexts(std::string_view fileViewText, std::vector<TimelineSpan>& spans);

class CaptureTimeline : public PlayerTimeline {
 public:
  CaptureTimeline(const CaptureSession& session, const Listing& fileView)
      : session_(session), fileView_(fileView) {}

  TimelineMarks Marks() override;
  void SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) override;

 private:
  const CaptureSession& session_;
  const Listing& fileView_;
  WrittenSpanIndex spans_;
  bool read_ = false;
  std::uint64_t readRevision_ = 0;
};

}  // namespace titrelle
