#pragma once
// System-wide hot keys on X11: passive grabs of each key on the root window (with the Caps Lock and Num Lock
// variants), caught by a native event filter, so that the keys reach the program while another program has
// the focus. A key another client holds already fails its grab with BadAccess: that key is not registered.
// Where there is no X11 connection (Wayland, the offscreen platform) the keys become application-wide
// shortcuts. Atoms are kept in a process-wide table with the desktop's values and reference counts.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/HotKeys.h"

struct xcb_connection_t;

namespace titrelle {

class WindowSystem;

class X11HotKeys : public HotKeys, private QAbstractNativeEventFilter {
 public:
  explicit X11HotKeys(WindowSystem& system);
  ~X11HotKeys() override;
  X11HotKeys(const X11HotKeys&) = delete;
  X11HotKeys& operator=(const X11HotKeys&) = delete;

  std::uint16_t FindAtom(const std::string& name) override;
  std::uint16_t GlobalAddAtom(const std::string& name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
  bool RegisterHotKey(int id, unsigned modifiers, int virtualKey) override;
  bool UnregisterHotKey(int id) override;

  // True when the keys are grabbed on an X11 root window; false when they are application-wide shortcuts.
  bool SystemWide() const { return connection_ != nullptr; }
  static int AtomReferenceCount(const std::string& name);  // 0 when the atom does not exist

 private:
  struct Registration {
    int id = 0;
    unsigned modifiers = 0;
    int virtualKey = 0;
    std::vector<std::uint8_t> keycodes;  // X11 only
  };
  class ShortcutFilter;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  bool Grab(Registration& registration);
  void Ungrab(const Registration& registration);
  std::uint16_t ModifierMask(unsigned modifiers) const;
  void Deliver(int id);
  bool MatchesShortcut(int qtKey, Qt::KeyboardModifiers modifiers, int* id) const;

  WindowSystem& system_;
  xcb_connection_t* connection_ = nullptr;
  std::uint32_t root_ = 0;
  std::uint16_t numLockMask_ = 0;
  std::vector<Registration> registrations_;
  std::unique_ptr<ShortcutFilter> shortcutFilter_;
  QObject deliveries_;  // posted hot keys die with this object
};

}  // namespace titrelle
