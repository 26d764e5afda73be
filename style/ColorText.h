#pragma once
#include <string>
#include <string_view>

namespace titrelle {

// COLORREF (red in the lowest byte) to six uppercase hex digits red, green, blue.
std::string ColorToText(unsigned colorRef);
// Six characters (red, green, blue pairs) to a COLORREF; pairs read blue, green, red; a bad pair throws
// Error "'$xx' is not a valid integer value".
unsigned TextToColor(std::string_view sixCharacters);

}  // namespace titrelle
