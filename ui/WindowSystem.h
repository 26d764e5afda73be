#pragma once
// Everything the program asks of a window system. A shell implements this once.

#include <chrono>
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
#include "ui/SubtitleTableSource.h"
#include "ui/Window.h"
#include "ui/WindowTable.h"
#include "ui/WorkbenchBar.h"

namespace titrelle {

class Timer {
 public:
  virtual ~Timer() = default;  // destroying the timer stops it
};

// The position clock's alarm. It rings once, on the GUI thread through DispatchEvent, when it was last set
// for, and then stays quiet until it is set again; setting it again moves the ring. Nothing costs anything
// while it sleeps.
class WakeUpTimer {
 public:
  virtual ~WakeUpTimer() = default;  // destroying the alarm silences it
  // `delay` from now, as precisely as the system allows (a millisecond or better where it can); zero rings
  // as soon as the loop is free.
  virtual void WakeAfter(std::chrono::microseconds delay) = 0;
  // About one frame of the screen from now: often enough for a label to be fresh on every frame shown.
  virtual void WakeAtNextFrame() = 0;
  // Not until set again.
  virtual void Sleep() = 0;
  // How long a frame of the screen lasts.
  virtual std::chrono::microseconds FrameInterval() const = 0;
  // While a replay's end is armed the ring must stay precise even when the window is hidden or the system
  // would save power; a shell that can ask the system for that does.
  virtual void KeepPrecise(bool keep) { (void)keep; }
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
  // The subtitle table on `window`'s workbench, showing `table` until called again (null: no table). A shell
  // without a workbench shows none.
  virtual void ShowSubtitleTable(Window& window, SubtitleTableSource* table) {
    (void)window;
    (void)table;
  }
  // Calls onTick every intervalMs (as often as the system delivers), on the GUI thread, through
  // DispatchEvent.
  virtual std::unique_ptr<Timer> StartTimer(int intervalMs, std::function<void()> onTick) = 0;
  // The position clock's alarm, asleep until set; it calls onWake each time it rings.
  virtual std::unique_ptr<WakeUpTimer> CreateWakeUpTimer(std::function<void()> onWake) = 0;

  // Called by DispatchEvent after every event handler it ran (a key, a click, a hot key, a timer's tick),
  // however the handler ended: the program's chance to look at what is due next.
  std::function<void()> AfterEachEvent;

  // The file open dialog: no filter, any typed name accepted as it stands, a relative one in the dialog's
  // folder. The full path in the system's own form; empty on cancel.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen() = 0;
  // A modal message box; the index of the button pressed, or the escape button for Escape and closing.
  virtual int ShowMessageBox(const MessageBoxRequest& entry) = 0;
  // The colour picker, starting on `initial`; empty on cancel. COLORREF values, red in the lowest byte.
  virtual std::optional<unsigned> PickColor(unsigned initial) = 0;
  // Font family names of the screen fonts, in any order (the dialog sorts them).
  virtual std::vector<std::string> ScreenFontFamilies() = 0;

  // The bar at the top of the workbench of `window` (a window that plays grows one where the shell can); null
  // where there is none.
  virtual std::unique_ptr<WorkbenchBar> CreateWorkbenchBar(Window& window) {
    (void)window;
    return nullptr;
  }
  // The key help: one line per key, the key, a tab, what it does (code page 936). A plain message box, where
  // the shell has nothing better.
  virtual void ShowKeyHelp(const std::vector<std::string>& lines) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    for (const std::string& line : lines) request.text += line + "\n";
    request.buttons = {"\xC8\xB7\xB6\xA8"};  // 确定
    request.escapeButton = 0;
    ShowMessageBox(request);
  }

  virtual HotKeys& HotKeySystem() = 0;
  virtual SettingsRegistry& Registry() = 0;
  virtual FileSystem& Files() = 0;
};

}  // namespace titrelle
