#pragma once
#include <string_view>

#include "style/Restyle.h"

namespace titrelle {

class SubtitleDocument;

// Brings the lines already in the file view to the new prefix (StylePart1 + StylePart2 of the dialog being
// saved) and records their layout in OmitClosingTag. The file view is refilled through the scratch listing
// and saved once, when the refill is complete.
void RestyleDocument(SubtitleDocument& document, std::string_view newPrefix, StyleMode mode);

}  // namespace titrelle
