#include "platforms/windows/Win32WindowSystem.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "base/Error.h"
#include "platforms/windows/Win32WakeUpTimer.h"
#include "platforms/windows/Win32Window.h"
#include "platforms/windows/Win32Workbench.h"
#include "platforms/windows/WinText.h"
#include "platforms/windows/WmpPlayer.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

constexpr wchar_t kTickClass[] = L"TitrelleTicks";

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


// A question answered by Yes or No whose Escape and close box answer too, which the system's Yes/No message
// box does not allow: a dialog of our own with the same parts (icon, text, one button a caption, the default
// one focused). The text is control 0xFFFF, as in the system's box; the buttons are IDYES and IDNO; Escape
// and the close box end it with IDCANCEL.
struct QuestionBox {
  const MessageBoxRequest* entry;
  std::wstring text;
};

INT_PTR CALLBACK QuestionBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* box = reinterpret_cast<const QuestionBox*>(lParam);
      const MessageBoxRequest& entry = *box->entry;
      SetWindowTextW(dialog, WideFromCp936(entry.caption).c_str());
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
      HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
      SetPropW(dialog, L"TitrelleFont", font);
      HDC dc = GetDC(dialog);
      HGDIOBJ before = SelectObject(dc, font);
      TEXTMETRICW measures{};
      GetTextMetricsW(dc, &measures);
      const int unit = measures.tmHeight;  // margins and gaps follow the font, and so the screen's DPI
      const int icon = GetSystemMetrics(SM_CXICON);
      RECT textArea{0, 0, measures.tmAveCharWidth * 60, 0};
      DrawTextW(dc, box->text.c_str(), -1, &textArea, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
      std::vector<std::wstring> captions;
      int buttonWidth = measures.tmAveCharWidth * 12;
      for (const std::string& caption : entry.buttons) {
        captions.push_back(WideFromCp936(caption));
        RECT area{};
        DrawTextW(dc, captions.back().c_str(), -1, &area, DT_CALCRECT | DT_SINGLELINE);
        buttonWidth = std::max(buttonWidth, static_cast<int>(area.right) + 2 * unit);
      }
      SelectObject(dc, before);
      ReleaseDC(dialog, dc);
      const int buttonHeight = unit * 7 / 4;
      const int count = static_cast<int>(captions.size());
      const int textLeft = unit + icon + unit;
      const int textHeight = std::max(static_cast<int>(textArea.bottom), icon);
      const int buttonsWidth = count * buttonWidth + (count - 1) * unit / 2;
      const int width = std::max(textLeft + static_cast<int>(textArea.right), buttonsWidth) + unit;
      const int height = unit + textHeight + unit + buttonHeight + unit;
      HINSTANCE instance = GetModuleHandleW(nullptr);
      HWND iconControl = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_ICON, unit, unit, icon,
                                         icon, dialog, nullptr, instance, nullptr);
      SendMessageW(iconControl, STM_SETICON,
                   reinterpret_cast<WPARAM>(LoadIconW(nullptr, entry.icon == MessageIcon::Error ? IDI_ERROR
                                                                                                : IDI_INFORMATION)),
                   0);
      HWND textControl = CreateWindowExW(0, L"Static", box->text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX,
                                         textLeft, unit, textArea.right, textArea.bottom, dialog,
                                         reinterpret_cast<HMENU>(0xFFFF), instance, nullptr);
      SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      HWND focus = nullptr;
      for (int i = 0; i < count; ++i) {
        const bool isDefault = i == entry.defaultButton;
        HWND button = CreateWindowExW(
            0, L"Button", captions[i].c_str(),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) | (isDefault ? BS_DEFPUSHBUTTON : 0),
            width - unit - buttonsWidth + i * (buttonWidth + unit / 2), unit + textHeight + unit, buttonWidth,
            buttonHeight, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(i == 0 ? IDYES : IDNO)),
            instance, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (isDefault) focus = button;
      }
      if (focus) SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(focus)), 0);
      RECT frame{0, 0, width, height};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
      // Centred on its owner, or on the screen.
      RECT around{};
      HWND owner = GetWindow(dialog, GW_OWNER);
      if (!owner || !GetWindowRect(owner, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
      const int frameWidth = frame.right - frame.left;
      const int frameHeight = frame.bottom - frame.top;
      SetWindowPos(dialog, nullptr, (around.left + around.right - frameWidth) / 2,
                   (around.top + around.bottom - frameHeight) / 2, frameWidth, frameHeight, SWP_NOZORDER);
      MessageBeep(entry.icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
      if (focus) SetFocus(focus);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_DESTROY:
      DeleteObject(static_cast<HFONT>(RemovePropW(dialog, L"TitrelleFont")));
      return FALSE;
    default:
      return FALSE;
  }
}

int AskYesOrNo(HWND owner, const MessageBoxRequest& entry) {
  // An empty dialog: its parts are made and laid out when it starts.
  struct alignas(DWORD) Template {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
  } empty{};
  empty.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  QuestionBox box{&entry, WideFromCp936(entry.text)};
  const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.dialog, owner,
                                                 QuestionBoxProc, reinterpret_cast<LPARAM>(&box));
  if (answer == IDYES) return 0;
  if (answer == IDNO) return 1;
  return entry.escapeButton;
}

}  // namespace

