#include "document/LastTimeLine.h"

#include <algorithm>

#include "capture/TimeText.h"
#include "document/TimeLine.h"

namespace titrelle {

namespace {

constexpr std::size_t kBoxLength = 13;  // a time text and the character after it
// The arrow and the blank before the end time.
constexpr std::size_t kEndTimeFromArrow = kTimeLineArrow.size() + 1;

}  // namespace

LastTimeLineBoxes FindLastTimeLine(std::string_view fileViewText, int lineCount) {
  const std::string_view trimmed = TrimmedView(fileViewText);

  // One arrow per line at most: in a file of line groups that reaches the last time line. Each search goes on
  // from the character after the arrow just found, so the whole walk reads the text once.
  LastTimeLineBoxes boxes;
  std::size_t arrow = std::string_view::npos;
  std::size_t from = 0;
  for (int visited = 0; visited < lineCount; ++visited) {
    const std::size_t found = trimmed.find(kTimeLineArrow, from);
    if (found == std::string_view::npos) break;
    arrow = found;
    from = found + 1;
  }
  if (arrow == std::string_view::npos) return boxes;

  boxes.found = true;
  const std::size_t startBegin = arrow >= kBoxLength ? arrow - kBoxLength : 0;
  boxes.startBoxText = std::string(trimmed.substr(startBegin, arrow - startBegin));
  const std::size_t endBegin = std::min(arrow + kEndTimeFromArrow, trimmed.size());
  boxes.endBoxText = std::string(trimmed.substr(endBegin, kBoxLength));
  return boxes;
}

}  // namespace titrelle
