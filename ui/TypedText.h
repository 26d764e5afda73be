#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "ui/Controls.h"

namespace titrelle {

// Runs typed text through a control's key-press handler as the desktop delivers typing to the program: one
// key press per byte, so a double-byte character arrives as its lead and trail bytes. A character any of
// whose bytes the handler discards is dropped whole (a filter that takes digits never lets half a Chinese
// character through); a single byte the handler replaces is taken as replaced. Returns what is to be typed.
std::string FilterTypedText(std::string_view typed, const std::function<void(KeyPressEvent&)>& keyPress);

}  // namespace titrelle
