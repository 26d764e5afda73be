#include "editing/FollowedLine.h"

#include <algorithm>

#include "document/TimeLine.h"

namespace titrelle {

std::size_t FirstArrowAfterSplice(std::string_view line, std::size_t arrowBefore, const LineSplice& splice) {
  const std::size_t width = kTimeLineArrow.size();
  // An arrow wholly before the splice is still the first.
  if (arrowBefore != kNoArrow && arrowBefore + width <= splice.at) return arrowBefore;
  // None stood wholly before it: the first is one the splice made, within reach of its new bytes...
  const std::size_t from = splice.at >= width - 1 ? splice.at - (width - 1) : 0;
  const std::size_t to = std::min(line.size(), splice.at + splice.added + width - 1);
  if (from < to) {
    const std::size_t found = line.substr(from, to - from).find(kTimeLineArrow);
    if (found != std::string_view::npos) return from + found;
  }
  // ... or one after it, which moved with the bytes after the splice.
  if (arrowBefore == kNoArrow) return kNoArrow;
  if (arrowBefore >= splice.at + splice.removed) return arrowBefore - splice.removed + splice.added;
  // The splice took the first arrow apart: the rest of the line tells.
  const std::size_t after = splice.at + splice.added;
  const std::size_t found = line.find(kTimeLineArrow, after);
  return found == std::string_view::npos ? kNoArrow : found;
}

void FollowedLine::Set(std::string_view text) {
  const LineSplice splice = DifferingMiddle(text_, text);
  if (splice.Empty()) return;
  text_.replace(splice.at, splice.removed, text.substr(splice.at, splice.added));
  arrowAt_ = FirstArrowAfterSplice(text_, arrowAt_, splice);
}

}  // namespace titrelle