// The program's slow timers (a notice's seconds, the hot keys asked for again): the window timer of the tick
// window, which raises no system timer resolution. A handler still running (showing an error report, say)
// is not started again.
struct Win32WindowSystem::TimerState {
  std::function<void()> onTick;
  int id = 0;
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
}

Win32WindowSystem::~Win32WindowSystem() {
  for (auto& [id, state] : timers_) KillTimer(tickWindow_, static_cast<UINT_PTR>(id));
  timers_.clear();
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

void Win32WindowSystem::ShowSubtitleTable(Window& window, SubtitleTableSource* table) {
  auto* win32Window = dynamic_cast<Win32Window*>(&window);
  if (!win32Window) return;
  win32Window->SetSubtitleTable(nullptr);
  if (!table) return;
  win32Window->OpenWorkbench();
  win32Window->SetSubtitleTable(std::make_unique<Win32SubtitleTable>(*win32Window, *table));
}

std::unique_ptr<WorkbenchBar> Win32WindowSystem::CreateWorkbenchBar(Window& window) {
  auto* win32Window = dynamic_cast<Win32Window*>(&window);
  if (!win32Window) return nullptr;
  win32Window->OpenWorkbench();
  return std::make_unique<Win32WorkbenchBar>(*win32Window);
}

void Win32WindowSystem::Forget(Win32Window* window) { windows_.erase(window); }

std::unique_ptr<MediaPlayer> Win32WindowSystem::CreatePlayer(Window& window, const std::string& panelName) {
  auto* win32Window = dynamic_cast<Win32Window*>(&window);
  if (!win32Window) throw Error("The player needs a window of this window system");
  return std::make_unique<WmpPlayer>(win32Window->ControlNamed(panelName).Handle(),
                                     [this](const std::function<void()>& handler) { DispatchEvent(*this, handler); });
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
  state->id = nextTimerId_++;
  if (SetTimer(tickWindow_, static_cast<UINT_PTR>(state->id), static_cast<UINT>(std::max(intervalMs, 1)),
               nullptr) == 0) {
    throw Error("Cannot start the clock");
  }
  const int id = state->id;
  timers_[id] = std::move(state);
  return std::make_unique<Win32Timer>(*this, id);
}

std::unique_ptr<WakeUpTimer> Win32WindowSystem::CreateWakeUpTimer(std::function<void()> onWake) {
  return std::make_unique<Win32WakeUpTimer>(*this, std::move(onWake));
}

void Win32WindowSystem::StopTimer(int id) {
  auto found = timers_.find(id);
  if (found == timers_.end()) return;
  KillTimer(tickWindow_, static_cast<UINT_PTR>(id));
  timers_.erase(found);
}

LRESULT Win32WindowSystem::TickProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER) return DefWindowProcW(handle, message, wParam, lParam);
  auto found = timers_.find(static_cast<int>(wParam));
  if (found == timers_.end()) return 0;  // stopped since
  std::shared_ptr<TimerState> state = found->second;
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
  if (type == MB_YESNO && entry.escapeButton >= 0) return AskYesOrNo(DialogOwner(), entry);
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
  if (message.message == WM_MOUSEWHEEL) {
    // The wheel turns what is under the pointer (the timeline zooms there), as on today's systems, not
    // what has the keyboard's focus.
    const POINT pointer{static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
    HWND under = WindowFromPoint(pointer);
    if (under == nullptr || under == message.hwnd ||
        GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId())
      return false;
    SendMessageW(under, message.message, message.wParam, message.lParam);
    return true;
  }
  const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  if (message.message != WM_SYSCHAR && !keyDown) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  for (Win32Window* window : windows_) {
    if (window->Handle() != root) continue;
    if (keyDown) return window->PlayerKey(message);
    return window->Mnemonic(static_cast<wchar_t>(message.wParam));
  }
  return false;
}

void Win32WindowSystem::PaintPending() {
  // The system paints only when no message is posted: the clock's alarm and the player's events are, and a
  // handler may wait long for the player (a control stopping its video for a pause). Without this, what a
  // resume put into the boxes, the user view and the table stays undrawn until the events after it end.
  if (!(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT)) return;
  for (Win32Window* window : windows_) {
    if (IsWindowVisible(window->Handle()))
      RedrawWindow(window->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  // On the screen before the next handler runs, however long it takes: GDI's batch goes out, and asking for
  // the queue's state is where Wine hands the windows' pixels to the X server (at a paint's end it does so
  // only when the loop has not been idle for a while).
  GdiFlush();
  GetQueueStatus(QS_PAINT);
}

void Win32WindowSystem::Dispatch(const MSG& message) {
  if (message.message != WM_PAINT) PaintPending();
  if (PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int Win32WindowSystem::Run() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) Dispatch(message);
  return got < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace titrelle
