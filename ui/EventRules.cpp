#include "ui/EventRules.h"

#include "ui/ErrorReport.h"

namespace titrelle {

void FireEvent(WindowSystem& system, const std::function<void()>& handler) {
  if (handler) DispatchEvent(system, handler);
}

void FireKey(WindowSystem& system, const std::function<void(KeyEvent&)>& handler, KeyEvent& key) {
  if (!handler) return;
  if (!DispatchEvent(system, [&] { handler(key); })) key.swallowed = true;
}

void FirePress(WindowSystem& system, const std::function<void(KeyPressEvent&)>& handler,
               KeyPressEvent& press) {
  if (!handler) return;
  if (!DispatchEvent(system, [&] { handler(press); })) press.character = 0;
}

bool MayClose(WindowSystem& system, const std::function<bool()>& query) {
  if (!query) return true;
  bool may = false;
  DispatchEvent(system, [&] { may = query(); });
  return may;
}

}  // namespace titrelle
