#include "base/Cp936.h"

#include <cstring>
#include <vector>

namespace titrelle {

namespace {

// Finds the occurrences of one pattern in one text, left to right, in linear time (Knuth-Morris-Pratt),
// keeping track of where characters start so that no match begins on a trail byte.
class AlignedMatcher {
 public:
  AlignedMatcher(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {
    failure_.assign(pattern.size(), 0);
    for (std::size_t i = 1, k = 0; i < pattern.size(); ++i) {
      while (k > 0 && pattern[i] != pattern[k]) k = failure_[k - 1];
      if (pattern[i] == pattern[k]) ++k;
      failure_[i] = k;
    }
  }

  // Puts the scan at `from`; a match is still only taken where a character starts.
  void Restart(std::size_t from) {
    matched_ = 0;
    position_ = from;
    boundary_ = 0;
  }

  // Moves the scan on to `from`, the end of the occurrence at `start` that was taken, so that the next one
  // does not overlap it.
  void SkipTo(std::size_t start, std::size_t from) {
    matched_ = 0;
    position_ = from;
    boundary_ = start;
  }

  // The next aligned occurrence at or after the scan position, npos when none.
  std::size_t Next() {
    const std::size_t m = pattern_.size();
    if (m == 0) return std::string_view::npos;
    while (position_ < text_.size()) {
      if (matched_ == 0) {
        // Nothing partly matched: jump straight to the next byte that could start a match.
        const void* hit = std::memchr(text_.data() + position_, pattern_[0], text_.size() - position_);
        if (hit == nullptr) break;
        position_ = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
      }
      const char byte = text_[position_];
      while (matched_ > 0 && byte != pattern_[matched_]) matched_ = failure_[matched_ - 1];
      if (byte == pattern_[matched_]) ++matched_;
      ++position_;
      if (matched_ == m) {
        const std::size_t start = position_ - m;
        matched_ = failure_[m - 1];
        if (StartsCharacter(start)) return start;
      }
    }
    position_ = text_.size();
    return std::string_view::npos;
  }

 private:
  // Whether `start` (not before boundary_) begins a character. Only the bytes that could be lead bytes right
  // before it matter: they pair up from the first of them, or from boundary_. Afterwards boundary_ moves up
  // to `start`: a byte is looked at again only inside an occurrence just taken, so the scan stays linear.
  bool StartsCharacter(std::size_t start) {
    std::size_t pairedFrom = start;
    while (pairedFrom > boundary_ && IsLeadByte(static_cast<unsigned char>(text_[pairedFrom - 1])))
      --pairedFrom;
    const bool aligned = (start - pairedFrom) % 2 == 0;
    boundary_ = aligned ? start : start + 1;
    return aligned;
  }

  std::string_view text_;
  std::string_view pattern_;
  std::vector<std::size_t> failure_;
  std::size_t matched_ = 0;
  std::size_t position_ = 0;
  std::size_t boundary_ = 0;  // a known start of a character, never beyond the next possible match start
};

}  // namespace

std::size_t FindCharacterAligned(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.empty() || from >= text.size()) return std::string_view::npos;
  AlignedMatcher matcher(text, pattern);
  matcher.Restart(from);
  return matcher.Next();
}

void ForEachCharacterAligned(std::string_view text, std::string_view pattern,
                             const std::function<void(std::size_t)>& onMatch) {
  if (pattern.empty()) return;
  AlignedMatcher matcher(text, pattern);
  for (std::size_t start = matcher.Next(); start != std::string_view::npos; start = matcher.Next()) {
    onMatch(start);
    matcher.SkipTo(start, start + pattern.size());
  }
}

std::string ReplaceAllCharacterAligned(std::string_view text, std::string_view pattern,
                                       std::string_view replacement) {
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;
  ForEachCharacterAligned(text, pattern, [&](std::size_t start) {
    result.append(text.substr(copied, start - copied));
    result.append(replacement);
    copied = start + pattern.size();
  });
  result.append(text.substr(copied));
  return result;
}

std::string_view LeadingCharacters(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  // A run of lead-range bytes before the cut: an odd run ends in a lead byte whose trail would be cut off.
  std::size_t run = 0;
  while (run < bytes && IsLeadByte(static_cast<unsigned char>(text[bytes - run - 1]))) ++run;
  return text.substr(0, run % 2 == 0 ? bytes : bytes - 1);
}

}  // namespace titrelle
