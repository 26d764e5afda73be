#pragma once
// The position clock's alarm on Windows: a waitable timer, high-resolution where the system has one (Windows
// 10 1803 and later), waited for by a thread of its own that only posts to a message window, so that the
// ring is handled on the GUI thread. Where there is no high-resolution timer, the system's timer resolution
// is raised to 1 ms only while a ring near a replay's end is set, and given back after. While a replay is
// armed the process asks to keep its timer resolution when its windows are hidden.

#include "platforms/windows/Win32Api.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "ui/WindowSystem.h"

namespace titrelle {

class Win32WakeUpTimer : public WakeUpTimer {
 public:
  Win32WakeUpTimer(WindowSystem& system, std::function<void()> onWake);
  ~Win32WakeUpTimer() override;
  Win32WakeUpTimer(const Win32WakeUpTimer&) = delete;
  Win32WakeUpTimer& operator=(const Win32WakeUpTimer&) = delete;

  void WakeAfter(std::chrono::microseconds delay) override;
  void WakeAtNextFrame() override;
  void Sleep() override;
  std::chrono::microseconds FrameInterval() const override { return frameInterval_; }
  void KeepPrecise(bool keep) override;

  bool HighResolution() const { return highResolution_; }

 private:
  using SteadyClock = std::chrono::steady_clock;
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI Waiter(void* self);
  void Arm(std::chrono::microseconds delay);
  void Ring();
  void UseFineResolution(bool fine);

  WindowSystem& system_;
  std::function<void()> onWake_;
  HWND window_ = nullptr;
  HANDLE timer_ = nullptr;
  HANDLE stop_ = nullptr;
  HANDLE waiter_ = nullptr;
  bool highResolution_ = false;
  std::atomic<bool> posted_{false};
  std::optional<SteadyClock::time_point> due_;  // the ring set, if any
  bool fineResolution_ = false;                 // timeBeginPeriod(1) in force
  bool keepingPrecise_ = false;
  bool running_ = false;
  bool missed_ = false;
  std::chrono::microseconds frameInterval_{16667};
};

}  // namespace titrelle
