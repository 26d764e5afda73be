#include "platforms/windows/Win32WindowSystem.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "platforms/windows/WinText.h"
#include "platforms/windows/Win32Window.h"
#include "platforms/windows/WmpPlayer.h"
#include "base/Error.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

constexpr wchar_t kTickClass[] = L"TitrelleTicks";
constexpr UINT kTickMessage = WM_APP + 1;

LRESULT CALLBACK TickWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* system = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (system) return system->TickProc(handle, message, wParam, lParam);
  return DefWindowProcW(handle, message, wParam, lParam);
}

std::string WithoutAccelerator(const std::string& caption) {
  std::string plain;
  for (char c : caption) {
    if (c != '&') plain += c;
  }
  return plain;
}

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  // Vertical variants ("@name") are the same family turned on its side.
  if (font->lfFaceName[0] != L'@') reinterpret_cast<std::set<std::wstring>*>(data)->insert(font->lfFaceName);
  return 1;
}

}  // namespace

// A multimedia timer ticks on its own thread; the tick only posts to the tick window, so that the handler
// runs on the GUI thread. Two ticks may wait in the queue, so that a moment's delay of the GUI thread loses
// none; more are dropped, so that a busy program is not buried under them afterwards. A handler still running
// (showing an error report, say) is not started again.
struct Win32WindowSystem::TimerState {
  static constexpr int kMostQueued = 2;
  std::function<void()> onTick;
  HWND window = nullptr;
  int id = 0;
  UINT timer = 0;
  std::atomic<int> queued{0};
  bool running = false;
};

Win32WindowSystem::Win32WindowSystem() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  Win32Window::RegisterClasses(instance);
  WNDCLASSEXW tick{};
  tick.cbSize = sizeof tick;
  tick.lpfnWndProc = TickWindowProc;
  tick.hInstance = instance;
  tick.lpszClassName = kTickClass;
  RegisterClassExW(&tick);
  tickWindow_ = CreateWindowExW(0, kTickClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!tickWindow_) throw Error("Cannot create the clock's window. " + SystemMessage(GetLastError()));
  SetWindowLongPtrW(tickWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  timeBeginPeriod(1);
}

Win32WindowSystem::~Win32WindowSystem() {
  for (auto& [id, state] : timers_) timeKillEvent(state->timer);
  timers_.clear();
  timeEndPeriod(1);
  if (tickWindow_) DestroyWindow(tickWindow_);
}

std::unique_ptr<Window> Win32WindowSystem::CreateWindow(const WindowTable& entry) {
  // The first window is the main window: it owns the others, holds the hot keys and ends the program.
  auto window = std::make_unique<Win32Window>(*this, entry, mainWindow_);
  if (!mainWindow_) {
    mainWindow_ = window->Handle();
    hotKeys_.SetOwner(mainWindow_);
  }
  windows_.insert(window.get());
  return window;
}

void Win32WindowSystem::Forget(Win32Window* window) { windows_.erase(window); }

std::unique_ptr<MediaPlayer> Win32WindowSystem::CreatePlayer(Window& window, const std::string& panelName) {
  auto* win32Window = dynamic_cast<Win32Window*>(&window);
  if (!win32Window) throw Error("The player needs a window of this window system");
  return std::make_unique<WmpPlayer>(win32Window->ControlNamed(panelName).Handle());
}

class Win32Timer : public Timer {
 public:
  Win32Timer(Win32WindowSystem& system, int id) : system_(system), id_(id) {}
  ~Win32Timer() override { system_.StopTimer(id_); }

 private:
  Win32WindowSystem& system_;
  int id_;
};

std::unique_ptr<Timer> Win32WindowSystem::StartTimer(int intervalMs, std::function<void()> onTick) {
  auto state = std::make_shared<TimerState>();
  state->onTick = std::move(onTick);
  state->window = tickWindow_;
  state->id = nextTimerId_++;
  state->timer = timeSetEvent(
      static_cast<UINT>(std::max(intervalMs, 1)), 1,
      [](UINT, UINT, DWORD_PTR data, DWORD_PTR, DWORD_PTR) {
        auto* ticking = reinterpret_cast<TimerState*>(data);
        if (ticking->queued.load() >= TimerState::kMostQueued) return;
        ++ticking->queued;
        if (!PostMessageW(ticking->window, kTickMessage, static_cast<WPARAM>(ticking->id), 0)) --ticking->queued;
      },
      reinterpret_cast<DWORD_PTR>(state.get()), TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (state->timer == 0) throw Error("Cannot start the clock");
  const int id = state->id;
  timers_[id] = std::move(state);
  return std::make_unique<Win32Timer>(*this, id);
}

void Win32WindowSystem::StopTimer(int id) {
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  timeKillEvent(found->second->timer);  // waits for a tick in progress on the timer's thread
  timers_.erase(found);
}

LRESULT Win32WindowSystem::TickProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kTickMessage) return DefWindowProcW(handle, message, wParam, lParam);
  auto found = timers_.find(static_cast<int>(wParam));
  if (found == timers_.end()) return 0;  // stopped since
  std::shared_ptr<TimerState> state = found->second;
  --state->queued;
  if (state->running) return 0;
  state->running = true;
  DispatchEvent(*this, state->onTick);
  state->running = false;
  return 0;
}

