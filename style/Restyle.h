#pragma once
#include <string>
#include <string_view>

namespace titrelle {

enum class StyleMode { Default, Custom };

struct RestyleResult {
  bool changed = false;  // the file view's text is to be replaced by `text`
  std::string text;
  int omitClosingTag = 0;  // the flag after the restyling
};

// Restyles the file view's text to the new prefix (StylePart1 + StylePart2). Markers that do not delimit a
// style prefix of the program's own kind change nothing.
RestyleResult RestyleText(std::string_view fileViewText, std::string_view newPrefix, StyleMode mode,
                          int omitClosingTag);

}  // namespace titrelle
