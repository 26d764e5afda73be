#include "document/LastTimeLine.h"

#include <algorithm>

namespace titrelle {

namespace {

// Blanks and control characters, as a trim takes them off both ends.
constexpr bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

constexpr std::string_view kArrow = "-->";
constexpr std::size_t kBoxLength = 13;        // a time text and the character after it
constexpr std::size_t kEndTimeFromArrow = 4;  // "-->" and the blank before the end time

}  // namespace

LastTimeLineBoxes FindLastTimeLine(std::string_view fileViewText, int lineCount) {
  std::size_t first = 0;
  std::size_t last = fileViewText.size();
  while (first < last && IsTrimmed(fileViewText[first])) ++first;
  while (last > first && IsTrimmed(fileViewText[last - 1])) --last;
  const std::string_view trimmed = fileViewText.substr(first, last - first);

  // One arrow per line at most: in a file of line groups that reaches the last time line. Each search goes on
  // from the character after the arrow just found, so the whole walk reads the text once.
  LastTimeLineBoxes boxes;
  std::size_t arrow = std::string_view::npos;
  std::size_t from = 0;
  for (int visited = 0; visited < lineCount; ++visited) {
    const std::size_t found = trimmed.find(kArrow, from);
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
