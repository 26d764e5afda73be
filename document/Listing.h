#pragma once
// A listing: one text of CR LF separated lines, as the file view, the scratch listing and (inside the
// headless shell) the user view hold it. Count, Line and Add do not rescan the text: a line index is kept.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace titrelle {

// What one change of a listing did, in pieces (the lines between breaks, the empty one after a final break
// included): pieces [first, first + removed) of the text before it became pieces [first, first + added).
struct ListingChange {
  int first = 0;
  int removed = 0;
  int added = 0;
  bool operator==(const ListingChange&) const = default;
};

// Where one text became another: bytes [at, at + removed) of the old text became bytes [at, at + added) of
// the new one, the rest being the same in both.
struct LineSplice {
  std::size_t at = 0;
  std::size_t removed = 0;
  std::size_t added = 0;
  bool Empty() const { return removed == 0 && added == 0; }
  bool operator==(const LineSplice&) const = default;
};

// The smallest splice that makes `before` into `after`: their common start and common end left out. A key
// typed in a line of megabytes differs in a few bytes; comparing costs a fraction of copying.
LineSplice DifferingMiddle(std::string_view before, std::string_view after);

class Listing {
 public:
  int Count() const;                  // an empty last line is not counted
  std::string Line(int index) const;  // without its break; throws Error when out of range
  std::string_view LineView(int index) const;
  void Add(std::string_view line);
  // Add of each line in turn, as one change.
  void AddLines(std::initializer_list<std::string_view> lines);
  void Delete(int index);
  void Clear();
  const std::string& Text() const { return text_; }
  void SetListingText(std::string_view text);  // the text becomes exactly `text`
  // The text becomes exactly `text`, and `text` the old one: one change, with no copy of either.
  void SwapText(std::string& text);
  // The text and its line index become `from`'s, with no copy nor a new reading of the lines, and `from` is
  // left empty: a change of each.
  void TakeText(Listing& from);
  // Room for a text of `bytes` bytes in `pieces` pieces, so that one growing by appends is never copied.
  void Reserve(std::size_t bytes, int pieces);
  // Byte offset of the start of line `index` (index == number of pieces gives the text's end).
  std::size_t LineStart(int index) const;
  // The piece that holds byte `offset` of the text, looked for from piece `from` on: a reader going through
  // the text in order finds the pieces of its matches in one walk over the line index.
  int PieceAt(std::size_t offset, int from = 0) const;
  // Replaces the text of one line, keeping every break: one change. Only the bytes that differ are moved.
  void ReplaceLine(int index, std::string_view line);
  // Replaces bytes [splice.at, splice.at + splice.removed) of piece `index` by `inserted` (splice.added
  // bytes), keeping every break: one change, even an empty one.
  void SpliceLine(int index, const LineSplice& splice, std::string_view inserted);
  // The pieces between breaks, the empty one after a final break included.
  int PieceCount() const { return static_cast<int>(starts_.size()); }
  // The text of pieces [first, first + count), their breaks between them included.
  std::string_view PiecesView(int first, int count) const;
  // Replaces pieces [first, first + count) (count at least 1) by `text`, which may hold breaks: one change.
  // What a command undoes and redoes: the lines it touched, not the whole text.
  void ReplacePieces(int first, int count, std::string_view text);

  // Fired after every change, programmatic ones included (the file view saves from it).
  std::function<void()> OnChange;
  // Fired after every change, before OnChange, with the pieces it replaced: whoever keeps something made
  // from the lines (the file view's subtitles) takes up the change without reading the whole text again.
  std::function<void(const ListingChange&)> OnPiecesChanged;
  // Counts the changes: a reader that keeps something made from the text knows when to make it again.
  std::uint64_t Revision() const { return revision_; }

 private:
  // Reports the change of pieces [first, first + removed), given the piece count before it.
  void Changed(int first, int removed, int piecesBefore);
  void AppendLine(std::string_view line);
  void RebuildIndex();
  void ShiftStarts(std::size_t firstPiece, std::ptrdiff_t delta);
  std::string text_;
  std::vector<std::size_t> starts_{0};
  std::uint64_t revision_ = 0;  // start of every piece; the piece after the last break included
};

}  // namespace titrelle
