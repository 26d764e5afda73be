// The four system-wide keys: named by global atoms, registered with the window system, asked for again while
// another running program holds them.
#include "app/HotKeyRegistration.h"

#include <algorithm>
#include <string>

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/HotKeys.h"

namespace titrelle {

namespace {

// The four system-wide keys, in the order the window keeps their atoms.
struct HotKeyName {
  const char* atomName;
  int virtualKey;
};
constexpr HotKeyName kHotKeys[] = {
    {"MrvHotKeyLeft", vk::F9},
    {"MrvHotKeyRight", vk::F10},
    {"MrvHotKeyF7", vk::F7},
    {"MrvHotKeyF8", vk::F8},
};

constexpr int kHotKeyRetryMs = 1000;
// 热键 F9、F10、F7、F8 正被另一个程序（多半是另一个正在运行的 Titrelle）占用，这个窗口暂时收不到它们，请先用
// 鼠标点按钮。那个程序一放开这些热键，这个窗口就会自动接管。
const std::string kHotKeysHeldElsewhere =
    "\xC8\xC8\xBC\xFC F9\xA1\xA2"
    "F10\xA1\xA2"
    "F7\xA1\xA2"
    "F8 \xD5\xFD\xB1\xBB\xC1\xED\xD2\xBB\xB8\xF6\xB3\xCC"
    "\xD0\xF2\xA3\xA8\xB6\xE0\xB0\xEB\xCA\xC7\xC1\xED\xD2\xBB\xB8\xF6\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0\xB5\xC4"
    " Titrelle"
    "\xA3\xA9\xD5\xBC\xD3\xC3\xA3\xAC\xD5\xE2\xB8\xF6\xB4\xB0\xBF\xDA\xD4\xDD\xCA\xB1\xCA\xD5\xB2\xBB\xB5\xBD"
    "\xCB\xFC"
    "\xC3\xC7\xA3\xAC\xC7\xEB\xCF\xC8\xD3\xC3\xCA\xF3\xB1\xEA\xB5\xE3\xB0\xB4\xC5\xA5\xA1\xA3\xC4\xC7\xB8\xF6"
    "\xB3\xCC"
    "\xD0\xF2\xD2\xBB\xB7\xC5\xBF\xAA\xD5\xE2\xD0\xA9\xC8\xC8\xBC\xFC\xA3\xAC\xD5\xE2\xB8\xF6\xB4\xB0\xBF\xDA"
    "\xBE\xCD"
    "\xBB\xE1\xD7\xD4\xB6\xAF\xBD\xD3\xB9\xDC\xA1\xA3";

}  // namespace

void HotKeyRegistration::Register() {
  HotKeys& hotKeys = windowSystem_.HotKeySystem();
  // The program adds no local atoms, so a name found locally means the key stays unnamed (0).
  for (int i = 0; i < 4; ++i) {
    if (hotKeys.FindAtom(kHotKeys[i].atomName) == 0) atoms_[i] = hotKeys.GlobalAddAtom(kHotKeys[i].atomName);
  }
  // A key that another program or a second copy holds stays inert here; its button still works by mouse.
  for (int i = 0; i < 4; ++i) registered_[i] = hotKeys.RegisterHotKey(atoms_[i], 0, kHotKeys[i].virtualKey);
  if (!AllRegistered()) retryTimer_ = windowSystem_.StartTimer(kHotKeyRetryMs, [this] { Retry(); });
}

bool HotKeyRegistration::AllRegistered() const {
  return std::all_of(registered_.begin(), registered_.end(), [](bool r) { return r; });
}

void HotKeyRegistration::Retry() {
  bool allRegistered = true;
  for (int i = 0; i < 4; ++i) {
    if (!registered_[i]) {
      registered_[i] = windowSystem_.HotKeySystem().RegisterHotKey(atoms_[i], 0, kHotKeys[i].virtualKey);
    }
    allRegistered = allRegistered && registered_[i];
  }
  if (allRegistered || heldElsewhereTold_) return;
  heldElsewhereTold_ = true;
  MessageBoxRequest notice;
  notice.caption = "Information";
  notice.icon = MessageIcon::Information;
  notice.text = kHotKeysHeldElsewhere;
  notice.buttons = {"OK"};
  notice.escapeButton = 0;
  windowSystem_.ShowMessageBox(notice);
}

void HotKeyRegistration::Release() {
  HotKeys& hotKeys = windowSystem_.HotKeySystem();
  for (std::uint16_t atom : atoms_) hotKeys.UnregisterHotKey(atom);
  for (std::uint16_t atom : atoms_) hotKeys.GlobalDeleteAtom(atom);
}

void HotKeyRegistration::PressKeysOf(int id, const std::function<void(int virtualKey)>& press) const {
  // Every key whose atom matches acts: with unnamed keys (0) one press may click several buttons.
  for (int i = 0; i < 4; ++i) {
    if (id != atoms_[i]) continue;
    press(kHotKeys[i].virtualKey);
  }
}

}  // namespace titrelle
