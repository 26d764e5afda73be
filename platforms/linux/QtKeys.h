#pragma once
// Qt's keys as the program's handlers see them: the desktop's virtual-key codes and modifier bits.

#include <QKeyEvent>

namespace titrelle {

// What a desktop reports as the key of an input method's character (a Chinese character, say).
constexpr int kInputMethodKey = 229;

// The virtual-key code of a Qt key event (229 for a character with no key of its own, 0 for unknown keys).
int VirtualKeyOf(const QKeyEvent& event);
unsigned ModifiersOf(Qt::KeyboardModifiers modifiers);

}  // namespace titrelle
