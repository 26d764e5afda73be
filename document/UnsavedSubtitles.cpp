#include "document/UnsavedSubtitles.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "document/TimeLine.h"

namespace titrelle {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::optional<SubtitleRange> SubtitlesNotOnDisk(std::string_view onDisk, std::string_view fileView) {
  const std::vector<std::string_view> disk = Lines(onDisk);
  const std::vector<std::string_view> view = Lines(fileView);
  std::size_t same = 0;  // lines alike from the start
  while (same < disk.size() && same < view.size() && disk[same] == view[same]) ++same;
  if (same == disk.size() && same == view.size()) return std::nullopt;
  std::size_t sameAtEnd = 0;  // lines alike from the end, not counting those alike from the start
  const std::size_t room = std::min(disk.size(), view.size()) - same;
  while (sameAtEnd < room && disk[disk.size() - 1 - sameAtEnd] == view[view.size() - 1 - sameAtEnd])
    ++sameAtEnd;
  const std::size_t lastChanged = std::min(std::max(view.size() - sameAtEnd, same + 1) - 1, view.size() - 1);
  // A changed number line belongs to the time line right after it.
  const std::size_t firstOwner = std::min(same + 1, view.size() - 1);

  SubtitleRange range;
  int timeLines = 0;
  for (std::size_t i = 0; i <= std::max(firstOwner, lastChanged); ++i) {
    if (IsTimeLine(view[i])) ++timeLines;
    if (i == firstOwner) range.first = timeLines;
    if (i == lastChanged) range.last = timeLines;
  }
  // A lone changed number line is its subtitle's: the time line after it counts it.
  range.last = std::max(range.last, range.first);
  if (range.last == 0) return SubtitleRange{};
  range.first = std::max(range.first, 1);
  return range;
}

}  // namespace titrelle
