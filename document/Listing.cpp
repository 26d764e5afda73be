#include "document/Listing.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/Error.h"

namespace titrelle {

namespace {

constexpr std::string_view kBreak = "\r\n";

// Compared a block at a time with memcmp, then byte by byte inside the block that differs.
constexpr std::size_t kCompareBlock = 4096;

std::size_t CommonStart(const char* a, const char* b, std::size_t size) {
  std::size_t same = 0;
  while (same < size) {
    const std::size_t block = std::min(kCompareBlock, size - same);
    if (std::memcmp(a + same, b + same, block) != 0) break;
    same += block;
  }
  while (same < size && a[same] == b[same]) ++same;
  return same;
}

// The common length at the ends of a[0, size) and b[0, size).
std::size_t CommonEnd(const char* a, const char* b, std::size_t size) {
  std::size_t same = 0;
  while (same < size) {
    const std::size_t block = std::min(kCompareBlock, size - same);
    if (std::memcmp(a + size - same - block, b + size - same - block, block) != 0) break;
    same += block;
  }
  while (same < size && a[size - same - 1] == b[size - same - 1]) ++same;
  return same;
}

}  // namespace

LineSplice DifferingMiddle(std::string_view before, std::string_view after) {
  const std::size_t shorter = std::min(before.size(), after.size());
  const std::size_t start = CommonStart(before.data(), after.data(), shorter);
  // The common end is looked for in what the common start left of each, so that the two never overlap.
  const std::size_t rest = shorter - start;
  const std::size_t end =
      CommonEnd(before.data() + before.size() - rest, after.data() + after.size() - rest, rest);
  return {start, before.size() - start - end, after.size() - start - end};
}

void Listing::RebuildIndex() {
  starts_.assign(1, 0);
  for (std::size_t at = text_.find(kBreak); at != std::string::npos;
       at = text_.find(kBreak, at + kBreak.size())) {
    starts_.push_back(at + kBreak.size());
  }
}

void Listing::ShiftStarts(std::size_t firstPiece, std::ptrdiff_t delta) {
  for (std::size_t i = firstPiece; i < starts_.size(); ++i) {
    starts_[i] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts_[i]) + delta);
  }
}

int Listing::Count() const {
  // The last piece is the text after the last break; it counts only when it is not empty.
  const bool lastEmpty = starts_.back() == text_.size();
  return static_cast<int>(starts_.size()) - (lastEmpty ? 1 : 0);
}

std::size_t Listing::LineStart(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) > starts_.size()) {
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
  }
  if (static_cast<std::size_t>(index) == starts_.size()) return text_.size();
  return starts_[index];
}

int Listing::PieceAt(std::size_t offset, int from) const {
  std::size_t piece = static_cast<std::size_t>(std::max(from, 0));
  while (piece + 1 < starts_.size() && starts_[piece + 1] <= offset) ++piece;
  return static_cast<int>(piece);
}

