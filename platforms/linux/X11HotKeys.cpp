#include "platforms/linux/X11HotKeys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

#include "platforms/linux/QtKeys.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// The global atom table: string atoms live from 0xC000 up; names are compared without regard to case.
struct AtomEntry {
  std::uint16_t value = 0;
  int references = 0;
};
std::map<std::string, AtomEntry>& AtomTable() {
  static std::map<std::string, AtomEntry> table;
  return table;
}
std::uint16_t nextAtom = 0xC000;

std::string AtomKey(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  return key;
}

// X11 keysym of a virtual-key code; 0 for keys this program cannot grab.
std::uint32_t KeysymOf(int virtualKey) {
  if (virtualKey >= 112 && virtualKey <= 135) return 0xFFBE + (virtualKey - 112);  // F1..F24
  if (virtualKey >= 'A' && virtualKey <= 'Z') return 'a' + (virtualKey - 'A');
  if (virtualKey >= '0' && virtualKey <= '9') return virtualKey;
  switch (virtualKey) {
    case 8:
      return 0xFF08;  // BackSpace
    case 9:
      return 0xFF09;  // Tab
    case 13:
      return 0xFF0D;  // Return
    case 27:
      return 0xFF1B;  // Escape
    case 32:
      return 0x20;  // space
    case 33:
      return 0xFF55;  // Prior
    case 34:
      return 0xFF56;  // Next
    case 35:
      return 0xFF57;  // End
    case 36:
      return 0xFF50;  // Home
    case 37:
      return 0xFF51;  // Left
    case 38:
      return 0xFF52;  // Up
    case 39:
      return 0xFF53;  // Right
    case 40:
      return 0xFF54;  // Down
    case 45:
      return 0xFF63;  // Insert
    case 46:
      return 0xFFFF;  // Delete
    default:
      return 0;
  }
}

constexpr std::uint32_t kNumLockKeysym = 0xFF7F;
constexpr unsigned kModifierBits =
    hotkeymodifier::Alt | hotkeymodifier::Control | hotkeymodifier::Shift | hotkeymodifier::Win;

}  // namespace

// Without X11: the keys are caught in every window of the program before any widget sees them.
class X11HotKeys::ShortcutFilter : public QObject {
 public:
  explicit ShortcutFilter(X11HotKeys& keys) : keys_(keys) {}

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    // A key event visits the window first and then its widget: take it once, at the widget.
    if (event->type() != QEvent::KeyPress || !receiver->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    int id = 0;
    if (!keys_.MatchesShortcut(key->key(), key->modifiers(), &id)) return false;
    keys_.Deliver(id);
    return true;
  }

 private:
  X11HotKeys& keys_;
};

X11HotKeys::X11HotKeys(WindowSystem& system) : system_(system) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  // Under the offscreen platform the interface exists but has no connection.
  if (x11 && x11->connection()) {
    connection_ = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (screens.rem > 0) root_ = screens.data->root;
  }
  if (!connection_ || !root_) {
    connection_ = nullptr;
    shortcutFilter_ = std::make_unique<ShortcutFilter>(*this);
    if (qGuiApp) qGuiApp->installEventFilter(shortcutFilter_.get());
    return;
  }
  // Num Lock sits on whichever modifier the keyboard map gives it (usually Mod2).
  numLockMask_ = XCB_MOD_MASK_2;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  xcb_keycode_t* numLockCodes = symbols ? xcb_key_symbols_get_keycode(symbols, kNumLockKeysym) : nullptr;
  xcb_get_modifier_mapping_reply_t* mapping =
      xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
  if (mapping && numLockCodes) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping);
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
      for (int i = 0; i < perModifier; ++i) {
        const xcb_keycode_t code = codes[modifier * perModifier + i];
        for (const xcb_keycode_t* numLock = numLockCodes; code != 0 && *numLock != XCB_NO_SYMBOL; ++numLock) {
          if (*numLock == code) numLockMask_ = static_cast<std::uint16_t>(1u << modifier);
        }
      }
    }
  }
  std::free(mapping);
  std::free(numLockCodes);
  if (symbols) xcb_key_symbols_free(symbols);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
  if (connection_) {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const Registration& registration : registrations_) Ungrab(registration);
    xcb_flush(connection_);
  } else if (shortcutFilter_ && qGuiApp) {
    qGuiApp->removeEventFilter(shortcutFilter_.get());
  }
}

std::uint16_t X11HotKeys::FindAtom(const std::string&) {
  return 0;  // the local atom table: the program adds no local atoms
}

std::uint16_t X11HotKeys::GlobalAddAtom(const std::string& name) {
  if (name.empty()) return 0;
  AtomEntry& atom = AtomTable()[AtomKey(name)];
  if (atom.references == 0) atom.value = nextAtom++;
  ++atom.references;
  return atom.value;
}

void X11HotKeys::GlobalDeleteAtom(std::uint16_t value) {
  auto& table = AtomTable();
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->second.value != value) continue;
    if (--it->second.references == 0) table.erase(it);
    return;
  }
}

