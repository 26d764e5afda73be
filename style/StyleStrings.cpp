#include "style/StyleStrings.h"

#include <string>

namespace titrelle {

// All three live in this one file, in this order, so that DefaultLinePrefix is built from the two parts
// after they exist (the order of initialisation across files is not fixed).
const std::string DefaultStylePart1 =
    "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}";  // {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}
const std::string DefaultStylePart2 = "<b>";
const std::string DefaultLinePrefix = DefaultStylePart1 + DefaultStylePart2;

std::string CustomStylePart1(std::string_view colorText) {
  std::string part = "<font color=";
  part += colorText;
  part += ">";
  return part;
}

std::string CustomStylePart2(std::string_view fontName, std::string_view fontSize, std::string_view left,
                             std::string_view top) {
  // No field is checked: whatever the dialog holds is what the subtitle renderer is given.
  std::string part = "{\\fn";
  part += fontName;
  part += "\\fs";
  part += fontSize;
  part += "\\pos(";
  part += left;
  part += ",";
  part += top;
  part += ")\\}";
  return part;
}

std::string_view StyledLineEnd(int omitClosingTag) { return omitClosingTag == 0 ? kClosingTag : ""; }

std::string ComposeStyledLine(std::string_view stylePart1, std::string_view stylePart2, std::string_view text,
                              int omitClosingTag) {
  std::string line;
  const std::string_view end = StyledLineEnd(omitClosingTag);
  line.reserve(stylePart1.size() + stylePart2.size() + text.size() + end.size());
  line += stylePart1;
  line += stylePart2;
  line += text;
  line += end;
  return line;
}

}  // namespace titrelle
