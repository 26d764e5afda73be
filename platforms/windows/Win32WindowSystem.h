#pragma once
// The Windows program's window system: Win32 windows and common dialogs, the Media Player control, the
// registry of the current user, atoms and hot keys, the files through WindowsFileSystem, and the position
// clock's alarm (Win32WakeUpTimer).

#include "platforms/windows/Win32Api.h"

#include <map>
#include <memory>
#include <set>

#include "platforms/windows/Win32HotKeys.h"
#include "platforms/windows/WindowsFileSystem.h"
#include "platforms/windows/WindowsRegistry.h"
#include "ui/WindowSystem.h"

namespace titrelle {

class Win32Window;

class Win32WindowSystem : public WindowSystem {
 public:
  Win32WindowSystem();
  ~Win32WindowSystem() override;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  std::unique_ptr<Window> CreateWindow(const WindowTable& entry) override;
  std::unique_ptr<MediaPlayer> CreatePlayer(Window& window, const std::string& panelName) override;
  std::unique_ptr<Timer> StartTimer(int intervalMs, std::function<void()> onTick) override;
  std::unique_ptr<WakeUpTimer> CreateWakeUpTimer(std::function<void()> onWake) override;
  std::optional<std::filesystem::path> ChooseFileToOpen() override;
  int ShowMessageBox(const MessageBoxRequest& entry) override;
  std::optional<unsigned> PickColor(unsigned initial) override;
  std::vector<std::string> ScreenFontFamilies() override;
  void ShowSubtitleTable(Window& window, SubtitleTableSource* table) override;
  std::unique_ptr<WorkbenchBar> CreateWorkbenchBar(Window& window) override;
  HotKeys& HotKeySystem() override { return hotKeys_; }
  SettingsRegistry& Registry() override { return registry_; }
  FileSystem& Files() override { return files_; }

  // The message loop's part: Alt+letter clicks the button it marks. True when the message was used.
  bool PreTranslate(const MSG& message);
  // One message of a loop of the program's (the main one, a modal window's), once the windows show what the
  // events before it changed.
  void Dispatch(const MSG& message);
  // Runs the message loop until the main window closes.
  int Run();

  // From the windows.
  bool IsMainWindow(HWND window) const { return window == mainWindow_; }
  void HotKeyPressed(int id);
  void Forget(Win32Window* window);
  LRESULT TickProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  void StopTimer(int id);

 private:
  struct TimerState;
  HWND DialogOwner() const;
  void PaintPending();

  std::string title_;
  HWND mainWindow_ = nullptr;
  HWND tickWindow_ = nullptr;
  std::set<Win32Window*> windows_;
  std::map<int, std::shared_ptr<TimerState>> timers_;
  int nextTimerId_ = 1;
  Win32HotKeys hotKeys_;
  WindowsRegistry registry_;
  WindowsFileSystem files_;
};

}  // namespace titrelle
