#pragma once
// How every shell hands an event to the program: one place for the rules, so that what the tests prove on
// the headless shell holds for the desktop shells too.

#include <functional>

#include "ui/Controls.h"

namespace titrelle {

class WindowSystem;

// Modifier bits of KeyEvent::shift, as every shell reports them.
namespace modifier {
constexpr unsigned Shift = 1;
constexpr unsigned Alt = 2;
constexpr unsigned Ctrl = 4;
}  // namespace modifier

// Runs a handler, when there is one, through DispatchEvent: a failure becomes the error report.
void FireEvent(WindowSystem& system, const std::function<void()>& handler);
// A key handler that fails ended the key's handling before the control could act on it: the key is
// swallowed.
void FireKey(WindowSystem& system, const std::function<void(KeyEvent&)>& handler, KeyEvent& key);
// A key-press handler that fails discards the character.
void FirePress(WindowSystem& system, const std::function<void(KeyPressEvent&)>& handler,
               KeyPressEvent& press);

// Whether a window may close: its close query decides; one that fails keeps the window open (the failure is
// reported), since closing may lose what the query was about to keep.
bool MayClose(WindowSystem& system, const std::function<bool()>& query);

}  // namespace titrelle
