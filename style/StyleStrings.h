#pragma once
#include <string>
#include <string_view>

namespace titrelle {

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&} in code page 936.
extern const std::string DefaultStylePart1;
extern const std::string DefaultStylePart2;  // "<b>"
extern const std::string DefaultLinePrefix;  // DefaultStylePart1 + DefaultStylePart2
inline constexpr std::string_view kClosingTag = "</b>";

// "<font color=" + colour text + ">"
std::string CustomStylePart1(std::string_view colorText);
// "{\fn" + name + "\fs" + size + "\pos(" + left + "," + top + ")\}"
std::string CustomStylePart2(std::string_view fontName, std::string_view fontSize, std::string_view left,
                             std::string_view top);

// The one rule for every styled text line: the two style parts, the text, and StyledLineEnd.
std::string_view StyledLineEnd(int omitClosingTag);
std::string ComposeStyledLine(std::string_view stylePart1, std::string_view stylePart2, std::string_view text,
                              int omitClosingTag);

}  // namespace titrelle
