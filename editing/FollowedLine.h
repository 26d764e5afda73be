#pragma once
// A line edit mode keeps up with key by key: its text, or where its first arrow stands, known from the
// splice a key made instead of reading a line of megabytes again.

#include <cstddef>
#include <string>
#include <string_view>

#include "document/Listing.h"

namespace titrelle {

inline constexpr std::size_t kNoArrow = std::string_view::npos;

// Where the first arrow of `line` stands (kNoArrow: none), the line having become what it is by `splice`
// of a line whose first arrow stood at `arrowBefore`. Reads only around the splice, unless the splice
// touched that arrow.
std::size_t FirstArrowAfterSplice(std::string_view line, std::size_t arrowBefore, const LineSplice& splice);

// A copy of a line, kept up to date by the bytes that differ, with its first arrow.
class FollowedLine {
 public:
  const std::string& Text() const { return text_; }
  bool HoldsArrow() const { return arrowAt_ != kNoArrow; }
  // Becomes `text`: one comparison, and a copy of the bytes that differ.
  void Set(std::string_view text);

 private:
  std::string text_;
  std::size_t arrowAt_ = kNoArrow;
};

}  // namespace titrelle
