#include "document/SubtitleIndex.h"

#include <algorithm>

namespace titrelle {

SubtitleIndex::SubtitleIndex(const Listing& lines) : lines_(lines) {
  // As if every line had just come in.
  Update({0, 0, lines_.PieceCount()});
}

SubtitleChange SubtitleIndex::Update(const ListingChange& change) {
  const int pieces = lines_.PieceCount();
  const int delta = change.added - change.removed;
  const int changedEnd = change.first + change.removed;  // in the old lines
  const auto byTimeLine = [](const Entry& entry, int line) { return entry.timeLine < line; };

  // A subtitle whose time line lies before the change keeps its time line and number line; only the last
  // of them can lose or gain text lines. Those from the old line after the change on keep their lines too,
  // but the first of them may gain or lose its number line. The ones between are read again.
  const int before = static_cast<int>(
      std::lower_bound(entries_.begin(), entries_.end(), change.first, byTimeLine) - entries_.begin());
  const int low = before > 0 ? before - 1 : 0;
  const int high =
      static_cast<int>(std::lower_bound(entries_.begin() + low, entries_.end(), changedEnd + 1, byTimeLine) -
                       entries_.begin());

  for (auto it = entries_.begin() + high; it != entries_.end(); ++it) {
    it->firstLine += delta;
    it->timeLine += delta;
    it->lastLine += delta;
  }

  std::vector<Entry> fresh;
  const auto startAt = [&fresh](int timeLine) {
    Entry& entry = fresh.emplace_back();
    entry.timeLine = timeLine;
  };
  if (before > 0) startAt(entries_[low].timeLine);
  // The arrow cannot hold a break: each one found lies in one line, which is a time line.
  const int scanEnd = std::min(change.first + change.added, pieces - 1);
  const std::string_view text = lines_.Text();
  const std::size_t scanStop = lines_.LineStart(scanEnd) + Piece(scanEnd).size();
  int line = change.first;
  for (std::size_t at = text.find(kTimeLineArrow, lines_.LineStart(change.first)); at < scanStop;
       at = text.find(kTimeLineArrow, lines_.LineStart(line + 1))) {
    line = lines_.PieceAt(at, line);
    startAt(line);
  }
  for (Entry& entry : fresh) {
    entry.firstLine =
        entry.timeLine > 0 && IsNumberLine(Piece(entry.timeLine - 1)) ? entry.timeLine - 1 : entry.timeLine;
  }
  for (std::size_t k = 0; k < fresh.size(); ++k) {
    int next = pieces;
    if (k + 1 < fresh.size()) {
      next = fresh[k + 1].firstLine;
    } else if (static_cast<std::size_t>(high) < entries_.size()) {
      next = entries_[high].firstLine;
    }
    int last = next - 1;
    while (last > fresh[k].timeLine && IsBlankLine(Piece(last))) --last;
    fresh[k].lastLine = last;
  }

  // What the change did: the subtitles read again that stand as they stood (wholly before the change, or
  // wholly after it and moved with it) are left out of the report.
  const int oldCount = high - low;
  const int newCount = static_cast<int>(fresh.size());
  int front = 0;
  while (front < oldCount && front < newCount && entries_[low + front] == fresh[front] &&
         fresh[front].lastLine < change.first)
    ++front;
  int back = 0;
  while (back < oldCount - front && back < newCount - front) {
    const Entry& was = entries_[high - 1 - back];
    const Entry& is = fresh[newCount - 1 - back];
    if (was.firstLine < changedEnd || is.firstLine != was.firstLine + delta ||
        is.timeLine != was.timeLine + delta || is.lastLine != was.lastLine + delta)
      break;
    ++back;
  }
  // Those keep the times already read.
  const auto keepTimes = [](const Entry& was, Entry& is) {
    is.timesRead = was.timesRead;
    is.times = was.times;
  };
  for (int k = 0; k < front; ++k) keepTimes(entries_[low + k], fresh[k]);
  for (int k = 0; k < back; ++k) keepTimes(entries_[high - 1 - k], fresh[newCount - 1 - k]);

  SubtitleChange report;
  report.first = low + front;
  const int oldLeft = oldCount - front - back;
  const int newLeft = newCount - front - back;
  report.changed = std::min(oldLeft, newLeft);
  report.removed = oldLeft - report.changed;
  report.inserted = newLeft - report.changed;
  if (report.Empty()) report = {};

  if (oldCount == newCount) {
    std::move(fresh.begin(), fresh.end(), entries_.begin() + low);
  } else {
    entries_.erase(entries_.begin() + low, entries_.begin() + high);
    entries_.insert(entries_.begin() + low, std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
  }
  return report;
}

Subtitle SubtitleIndex::At(int index) const {
  const Entry& entry = entries_.at(index);
  Subtitle subtitle;
  subtitle.index = index;
  subtitle.numberLine = std::string(NumberLine(index));
  subtitle.timeLine = std::string(Piece(entry.timeLine));
  subtitle.times = Times(index);
  subtitle.textLines.reserve(static_cast<std::size_t>(entry.lastLine - entry.timeLine));
  for (int line = entry.timeLine + 1; line <= entry.lastLine; ++line)
    subtitle.textLines.emplace_back(Piece(line));
  subtitle.firstLine = entry.firstLine;
  subtitle.lineCount = entry.lastLine - entry.firstLine + 1;
  return subtitle;
}

std::vector<Subtitle> SubtitleIndex::All() const {
  std::vector<Subtitle> subtitles;
  subtitles.reserve(entries_.size());
  for (int i = 0; i < Count(); ++i) subtitles.push_back(At(i));
  return subtitles;
}

const std::optional<SubtitleTimes>& SubtitleIndex::Times(int index) const {
  const Entry& entry = entries_.at(index);
  if (!entry.timesRead) {
    entry.times = ReadTimeLine(Piece(entry.timeLine));
    entry.timesRead = true;
  }
  return entry.times;
}

std::string_view SubtitleIndex::NumberLine(int index) const {
  const Entry& entry = entries_.at(index);
  return entry.firstLine < entry.timeLine ? Piece(entry.firstLine) : std::string_view();
}

std::string_view SubtitleIndex::TimeAndTextLines(int index) const {
  const Entry& entry = entries_.at(index);
  return lines_.PiecesView(entry.timeLine, entry.lastLine - entry.timeLine + 1);
}

int SubtitleIndex::SubtitleOfLine(int line) const {
  const auto after = std::upper_bound(entries_.begin(), entries_.end(), line,
                                      [](int at, const Entry& entry) { return at < entry.firstLine; });
  return static_cast<int>(after - entries_.begin()) - 1;
}

}  // namespace titrelle
