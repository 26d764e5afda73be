#pragma once
// The file view's subtitles, as values, kept as an index over its lines. The file view stays what the file
// holds, byte for byte; the index only says where each subtitle stands in it and what its times are, and is
// brought up to date by each change of the lines: a change re-reads the subtitles around it and moves the
// ones after it, so that a typed character costs what it touched, not a reading of the whole file.
//
// Which lines make a subtitle is decided here, by the rule the standard copy, the preview and the player
// panel's strip go by: a subtitle starts at its time line (a line holding the arrow, document/TimeLine.h);
// a number line right before it is its number; its text lines run from the line after the time line to the
// last non-blank line before the next subtitle (its number line, or its time line when it has none). Lines
// before the first time line belong to no subtitle. Any text is a document: a line the user half typed is
// read as it stands.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Listing.h"
#include "document/TimeLine.h"

namespace titrelle {

struct Subtitle {
  int index = 0;                       // its place among the document's subtitles, in file order, from 0
  std::string numberLine;              // the line of digits right before its time line; empty when none
  std::string timeLine;                // as it stands
  std::optional<SubtitleTimes> times;  // none while the time line's times do not read
  std::vector<std::string> textLines;  // from the line after the time line through the last non-blank one
  // Where it stands in the file view: its number line (else its time line) and the lines from there
  // through its last text line; the blank lines after it are not counted.
  int firstLine = 0;
  int lineCount = 0;
  bool operator==(const Subtitle&) const = default;
};

// What one change of the file view did to its subtitles, in the order a table model takes it up: the
// subtitles [first, first + changed) stand at the same places and read otherwise; then, from first + changed
// on, `removed` subtitles of the old document are gone or `inserted` new ones stand there (never both).
// Subtitles after these are the ones that stood there before, though their lines may have moved.
struct SubtitleChange {
  int first = 0;
  int changed = 0;
  int removed = 0;
  int inserted = 0;
  bool Empty() const { return changed == 0 && removed == 0 && inserted == 0; }
  bool operator==(const SubtitleChange&) const = default;
};

class SubtitleIndex {
 public:
  // Reads every subtitle of `lines`, which must outlive the index and report each of its changes to Update.
  explicit SubtitleIndex(const Listing& lines);
  SubtitleIndex(const SubtitleIndex&) = delete;
  SubtitleIndex& operator=(const SubtitleIndex&) = delete;

  // Takes up a change the lines have just gone through, and says what it did to the subtitles.
  SubtitleChange Update(const ListingChange& change);

  int Count() const { return static_cast<int>(entries_.size()); }
  // Subtitle `index` as a value (its lines copied).
  Subtitle At(int index) const;
  std::vector<Subtitle> All() const;

  // What the views read of many subtitles at once, without copying their lines. The times are read from
  // the time line when first asked for: a resume does not wait for them.
  const std::optional<SubtitleTimes>& Times(int index) const;
  int TimeLine(int index) const { return entries_.at(index).timeLine; }
  // Its number line; empty when it has none.
  std::string_view NumberLine(int index) const;
  // Its lines from the time line through the last text line, breaks between them included.
  std::string_view TimeAndTextLines(int index) const;
  // The subtitle whose lines (its own, and the blank lines after them) hold line `line`; -1 before the
  // first subtitle.
  int SubtitleOfLine(int line) const;

 private:
  struct Entry {
    int firstLine = 0;
    int timeLine = 0;
    int lastLine = 0;
    // Where it stands says what it is: lines that did not change read the same.
    bool operator==(const Entry& other) const {
      return firstLine == other.firstLine && timeLine == other.timeLine && lastLine == other.lastLine;
    }
    mutable bool timesRead = false;
    mutable std::optional<SubtitleTimes> times;
  };
  std::string_view Piece(int index) const { return lines_.PiecesView(index, 1); }

  const Listing& lines_;
  std::vector<Entry> entries_;  // in file order, so by time line
};

}  // namespace titrelle
