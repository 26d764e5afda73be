#include "ui/ErrorReport.h"

#include <exception>

#include "ui/WindowSystem.h"

namespace titrelle {

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
    return message + ".";
  }
  return message;
}

void ShowErrorReport(WindowSystem& windowSystem, const std::string& message) {
  MessageBoxRequest box;
  box.caption = windowSystem.ApplicationTitle();
  box.icon = MessageIcon::Error;
  box.text = ErrorReportText(message);
  box.buttons = {"OK"};
  box.defaultButton = 0;
  box.escapeButton = 0;
  windowSystem.ShowMessageBox(box);
}

bool DispatchEvent(WindowSystem& windowSystem, const std::function<void()>& handler) {
  if (!handler) return true;
  bool ranToItsEnd = true;
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorReport(windowSystem, error.what());
    ranToItsEnd = false;
  }
  if (windowSystem.AfterEachEvent) windowSystem.AfterEachEvent();
  return ranToItsEnd;
}

}  // namespace titrelle
