#include "document/UserViewDerivation.h"

#include "base/Cp936.h"

namespace titrelle {

namespace {

// From the first `open` to the first "}", both included, both found on character starts. A span that would
// take a line break (or a lone CR or LF) with it is empty: the user view's lines must stay the file view's.
std::string SpanBetween(std::string_view text, std::string_view open) {
  const std::size_t begin = FindCharacterAligned(text, open);
  const std::size_t end = FindCharacterAligned(text, "}");
  if (begin == std::string_view::npos || end == std::string_view::npos || end < begin) return {};
  const std::string_view span = text.substr(begin, end - begin + 1);
  if (span.find_first_of("\r\n") != std::string_view::npos) return {};
  return std::string(span);
}

// Every occurrence removed, left to right, without overlap, never from a trail byte. An occurrence between a
// CR and a LF stays: taking it out would join them into a new line break.
std::string RemoveAll(std::string_view text, std::string_view pattern) {
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;
  ForEachCharacterAligned(text, pattern, [&](std::size_t start) {
    result.append(text.substr(copied, start - copied));
    const std::size_t end = start + pattern.size();
    const bool joinsBreak =
        !result.empty() && result.back() == '\r' && end < text.size() && text[end] == '\n';
    if (joinsBreak) result.append(pattern);
    copied = end;
  });
  result.append(text.substr(copied));
  return result;
}

}  // namespace

std::string StyleSpan(std::string_view fileViewText) { return SpanBetween(fileViewText, "<"); }

std::string BraceSpan(std::string_view fileViewText) { return SpanBetween(fileViewText, "{"); }

std::string DeriveUserViewText(std::string_view fileViewText) {
  return UserViewDerivation(fileViewText).Derive(fileViewText);
}

UserViewDerivation::UserViewDerivation(std::string_view fileViewText)
    : styleSpan_(StyleSpan(fileViewText)), braceSpan_(BraceSpan(fileViewText)) {}

std::string UserViewDerivation::Derive(std::string_view wholeLines) const {
  std::string userView(wholeLines);
  for (const std::string& pattern : {styleSpan_, braceSpan_, std::string("<b>"), std::string("</b>")}) {
    userView = RemoveAll(userView, pattern);
  }
  return userView;
}

}  // namespace titrelle
