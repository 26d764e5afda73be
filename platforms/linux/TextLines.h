#pragma once
// The user view's text: its lines as code page 936 byte strings, without breaks. A text set whole stays in
// one buffer, each line a span of it; a line the user changes becomes a string of its own. Setting a
// million subtitles costs one pass over the text and 8 bytes a line; changing a line costs that line.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Cp936.h"

namespace titrelle {

// A place in the text: a line, and a column in bytes from its start (never inside a double-byte character).
struct TextPosition {
  int line = 0;
  int column = 0;
  auto operator<=>(const TextPosition&) const = default;
};

// Where the double-byte character that holds byte `column` of `line` starts: `column` itself when it starts
// one. A byte that is no lead byte ends the character it belongs to, so only the run of lead-range bytes
// before `column` is looked at.
int CharacterStart(std::string_view line, int column);
// The column after the character that starts at `column`.
int NextCharacter(std::string_view line, int column);
// The column of the character before `column` (a character start).
int PreviousCharacter(std::string_view line, int column);

class TextLines {
 public:
  TextLines() : spans_(1) {}

  // Breaks are CR LF, a lone CR or a lone LF.
  void SetText(std::string_view text);
  // Lines between breaks, the empty one after a final break included: at least one.
  int PieceCount() const { return static_cast<int>(spans_.size()); }
  std::string_view Line(int index) const;
  // The text between two places, its breaks written as `lineBreak`.
  std::string Text(TextPosition from, TextPosition to, std::string_view lineBreak) const;
  std::string Text(std::string_view lineBreak) const { return Text({}, End(), lineBreak); }
  TextPosition End() const;
  // The text between two places becomes `text` (breaks as SetText takes them); returns the place after it.
  TextPosition Replace(TextPosition from, TextPosition to, std::string_view text);
  // Text put after the last break (where the empty last line stands) into the one buffer, as SetText
  // would have kept it had it been there: a large text set a run of lines at a time.
  void Append(std::string_view text);
  void Reserve(std::size_t bytes, int lines);
  // The longest line there has been since the text was set, in bytes: the view's width is estimated from it.
  std::size_t LongestLineBytes() const { return longest_; }

 private:
  // A line: bytes [offset, offset + size) of the buffer, or the string owned_[offset] when owned. A line
  // that a span cannot reach (past 4 GB, or longer than 2 GB) is owned from the start.
  struct Span {
    std::uint32_t offset = 0;
    std::uint32_t size : 31 = 0;
    std::uint32_t owned : 1 = 0;
  };
  void Release(const Span& span);
  Span Own(std::string line);

  std::string buffer_;
  std::vector<Span> spans_;
  static_assert(sizeof(Span) == 8);
  std::vector<std::string> owned_;
  std::vector<std::uint32_t> freeOwned_;
  std::size_t longest_ = 0;
};

}  // namespace titrelle