void Win32WindowSystem::HotKeyPressed(int id) {
  if (hotKeys_.OnHotKey) DispatchEvent(*this, [&] { hotKeys_.OnHotKey(id); });
}

HWND Win32WindowSystem::DialogOwner() const {
  HWND active = GetActiveWindow();
  return active ? active : mainWindow_;
}

std::optional<std::filesystem::path> Win32WindowSystem::ChooseFileToOpen() {
  // No filter, and any typed name is taken as it stands: a relative one in the dialog's folder.
  std::wstring name(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  name.resize(wcslen(name.c_str()));
  if (name.empty()) return std::nullopt;
  return std::filesystem::path(name);
}

int Win32WindowSystem::ShowMessageBox(const MessageBoxRequest& entry) {
  std::vector<std::string> buttons;
  for (const std::string& caption : entry.buttons) buttons.push_back(WithoutAccelerator(caption));
  UINT type = MB_OK;
  std::vector<int> answers{IDOK};
  if (buttons == std::vector<std::string>{"OK", "Cancel"}) {
    type = MB_OKCANCEL;
    answers = {IDOK, IDCANCEL};
  } else if (buttons == std::vector<std::string>{"Yes", "No"}) {
    type = MB_YESNO;
    answers = {IDYES, IDNO};
  } else if (buttons == std::vector<std::string>{"Yes", "No", "Cancel"} ||
             entry.buttons == YesNoCancelButtons()) {
    type = MB_YESNOCANCEL;
    answers = {IDYES, IDNO, IDCANCEL};
  } else if (entry.buttons == YesNoButtons()) {
    type = MB_YESNO;
    answers = {IDYES, IDNO};
  } else if (entry.buttons == TryContinueCancelButtons()) {
    // Try again, go on, or cancel: the system's own buttons in the system's language; the text says what
    // each one does here.
    type = MB_CANCELTRYCONTINUE;
    answers = {IDTRYAGAIN, IDCONTINUE, IDCANCEL};
  }
  type |= entry.icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
  if (entry.defaultButton == 1) type |= MB_DEFBUTTON2;
  if (entry.defaultButton == 2) type |= MB_DEFBUTTON3;
  HWND owner = DialogOwner();
  if (!owner) type |= MB_TASKMODAL;
  const int answer = MessageBoxW(owner, WideFromCp936(entry.text).c_str(), WideFromCp936(entry.caption).c_str(), type);
  const auto found = std::find(answers.begin(), answers.end(), answer);
  if (found != answers.end()) return static_cast<int>(found - answers.begin());
  return entry.escapeButton >= 0 ? entry.escapeButton : entry.defaultButton;
}

std::optional<unsigned> Win32WindowSystem::PickColor(unsigned initial) {
  static COLORREF customColors[16] = {};
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = DialogOwner();
  dialog.rgbResult = static_cast<COLORREF>(initial & 0xFFFFFF);
  dialog.lpCustColors = customColors;
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorW(&dialog)) return std::nullopt;
  return static_cast<unsigned>(dialog.rgbResult);
}

std::vector<std::string> Win32WindowSystem::ScreenFontFamilies() {
  std::set<std::wstring> families;
  HDC screen = GetDC(nullptr);
  LOGFONTW every{};
  every.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(screen, &every, CollectFamily, reinterpret_cast<LPARAM>(&families), 0);
  ReleaseDC(nullptr, screen);
  std::vector<std::string> names;
  for (const std::wstring& family : families) names.push_back(Cp936FromWide(family));
  return names;
}

bool Win32WindowSystem::PreTranslate(const MSG& message) {
  if (message.message != WM_SYSCHAR) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  for (Win32Window* window : windows_) {
    if (window->Handle() == root) return window->Mnemonic(static_cast<wchar_t>(message.wParam));
  }
  return false;
}

int Win32WindowSystem::Run() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return got < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace titrelle
