#include "platforms/windows/Win32WakeUpTimer.h"

#include <mmsystem.h>

#include <algorithm>
#include <utility>

#include "base/Error.h"
#include "ui/ErrorReport.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace titrelle {

namespace {

constexpr wchar_t kAlarmClass[] = L"TitrelleAlarm";
constexpr UINT kRingMessage = WM_APP + 2;
// A ring that comes this much before its time belongs to an earlier setting: the timer is set again since.
constexpr auto kEarlyRing = std::chrono::microseconds(500);

// SetProcessInformation and its power throttling state, from Windows 8 and 10 on: looked up at run time,
// so that the program still starts where they are missing (and the headers of older tool chains lack them).
struct PowerThrottlingState {
  ULONG version;
  ULONG controlMask;
  ULONG stateMask;
};
constexpr int kProcessPowerThrottling = 4;
constexpr ULONG kPowerThrottlingVersion = 1;
constexpr ULONG kIgnoreTimerResolution = 0x4;
using SetProcessInformationFunction = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);

void AskToKeepTimerResolution(bool keep) {
  static const auto setProcessInformation = reinterpret_cast<SetProcessInformationFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation")));
  if (!setProcessInformation) return;
  // Control mask set, state mask clear: the system honours the resolution even when the windows are hidden.
  // Both clear: the system decides again.
  PowerThrottlingState state{kPowerThrottlingVersion, keep ? kIgnoreTimerResolution : 0, 0};
  setProcessInformation(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}

std::chrono::microseconds ScreenFrameInterval() {
  HDC screen = GetDC(nullptr);
  const int hertz = screen ? GetDeviceCaps(screen, VREFRESH) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  // 0 and 1 mean the hardware's default.
  const int rate = hertz > 1 ? std::clamp(hertz, 24, 240) : 60;
  return std::chrono::microseconds(1000000 / rate);
}

}  // namespace

Win32WakeUpTimer::Win32WakeUpTimer(WindowSystem& system, std::function<void()> onWake)
    : system_(system), onWake_(std::move(onWake)), frameInterval_(ScreenFrameInterval()) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW alarm{};
  alarm.cbSize = sizeof alarm;
  alarm.lpfnWndProc = WindowProc;
  alarm.hInstance = instance;
  alarm.lpszClassName = kAlarmClass;
  RegisterClassExW(&alarm);  // a second alarm finds the class registered
  window_ = CreateWindowExW(0, kAlarmClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!window_) throw Error("Cannot start the clock");
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  highResolution_ = timer_ != nullptr;
  if (!timer_) timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (timer_) waiter_ = CreateThread(nullptr, 0, Waiter, this, 0, nullptr);
  if (!timer_ || !stop_ || !waiter_) {
    if (waiter_) CloseHandle(waiter_);
    if (stop_) CloseHandle(stop_);
    if (timer_) CloseHandle(timer_);
    DestroyWindow(window_);
    throw Error("Cannot start the clock");
  }
}

Win32WakeUpTimer::~Win32WakeUpTimer() {
  SetEvent(stop_);
  WaitForSingleObject(waiter_, INFINITE);
  CloseHandle(waiter_);
  CloseHandle(stop_);
  CloseHandle(timer_);
  UseFineResolution(false);
  if (keepingPrecise_) AskToKeepTimerResolution(false);
  DestroyWindow(window_);  // a ring still in the queue finds no window
}

DWORD WINAPI Win32WakeUpTimer::Waiter(void* self) {
  auto* alarm = static_cast<Win32WakeUpTimer*>(self);
  const HANDLE handles[2] = {alarm->stop_, alarm->timer_};
  for (;;) {
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
    // One ring in the queue at most: a busy GUI thread is not buried under them afterwards.
    if (!alarm->posted_.exchange(true) && !PostMessageW(alarm->window_, kRingMessage, 0, 0))
      alarm->posted_ = false;
  }
}

LRESULT CALLBACK Win32WakeUpTimer::WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* alarm = reinterpret_cast<Win32WakeUpTimer*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (alarm == nullptr || message != kRingMessage) return DefWindowProcW(handle, message, wParam, lParam);
  alarm->posted_ = false;
  alarm->Ring();
  return 0;
}

void Win32WakeUpTimer::Ring() {
  // Set for later or put to sleep since this ring was posted: it is not this setting's.
  if (!due_ || SteadyClock::now() + kEarlyRing < *due_) return;
  // A ring that comes while the last one's handler still runs (an error report open) waits until it ends.
  if (running_) {
    missed_ = true;
    return;
  }
  due_.reset();
  running_ = true;
  DispatchEvent(system_, onWake_);
  running_ = false;
  if (std::exchange(missed_, false)) WakeAfter(std::chrono::microseconds(0));
}

void Win32WakeUpTimer::Arm(std::chrono::microseconds delay) {
  delay = std::max(delay, std::chrono::microseconds(0));
  due_ = SteadyClock::now() + delay;
  if (delay.count() == 0) {
    CancelWaitableTimer(timer_);
    if (!posted_.exchange(true) && !PostMessageW(window_, kRingMessage, 0, 0)) posted_ = false;
    return;
  }
  LARGE_INTEGER dueTime;
  dueTime.QuadPart = -static_cast<LONGLONG>(delay.count()) * 10;  // relative, in 100 ns
  SetWaitableTimer(timer_, &dueTime, 0, nullptr, nullptr, FALSE);
}

void Win32WakeUpTimer::WakeAfter(std::chrono::microseconds delay) {
  // Only a ring near a replay's end needs the millisecond; an ordinary timer is that fine only while the
  // system's resolution is raised.
  UseFineResolution(!highResolution_ && keepingPrecise_ && delay.count() > 0);
  Arm(delay);
}

void Win32WakeUpTimer::WakeAtNextFrame() {
  UseFineResolution(false);
  Arm(frameInterval_);
}

void Win32WakeUpTimer::Sleep() {
  UseFineResolution(false);
  due_.reset();
  CancelWaitableTimer(timer_);
}

void Win32WakeUpTimer::KeepPrecise(bool keep) {
  if (keep == keepingPrecise_) return;
  keepingPrecise_ = keep;
  AskToKeepTimerResolution(keep);
}

void Win32WakeUpTimer::UseFineResolution(bool fine) {
  if (fine == fineResolution_) return;
  fineResolution_ = fine;
  if (fine) {
    timeBeginPeriod(1);
  } else {
    timeEndPeriod(1);
  }
}

}  // namespace titrelle
