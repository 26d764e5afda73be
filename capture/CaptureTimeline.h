#pragma once
// The timeline the player panel draws: the main window's marks and the lines of its file view. The marks
// are read as they stand; the lines are read again from the file view only after it has changed.

#include <cstdint>
#include <string>
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
// lines of its line group after its time line, up to the empty line, as they stand (joined by CR LF).
// Linear in the text.
void AttachSpanTexts(std::string_view fileViewText, std::vector<TimelineSpan>& spans);
// Those lines as the user view shows them, on one line: the style markup taken out, joined by a blank.
std::string PlainSpanText(std::string_view styledLines);

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
