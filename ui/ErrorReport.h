#pragma once
#include <functional>
#include <string>

namespace titrelle {

class WindowSystem;

// The application's error report text: a full stop is added when the last character sorts after ".".
std::string ErrorReportText(const std::string& message);

// Shows the application's error report: error icon, the application title as caption, one OK button.
void ShowErrorReport(WindowSystem& windowSystem, const std::string& message);

// Every shell runs every event handler through this, in this one place: an exception the handler lets out
// becomes the application's error report, and the program goes on.
// Returns whether the handler ran to its end: a key whose handler failed is not acted on, as on the desktop.
bool DispatchEvent(WindowSystem& windowSystem, const std::function<void()>& handler);

}  // namespace titrelle
