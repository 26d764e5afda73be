#include "style/Restyle.h"

#include <string>
#include <string_view>

#include "base/Cp936.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

constexpr std::string_view kCustomPrefixStart = "<font color=";
constexpr std::string_view kCustomPrefixEnd = ")\\}";
constexpr std::string_view kFontNameStart = "{\\fn";

enum class PrefixKind {
  Found,    // the first subtitle's prefix
  Empty,    // the first "}" comes before the first "<": nothing to replace
  NotOurs,  // the markers do not delimit a prefix this program writes; replacing would damage subtitles
};

struct FirstPrefix {
  PrefixKind kind = PrefixKind::NotOurs;
  std::string_view text;
};

bool StartsLine(std::string_view text, std::size_t position) {
  return position == 0 || text[position - 1] == '\n' || text[position - 1] == '\r';
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The prefix of the default layout: "{" through the first "}" and the three characters after it, which
// in a line this program wrote are "<b>". "{" and "}" can be trail bytes of a double-byte character, so the
// markers are searched character by character.
FirstPrefix DefaultLayoutPrefix(std::string_view text) {
  const std::size_t open = FindCharacterAligned(text, "{");
  const std::size_t close = FindCharacterAligned(text, "}");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
  const std::size_t length = close - open + 1 + DefaultStylePart2.size();
  if (open + length > text.size()) return {};
  const std::string_view prefix = text.substr(open, length);
  // A custom line, "<font color=..>{\fn..\}text", also has a "{\fn" before its first "}"; it is told apart by
  // its "{" not starting the line and by what follows the "}".
  if (!StartsLine(text, open) || HasLineBreak(prefix) || !prefix.starts_with(kFontNameStart) ||
      !prefix.ends_with(DefaultStylePart2)) {
    return {};
  }
  return {PrefixKind::Found, prefix};
}

// The prefix of the custom layout: the first "<" through the first "}".
FirstPrefix CustomLayoutPrefix(std::string_view text) {
  const std::size_t open = FindCharacterAligned(text, "<");
  const std::size_t close = FindCharacterAligned(text, "}");
  if (open == std::string_view::npos || close == std::string_view::npos) return {};
  // A file view in the default layout: "{...}<b>" has its "}" first.
  if (close < open) return {PrefixKind::Empty, {}};
  const std::string_view prefix = text.substr(open, close - open + 1);
  if (!StartsLine(text, open) || HasLineBreak(prefix) || !prefix.starts_with(kCustomPrefixStart) ||
      !prefix.ends_with(kCustomPrefixEnd)) {
    return {};
  }
  return {PrefixKind::Found, prefix};
}

RestyleResult Unchanged(std::string_view text, int omitClosingTag) {
  return {false, std::string(text), omitClosingTag};
}

}  // namespace

RestyleResult RestyleText(std::string_view fileViewText, std::string_view newPrefix, StyleMode mode,
                          int omitClosingTag) {
  if (fileViewText.empty()) return Unchanged(fileViewText, omitClosingTag);

  if (mode == StyleMode::Custom && omitClosingTag == 0) {
    const FirstPrefix old = DefaultLayoutPrefix(fileViewText);
    if (old.kind != PrefixKind::Found || old.text == newPrefix)
      return Unchanged(fileViewText, omitClosingTag);
    const std::string restyled = ReplaceAllCharacterAligned(fileViewText, old.text, newPrefix);
    // The custom layout has no closing tag; this also takes a "</b>" typed into a subtitle's text.
    return {true, ReplaceAllCharacterAligned(restyled, kClosingTag, ""), 1};
  }

  const FirstPrefix old = CustomLayoutPrefix(fileViewText);
  if (old.kind == PrefixKind::NotOurs) return Unchanged(fileViewText, omitClosingTag);
  const std::string_view target =
      mode == StyleMode::Default ? std::string_view(DefaultLinePrefix) : newPrefix;
  if (old.kind == PrefixKind::Found && old.text == target) return Unchanged(fileViewText, omitClosingTag);
  // An empty prefix replaces nothing: the text is written back as it is. Lines already written keep their
  // endings; in the default mode, the lines written from now on are closed by "</b>".
  std::string restyled = old.kind == PrefixKind::Found
                             ? ReplaceAllCharacterAligned(fileViewText, old.text, target)
                             : std::string(fileViewText);
  return {true, std::move(restyled), mode == StyleMode::Default ? 0 : omitClosingTag};
}

}  // namespace titrelle
