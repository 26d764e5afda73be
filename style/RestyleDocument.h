#pragma once
#include <string_view>

#include "style/Restyle.h"

namespace titrelle {

class TForm1;

// Brings the lines already in the file view to the new prefix (StylePart1 + StylePart2 of the dialog being
// saved) and records their layout in OmitClosingTag. The file view is refilled through the scratch listing;
// its change handler, which saves the subtitle file, runs once, when the refill is complete.
void RestyleDocument(TForm1& form1, std::string_view newPrefix, StyleMode mode);

}  // namespace titrelle
