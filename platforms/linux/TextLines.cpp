#include "platforms/linux/TextLines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/Cp936.h"

namespace titrelle {

namespace {

// Calls piece(start, size) for every piece of `text` between breaks, the one after a final break included.
template <class Piece>
void ForEachPiece(std::string_view text, Piece piece) {
  std::size_t start = 0;
  const char* const data = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = data[i];
    if (c != '\r' && c != '\n') continue;
    piece(start, i - start);
    if (c == '\r' && i + 1 < text.size() && data[i + 1] == '\n') ++i;
    start = i + 1;
  }
  piece(start, text.size() - start);
}

}  // namespace

int CharacterStart(std::string_view line, int column) {
  int run = 0;
  while (column - run > 0 && IsLeadByte(static_cast<unsigned char>(line[column - run - 1]))) ++run;
  return run % 2 == 0 ? column : column - 1;
}

int NextCharacter(std::string_view line, int column) {
  const int size = static_cast<int>(line.size());
  if (column >= size) return size;
  return std::min(size, column + (IsLeadByte(static_cast<unsigned char>(line[column])) ? 2 : 1));
}

int PreviousCharacter(std::string_view line, int column) {
  if (column <= 0) return 0;
  return CharacterStart(line, column - 1);
}

void TextLines::SetText(std::string_view text) {
  buffer_.assign(text);
  spans_.clear();
  spans_.reserve(static_cast<std::size_t>(std::count(buffer_.begin(), buffer_.end(), '\n')) + 1);
  owned_.clear();
  freeOwned_.clear();
  longest_ = 0;
  ForEachPiece(buffer_, [this](std::size_t start, std::size_t size) {
    if (start + size > UINT32_MAX || size > INT32_MAX) {
      spans_.push_back(Own(buffer_.substr(start, size)));
    } else {
      spans_.push_back(Span{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(size), 0});
    }
    longest_ = std::max(longest_, size);
  });
}

void TextLines::Append(std::string_view text) {
  const Span last = spans_.back();
  if (last.owned || last.size != 0 || last.offset != buffer_.size()) {
    Replace(End(), End(), text);
    return;
  }
  const std::size_t base = buffer_.size();
  buffer_.append(text);
  spans_.pop_back();
  ForEachPiece(std::string_view(buffer_).substr(base), [this, base](std::size_t start, std::size_t size) {
    start += base;
    if (start + size > UINT32_MAX || size > INT32_MAX) {
      spans_.push_back(Own(buffer_.substr(start, size)));
    } else {
      spans_.push_back(Span{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(size), 0});
    }
    longest_ = std::max(longest_, size);
  });
}

void TextLines::Reserve(std::size_t bytes, int lines) {
  buffer_.reserve(bytes);
  spans_.reserve(static_cast<std::size_t>(std::max(lines, 1)));
}

std::string_view TextLines::Line(int index) const {
  const Span& span = spans_[static_cast<std::size_t>(index)];
  if (span.owned) return owned_[span.offset];
  return std::string_view(buffer_).substr(span.offset, span.size);
}

TextPosition TextLines::End() const {
  const int last = PieceCount() - 1;
  return {last, static_cast<int>(Line(last).size())};
}

std::string TextLines::Text(TextPosition from, TextPosition to, std::string_view lineBreak) const {
  if (to <= from) return {};
  if (from.line == to.line) return std::string(Line(from.line).substr(from.column, to.column - from.column));
  std::size_t size = Line(from.line).size() - from.column + to.column;
  for (int line = from.line + 1; line < to.line; ++line) size += Line(line).size();
  size += lineBreak.size() * static_cast<std::size_t>(to.line - from.line);
  std::string text;
  text.reserve(size);
  text += Line(from.line).substr(from.column);
  for (int line = from.line + 1; line <= to.line; ++line) {
    text += lineBreak;
    text += line == to.line ? Line(line).substr(0, to.column) : Line(line);
  }
  return text;
}

void TextLines::Release(const Span& span) {
  if (!span.owned) return;
  std::string().swap(owned_[span.offset]);
  freeOwned_.push_back(span.offset);
}

TextLines::Span TextLines::Own(std::string line) {
  longest_ = std::max(longest_, line.size());
  Span span{0, 0, 1};
  if (freeOwned_.empty()) {
    span.offset = static_cast<std::uint32_t>(owned_.size());
    owned_.push_back(std::move(line));
  } else {
    span.offset = freeOwned_.back();
    freeOwned_.pop_back();
    owned_[span.offset] = std::move(line);
  }
  return span;
}

TextPosition TextLines::Replace(TextPosition from, TextPosition to, std::string_view text) {
  if (to < from) std::swap(from, to);
  const bool breaks = text.find_first_of("\r\n") != std::string_view::npos;
  Span& first = spans_[static_cast<std::size_t>(from.line)];
  if (!breaks && from.line == to.line && first.owned) {
    // Typing into a line of its own: the line alone changes, in place.
    std::string& line = owned_[first.offset];
    line.replace(static_cast<std::size_t>(from.column), static_cast<std::size_t>(to.column - from.column),
                 text);
    longest_ = std::max(longest_, line.size());
    return {from.line, from.column + static_cast<int>(text.size())};
  }
  const std::string_view head = Line(from.line).substr(0, from.column);
  const std::string_view tail = Line(to.line).substr(to.column);
  std::vector<std::string> lines;
  ForEachPiece(text,
               [&](std::size_t start, std::size_t size) { lines.emplace_back(text.substr(start, size)); });
  const int afterColumn = static_cast<int>(lines.back().size() + (lines.size() == 1 ? head.size() : 0));
  lines.front().insert(0, head);
  lines.back() += tail;
  for (int line = from.line; line <= to.line; ++line) Release(spans_[static_cast<std::size_t>(line)]);
  std::vector<Span> spans;
  spans.reserve(lines.size());
  for (std::string& line : lines) spans.push_back(Own(std::move(line)));
  const auto begin = spans_.begin() + from.line;
  const std::size_t removed = static_cast<std::size_t>(to.line - from.line + 1);
  const std::size_t kept = std::min(removed, spans.size());
  std::copy_n(spans.begin(), kept, begin);
  if (spans.size() > removed) {
    spans_.insert(begin + static_cast<std::ptrdiff_t>(kept),
                  spans.begin() + static_cast<std::ptrdiff_t>(kept), spans.end());
  } else if (spans.size() < removed) {
    spans_.erase(begin + static_cast<std::ptrdiff_t>(kept), begin + static_cast<std::ptrdiff_t>(removed));
  }
  return {from.line + static_cast<int>(spans.size()) - 1, afterColumn};
}

}  // namespace titrelle