std::string_view Listing::LineView(int index) const {
  if (index < 0 || index >= Count()) throw Error("List index out of bounds (" + std::to_string(index) + ")");
  const std::size_t begin = starts_[index];
  const std::size_t end = static_cast<std::size_t>(index) + 1 < starts_.size()
                              ? starts_[index + 1] - kBreak.size()
                              : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

std::string Listing::Line(int index) const { return std::string(LineView(index)); }

void Listing::Add(std::string_view line) {
  const int pieces = PieceCount();
  AppendLine(line);
  Changed(pieces - 1, 1, pieces);
}

void Listing::AddLines(std::initializer_list<std::string_view> lines) {
  const int pieces = PieceCount();
  for (const std::string_view line : lines) AppendLine(line);
  Changed(pieces - 1, 1, pieces);
}

void Listing::AppendLine(std::string_view line) {
  if (starts_.back() == text_.size()) {
    text_.append(line);
    text_.append(kBreak);
    starts_.push_back(text_.size());
  } else {
    text_.append(kBreak);
    starts_.push_back(text_.size());
    text_.append(line);
  }
  // A line holding a break of its own would split: keep the index true to the text.
  if (line.find('\n') != std::string_view::npos) RebuildIndex();
}

void Listing::Delete(int index) {
  if (index < 0 || index >= Count()) throw Error("List index out of bounds (" + std::to_string(index) + ")");
  const int pieces = PieceCount();
  const std::size_t begin = starts_[index];
  const std::size_t end =
      static_cast<std::size_t>(index) + 1 < starts_.size() ? starts_[index + 1] : text_.size();
  text_.erase(begin, end - begin);
  // The byte before the line ends a break (or the text starts there), so no new break can form: the index
  // only loses this line's entry and moves the rest.
  if (static_cast<std::size_t>(index) + 1 < starts_.size()) {
    starts_.erase(starts_.begin() + index + 1);
    ShiftStarts(static_cast<std::size_t>(index) + 1, -static_cast<std::ptrdiff_t>(end - begin));
  }
  Changed(index, 1, pieces);
}

void Listing::Clear() {
  const int pieces = PieceCount();
  text_.clear();
  starts_.assign(1, 0);
  Changed(0, pieces, pieces);
}

void Listing::SetListingText(std::string_view text) {
  const int pieces = PieceCount();
  text_.assign(text);
  RebuildIndex();
  Changed(0, pieces, pieces);
}

void Listing::TakeText(Listing& from) {
  if (&from == this) return;
  const int pieces = PieceCount();
  const int fromPieces = from.PieceCount();
  text_ = std::move(from.text_);
  starts_ = std::move(from.starts_);
  from.text_.clear();
  from.starts_.assign(1, 0);
  Changed(0, pieces, pieces);
  from.Changed(0, fromPieces, fromPieces);
}

void Listing::Reserve(std::size_t bytes, int pieces) {
  text_.reserve(bytes);
  starts_.reserve(static_cast<std::size_t>(std::max(pieces, 1)));
}

void Listing::SwapText(std::string& text) {
  const int pieces = PieceCount();
  text_.swap(text);
  RebuildIndex();
  Changed(0, pieces, pieces);
}

void Listing::ReplaceLine(int index, std::string_view line) {
  const LineSplice splice = DifferingMiddle(LineView(index), line);
  SpliceLine(index, splice, line.substr(splice.at, splice.added));
}

void Listing::SpliceLine(int index, const LineSplice& splice, std::string_view inserted) {
  const int pieces = PieceCount();
  const std::string_view old = PiecesView(index, 1);
  if (splice.at + splice.removed > old.size() || inserted.size() != splice.added)
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
  const std::size_t begin = starts_[index] + splice.at;
  text_.replace(begin, splice.removed, inserted);
  // The old line held no break, and neither join of the splice was one. A new break needs a LF from the
  // inserted bytes, or a CR ending them (or, with none inserted, the byte before) followed by a kept LF:
  // otherwise the index keeps its shape and the later lines move.
  const std::size_t end = begin + inserted.size();
  const bool joinedBreak = end > 0 && end < text_.size() && text_[end - 1] == '\r' && text_[end] == '\n';
  if (inserted.find('\n') != std::string_view::npos || joinedBreak) {
    RebuildIndex();
  } else {
    ShiftStarts(static_cast<std::size_t>(index) + 1,
                static_cast<std::ptrdiff_t>(splice.added) - static_cast<std::ptrdiff_t>(splice.removed));
  }
  Changed(index, 1, pieces);
}

std::string_view Listing::PiecesView(int first, int count) const {
  const int pieces = PieceCount();
  if (first < 0 || count < 1 || first + count > pieces)
    throw Error("List index out of bounds (" + std::to_string(first + count - 1) + ")");
  const std::size_t begin = starts_[first];
  const std::size_t end = first + count < pieces ? starts_[first + count] - kBreak.size() : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

void Listing::ReplacePieces(int first, int count, std::string_view text) {
  const int pieces = PieceCount();
  const std::string_view old = PiecesView(first, count);
  const std::size_t begin = starts_[first];
  const std::size_t oldSize = old.size();
  text_.replace(begin, oldSize, text);
  // The byte before the pieces ends a break and the byte after them starts one, so the breaks of the new
  // text are exactly those inside it: the index loses the old pieces' starts, gains the new ones and moves
  // the rest.
  std::vector<std::size_t> added;
  for (std::size_t at = text.find(kBreak); at != std::string_view::npos;
       at = text.find(kBreak, at + kBreak.size()))
    added.push_back(begin + at + kBreak.size());
  const auto from = starts_.begin() + first + 1;
  const auto after = starts_.erase(from, from + (count - 1));
  const std::size_t rest = static_cast<std::size_t>(after - starts_.begin());
  starts_.insert(after, added.begin(), added.end());
  ShiftStarts(rest + added.size(),
              static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(oldSize));
  Changed(first, count, pieces);
}

void Listing::Changed(int first, int removed, int piecesBefore) {
  ++revision_;
  if (OnPiecesChanged) OnPiecesChanged({first, removed, removed + PieceCount() - piecesBefore});
  if (OnChange) OnChange();
}

}  // namespace titrelle
