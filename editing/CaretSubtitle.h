#pragma once
// The subtitle the user view's caret stands in: its line group in the file view (whose lines stand where the
// user view's do), found by looking at the lines around the caret only.

#include <optional>

#include "document/Listing.h"
#include "document/TimeLine.h"

namespace titrelle {

struct CaretSubtitle {
  int first = 0;     // the group's first line (its number, as the program writes it)
  int timeLine = 0;  // its time line
  int end = 0;       // the piece after the blank line that closes it, or the listing's piece count
  SubtitleTimes times;
};

// The group holding line `caretLine`: the lines between two blank lines. A caret on blank lines belongs to
// the group above them (the caret after the last subtitle means the last subtitle). Nothing when that group
// has no time line whose times read.
std::optional<CaretSubtitle> FindCaretSubtitle(const Listing& fileView, int caretLine);

// Whether no time line follows the group: it is the last subtitle, the one capturing continues after.
bool IsLastSubtitle(const Listing& fileView, const CaretSubtitle& subtitle);

// The subtitle whose group follows `subtitle`'s in the file, when there is one whose times read.
std::optional<CaretSubtitle> NextSubtitle(const Listing& fileView, const CaretSubtitle& subtitle);

// A subtitle added after one showing `before`: it starts where that one ends and fills the gap to the next
// one's start (`next`), up to kInsertedMs. A gap shorter than kShortestGapMs (or none, or no next subtitle)
// is no room: it then lasts kInsertedMs all the same, the overlap left for the user to see and mend.
inline constexpr long long kInsertedMs = 2000;
inline constexpr long long kShortestGapMs = 500;
std::optional<SubtitleTimes> InsertedSubtitleTimes(const SubtitleTimes& before,
                                                   const std::optional<SubtitleTimes>& next);

}  // namespace titrelle
