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

// Text the user typed, committed with an input method, pasted or dropped, as the desktop gave it (UTF-8,
// before any conversion), as the program takes it, in code page 936. A character code page 936 cannot hold
// would reach the file as "?": it is refused, everything else kept, and `refused` is called once (the shell
// fires the control's OnCharactersRefused there). Shells run all the user's text through this.
std::string TakeTypedText(std::string_view utf8, const std::function<void()>& refused);

}  // namespace titrelle
