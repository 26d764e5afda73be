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

}  // namespace titrelle
