#pragma once
// Everything the program asks of a window system. A shell implements this once.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/MediaPlayer.h"
#include "ui/Dialogs.h"
#include "ui/FileSystem.h"
#include "ui/HotKeys.h"
#include "ui/SettingsRegistry.h"
#include "ui/Window.h"
#include "ui/WindowTable.h"

namespace titrelle {

class Timer {
 public:
  virtual ~Timer() = default;  // destroying the timer stops it
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual void SetApplicationTitle(const std::string& title) = 0;
  virtual std::string ApplicationTitle() const = 0;

  // Builds a window and all its controls from the table; it stays hidden until shown.
  virtual std::unique_ptr<Window> CreateWindow(const WindowTable& entry) = 0;
  // The player, drawing into the MediaPanel control `panelName` of `window`.
  virtual std::unique_ptr<MediaPlayer> CreatePlayer(Window& window, const std::string& panelName) = 0;
  // Calls onTick every intervalMs (as often as the system delivers), on the GUI thread, through
  // DispatchEvent.
  virtual std::unique_ptr<Timer> StartTimer(int intervalMs, std::function<void()> onTick) = 0;

  // The file open dialog: no filter, any typed name accepted as it stands, a relative one in the dialog's
  // folder. The full path in the system's own form; empty on cancel.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen() = 0;
  // A modal message box; the index of the button pressed, or the escape button for Escape and closing.
  virtual int ShowMessageBox(const MessageBoxRequest& entry) = 0;
  // The colour picker, starting on `initial`; empty on cancel. COLORREF values, red in the lowest byte.
  virtual std::optional<unsigned> PickColor(unsigned initial) = 0;
  // Font family names of the screen fonts, in any order (the dialog sorts them).
  virtual std::vector<std::string> ScreenFontFamilies() = 0;

  virtual HotKeys& HotKeySystem() = 0;
  virtual SettingsRegistry& Registry() = 0;
  virtual FileSystem& Files() = 0;
};

}  // namespace titrelle