int X11HotKeys::AtomReferenceCount(const std::string& name) {
  auto found = AtomTable().find(AtomKey(name));
  return found == AtomTable().end() ? 0 : found->second.references;
}

std::uint16_t X11HotKeys::ModifierMask(unsigned modifiers) const {
  std::uint16_t mask = 0;
  if (modifiers & hotkeymodifier::Alt) mask |= XCB_MOD_MASK_1;
  if (modifiers & hotkeymodifier::Control) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & hotkeymodifier::Shift) mask |= XCB_MOD_MASK_SHIFT;
  if (modifiers & hotkeymodifier::Win) mask |= XCB_MOD_MASK_4;
  return mask;
}

bool X11HotKeys::Grab(Registration& registration) {
  const std::uint32_t keysym = KeysymOf(registration.virtualKey);
  if (keysym == 0) return false;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  if (!symbols) return false;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  for (const xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code) {
    registration.keycodes.push_back(*code);
  }
  std::free(codes);
  xcb_key_symbols_free(symbols);
  if (registration.keycodes.empty()) return false;

  // Checked requests: a BadAccess comes back here, never to the default error handler.
  const std::uint16_t base = ModifierMask(registration.modifiers);
  const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, numLockMask_,
                                 static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_)};
  std::vector<xcb_void_cookie_t> cookies;
  for (std::uint8_t code : registration.keycodes) {
    for (std::uint16_t lock : locks) {
      cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, static_cast<std::uint16_t>(base | lock),
                                             code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
  }
  bool granted = true;
  for (const xcb_void_cookie_t& cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
      granted = false;
      std::free(error);
    }
  }
  if (!granted) Ungrab(registration);  // releases only the variants this client got
  return granted;
}

void X11HotKeys::Ungrab(const Registration& registration) {
  const std::uint16_t base = ModifierMask(registration.modifiers);
  const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, numLockMask_,
                                 static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_)};
  for (std::uint8_t code : registration.keycodes) {
    for (std::uint16_t lock : locks)
      xcb_ungrab_key(connection_, code, root_, static_cast<std::uint16_t>(base | lock));
  }
  xcb_flush(connection_);
}

bool X11HotKeys::RegisterHotKey(int id, unsigned modifiers, int virtualKey) {
  modifiers &= kModifierBits;
  // One holder per key: this program may not hold a key twice either.
  for (const Registration& registration : registrations_) {
    if (registration.modifiers == modifiers && registration.virtualKey == virtualKey) return false;
  }
  Registration registration{id, modifiers, virtualKey, {}};
  if (connection_) {
    if (!Grab(registration)) return false;
  } else if (KeysymOf(virtualKey) == 0) {
    return false;
  }
  registrations_.push_back(std::move(registration));
  return true;
}

bool X11HotKeys::UnregisterHotKey(int id) {
  auto found = std::find_if(registrations_.begin(), registrations_.end(),
                            [id](const Registration& registration) { return registration.id == id; });
  if (found == registrations_.end()) return false;
  if (connection_) Ungrab(*found);
  registrations_.erase(found);
  return true;
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const std::uint8_t type = event->response_type & 0x7F;
  if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
  const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
  if (key->event != root_) return false;
  const std::uint16_t held =
      key->state & (XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4);
  for (const Registration& registration : registrations_) {
    if (ModifierMask(registration.modifiers) != held) continue;
    if (std::find(registration.keycodes.begin(), registration.keycodes.end(), key->detail) ==
        registration.keycodes.end()) {
      continue;
    }
    if (type == XCB_KEY_PRESS) Deliver(registration.id);
    return true;
  }
  return false;
}

bool X11HotKeys::MatchesShortcut(int qtKey, Qt::KeyboardModifiers qtModifiers, int* id) const {
  int virtualKey = 0;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    virtualKey = 112 + (qtKey - Qt::Key_F1);
  } else {
    QKeyEvent probe(QEvent::KeyPress, qtKey, Qt::NoModifier);
    virtualKey = VirtualKeyOf(probe);
  }
  unsigned modifiers = 0;
  if (qtModifiers & Qt::AltModifier) modifiers |= hotkeymodifier::Alt;
  if (qtModifiers & Qt::ControlModifier) modifiers |= hotkeymodifier::Control;
  if (qtModifiers & Qt::ShiftModifier) modifiers |= hotkeymodifier::Shift;
  if (qtModifiers & Qt::MetaModifier) modifiers |= hotkeymodifier::Win;
  for (const Registration& registration : registrations_) {
    if (registration.virtualKey == virtualKey && registration.modifiers == modifiers && virtualKey != 0) {
      *id = registration.id;
      return true;
    }
  }
  return false;
}

void X11HotKeys::Deliver(int id) {
  // Posted, as the desktop posts its hot key message: the handler runs from the event loop, between other
  // input, never inside the filter that caught the key.
  QMetaObject::invokeMethod(
      &deliveries_,
      [this, id] {
        if (OnHotKey) DispatchEvent(system_, [&] { OnHotKey(id); });
      },
      Qt::QueuedConnection);
}

}  // namespace titrelle
