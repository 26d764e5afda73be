#include "KeysForCharacters.h"

#include <QGuiApplication>
#include <algorithm>

// Xlib's macros (Bool, Status, None) clash with Qt's names: its header comes after Qt's.
#include <X11/Xlib.h>

namespace titrelle {

namespace {

Display* TestDisplay() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

}  // namespace

KeysForCharacters::KeysForCharacters(const QString& text) {
  Display* display = TestDisplay();
  if (display == nullptr) return;
  int first = 0;
  int last = 0;
  XDisplayKeycodes(display, &first, &last);
  int symbolsPerKey = 0;
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &symbolsPerKey);
  if (map == nullptr) return;
  // Keys without any symbol are free to take the characters.
  std::vector<int> free;
  for (int code = last; code >= first; --code) {
    const KeySym* symbols = map + (code - first) * symbolsPerKey;
    if (std::all_of(symbols, symbols + symbolsPerKey, [](KeySym symbol) { return symbol == NoSymbol; }))
      free.push_back(code);
  }
  XFree(map);
  for (const uint codePoint : text.toUcs4()) {
    const KeySym symbol = codePoint < 0x100 ? codePoint : (0x01000000 | codePoint);
    if (XKeysymToKeycode(display, symbol) != 0) continue;  // on the keyboard already, or given just now
    if (free.empty()) break;
    KeySym symbols[] = {symbol, symbol};
    XChangeKeyboardMapping(display, free.back(), 2, symbols, 1);
    XSync(display, False);
    taken_.push_back(free.back());
    free.pop_back();
  }
}

KeysForCharacters::~KeysForCharacters() {
  Display* display = TestDisplay();
  if (display == nullptr) return;
  for (const int code : taken_) {
    KeySym none[] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(display, code, 2, none, 1);
  }
  XSync(display, False);
}

}  // namespace titrelle
