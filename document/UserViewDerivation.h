#pragma once
#include <string>
#include <string_view>

namespace titrelle {

// The spans taken from the file view's text T: StyleSpan from the first "<" to the first "}", BraceSpan from
// the first "{" to the first "}". Empty when a character is missing, when "}" comes first, or when the span
// would cross a line break.
std::string StyleSpan(std::string_view fileViewText);
std::string BraceSpan(std::string_view fileViewText);

// The user view's text derived from the file view's text: StyleSpan, BraceSpan, "<b>", "</b>" removed in
// that order. Never removes a line break.
std::string DeriveUserViewText(std::string_view fileViewText);

// The same derivation in pieces: the spans are read from the whole text once, and then any run of its whole
// lines (from a line's start to just after a line break, or to the text's end) derives on its own, so that
// the derived runs put together are DeriveUserViewText of the whole. No span crosses a line break and a
// line break is never part of a double-byte character's lead, so nothing reaches from one run into the next.
class UserViewDerivation {
 public:
  explicit UserViewDerivation(std::string_view fileViewText);
  std::string Derive(std::string_view wholeLines) const;

 private:
  std::string styleSpan_;
  std::string braceSpan_;
};

}  // namespace titrelle
