#pragma once
// Which subtitles of the file view the subtitle file on disk does not hold as they stand: what closing
// would lose while saves fail.

#include <optional>
#include <string_view>

namespace titrelle {

// Subtitles counted by their time lines, from 1; {0, 0} when the changed lines hold or follow no time line.
struct SubtitleRange {
  int first = 0;
  int last = 0;
};

// The subtitles whose lines differ between the two texts (line breaks CR LF or LF alike); nullopt when the
// file view is what the disk holds. Linear in the texts.
std::optional<SubtitleRange> SubtitlesNotOnDisk(std::string_view onDisk, std::string_view fileView);

}  // namespace titrelle
