#include "platforms/windows/Win32Window.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "base/Error.h"
#include "platforms/windows/Win32WindowSystem.h"
#include "platforms/windows/Win32Workbench.h"
#include "platforms/windows/WinText.h"
#include "ui/ErrorReport.h"
#include "ui/EventRules.h"

namespace titrelle {

namespace {

// The frame's share of the outer size (borders and title bar) that the tables' sizes include.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;
// The grown window's client area when it first opens, as the Linux program's.
constexpr int kWorkbenchOpenWidth = 1340;
constexpr int kWorkbenchOpenHeight = 680;
constexpr int kWorkbenchMargin = 4;
constexpr int kBarHeight = 26;

// A panel whose table gives it no size, or a panel at the window's corner as large as its client area, fills
// its parent and follows it when the window is resized (the main window's Panel1).
bool FillsParent(const WindowTable& window, const ControlEntry& entry) {
  if (entry.kind != ControlKind::Panel) return false;
  if (entry.width == 0 && entry.height == 0) return true;
  return entry.parent.empty() && entry.left == 0 && entry.top == 0 && entry.width == window.width - kFrameWidth &&
         entry.height == window.height - kFrameHeight;
}

LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (window) return window->Proc(handle, message, wParam, lParam);
  return DefWindowProcW(handle, message, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<Win32Control*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (control) return control->PanelMessage(handle, message, wParam, lParam);
  return DefWindowProcW(handle, message, wParam, lParam);
}

std::string LookKey(const FontLook& look) {
  return look.face + '\n' + std::to_string(look.heightPixels) + '\n' + std::to_string(look.points) + '\n' +
         (look.bold ? "b" : "");
}

// The main monitor's DPI (GetDpiForSystem, Windows 10; the screen's otherwise).
UINT StartDpi() {
  using DpiForSystem = UINT(WINAPI*)();
  static const auto forSystem = reinterpret_cast<DpiForSystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
  if (forSystem) return forSystem();
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

void Win32Window::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW window{};
  window.cbSize = sizeof window;
  window.lpfnWndProc = WindowProc;
  window.hInstance = instance;
  window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's own icon (resource 1) at the sizes the shell shows, where the module has it.
  const auto icon = [&](int sizeX, int sizeY) {
    HANDLE own = LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(sizeX),
                            GetSystemMetrics(sizeY), LR_DEFAULTCOLOR);
    return own ? static_cast<HICON>(own) : LoadIconW(nullptr, IDI_APPLICATION);
  };
  window.hIcon = icon(SM_CXICON, SM_CYICON);
  window.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
  window.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window.lpszClassName = kWindowClass;
  RegisterClassExW(&window);
  WNDCLASSEXW panel{};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = PanelProc;
  panel.hInstance = instance;
  panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
}

Win32Window::Win32Window(Win32WindowSystem& system, const WindowTable& entry, HWND owner)
    : system_(system), entry_(entry) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (entry.resizable) style |= WS_THICKFRAME;
  if (entry.minimizeBox) style |= WS_MINIMIZEBOX;
  if (entry.maximizeBox) style |= WS_MAXIMIZEBOX;
  // Laid out for the main monitor's DPI; a move to another monitor lays it out again (WM_DPICHANGED).
  dpi_ = StartDpi();
  const int width = Scaled(entry.width);
  const int height = Scaled(entry.height);
  int left = CW_USEDEFAULT;
  int top = CW_USEDEFAULT;
  if (entry.centred) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    left = area.left + std::max(0L, (area.right - area.left - width) / 2);
    top = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
  }
  handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, WideFromCp936(entry.caption).c_str(), style, left,
                            top, width, height, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (!handle_) throw Error("Cannot create window '" + entry.name + "'. " + SystemMessage(GetLastError()));
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry.font)), FALSE);

  toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  int id = kFirstControlId;
  for (const ControlEntry& controlEntry : entry.controls) {
    Win32Control* parent = nullptr;
    if (!controlEntry.parent.empty()) parent = &ControlNamed(controlEntry.parent);
    if (byName_.count(controlEntry.name)) throw Error("Duplicate control name '" + controlEntry.name + "'");
    std::unique_ptr<Win32Control> control;
    if (controlEntry.kind == ControlKind::UserView) {
      control = std::make_unique<Win32UserView>(*this, controlEntry, parent, id);
    } else {
      control = std::make_unique<Win32Control>(*this, controlEntry, parent, id);
    }
    ++id;
    if (FillsParent(entry, controlEntry)) fillParent_.push_back(control.get());
    if (!controlEntry.hint.empty() && toolTip_) {
      const std::wstring hint = WideFromCp936(controlEntry.hint);
      TOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = GetParent(control->Handle());
      tool.uId = reinterpret_cast<UINT_PTR>(control->Handle());
      tool.lpszText = const_cast<wchar_t*>(hint.c_str());
      SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    byName_[controlEntry.name] = control.get();
    byHandle_[control->Handle()] = control.get();
    controls_.push_back(std::move(control));
  }
  FitPanels();
  SetUpTabOrder();
}

Win32Window::~Win32Window() {
  destroying_ = true;
  system_.Forget(this);
  table_.reset();
  if (handle_) DestroyWindow(handle_);  // its controls and tool tip with it
  controls_.clear();
  handle_ = nullptr;
  for (auto& [look, font] : fontByLook_) DeleteObject(font);
}

HFONT Win32Window::FontFor(const FontLook& requested) {
  FontLook look = requested;
  if (look.face.empty()) look.face = entry_.font.face;
  if (look.heightPixels == 0 && look.points == 0) {
    look.heightPixels = entry_.font.heightPixels;
    look.points = entry_.font.points;
  }
  const std::string key = LookKey(look);
  if (auto found = fontByLook_.find(key); found != fontByLook_.end()) return found->second;
  int height = -Scaled(look.heightPixels);
  if (look.points > 0) height = -MulDiv(look.points, static_cast<int>(dpi_), 72);
  HFONT font = CreateFontW(height, 0, 0, 0, look.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           WideFromCp936(look.face).c_str());
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fontByLook_[key] = font;
  return font;
}

Win32Control& Win32Window::ControlNamed(const std::string& name) {
  auto found = byName_.find(name);
  if (found == byName_.end()) throw Error("Control '" + name + "' not found");
  return *found->second;
}

UserViewControl& Win32Window::FindUserView(const std::string& name) {
  auto* view = dynamic_cast<Win32UserView*>(&ControlNamed(name));
  if (!view) throw Error("Control '" + name + "' is not a user view");
  return *view;
}

void Win32Window::SetUpTabOrder() {
  // A later control of the table lies over an earlier one, as it was placed last.
  for (const auto& control : controls_)
    SetWindowPos(control->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Tab follows the table's tab order within each parent; a container passes Tab on to its children in their
  // order. A panel that holds nothing but its own drop-down list passes it on to the list.
  std::map<const Win32Control*, std::vector<Win32Control*>> children;
  for (const auto& control : controls_) children[control->Parent()].push_back(control.get());
  for (auto& [parent, list] : children) {
    std::stable_sort(list.begin(), list.end(), [](const Win32Control* a, const Win32Control* b) {
      return a->Layout().tabOrder < b->Layout().tabOrder;
    });
  }
  std::function<void(const Win32Control*)> walk = [&](const Win32Control* parent) {
    auto found = children.find(parent);
    if (found == children.end()) return;
    for (Win32Control* control : found->second) {
      const ControlEntry& entry = control->Layout();
      if (entry.tabOrder < 0) continue;  // not in the order, nor its children
      if (entry.kind == ControlKind::Panel) {
        walk(control);
      } else if (entry.kind != ControlKind::Label && entry.kind != ControlKind::MediaPanel &&
                 (entry.tabStop || entry.kind == ControlKind::ComboBox)) {
        tabChain_.push_back(control->Handle());
      }
    }
  };
  walk(nullptr);
}

void Win32Window::MoveFocus(HWND from, bool backwards) {
  const auto count = static_cast<int>(tabChain_.size());
  if (count == 0) return;
  const auto at = std::find(tabChain_.begin(), tabChain_.end(), from);
  int index = at == tabChain_.end() ? (backwards ? 0 : -1) : static_cast<int>(at - tabChain_.begin());
  for (int step = 0; step < count; ++step) {
    index = (index + (backwards ? count - 1 : 1)) % count;
    HWND next = tabChain_[static_cast<std::size_t>(index)];
    if (IsWindowVisible(next) && IsWindowEnabled(next)) {
      ::SetFocus(next);
      return;
    }
  }
}

bool Win32Window::Mnemonic(wchar_t letter) {
  for (const auto& control : controls_) {
    if (control->HasMnemonic(letter) && IsWindowVisible(control->Handle())) {
      control->Click();
      return true;
    }
  }
  return false;
}

bool Win32Window::PlayerKey(const MSG& message) {
  if (!Alive()) return false;
  for (const auto& control : controls_) {
    if (control->Layout().kind != ControlKind::MediaPanel || control->Parent() == nullptr) continue;
    const HWND player = control->Handle();
    const bool inPlayer = message.hwnd == player || IsChild(player, message.hwnd);
    if (!inPlayer && message.hwnd != handle_) continue;
    return control->Parent()->HandKeyDown(message.wParam, message.lParam);
  }
  return false;
}

void Win32Window::FitPanels() {
  for (Win32Control* control : fillParent_) {
    RECT area{};
    GetClientRect(GetParent(control->Handle()), &area);
    // Beside a workbench the window's own panel is the table's area, no more.
    if (workbench_ && control->Parent() == nullptr) {
      const SIZE table = TableArea();
      area.right = table.cx;
      area.bottom = table.cy;
    }
    SetWindowPos(control->Handle(), nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  LayOutWorkbench();
}

SIZE Win32Window::TableArea() const {
  return SIZE{Scaled(std::max(entry_.width - kFrameWidth, 1)),
              Scaled(std::max(entry_.height - kFrameHeight, 1))};
}

void Win32Window::OpenWorkbench() {
  if (workbench_ || !handle_) return;
  workbench_ = true;
  const LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE) | WS_THICKFRAME | WS_MAXIMIZEBOX;
  SetWindowLongPtrW(handle_, GWL_STYLE, style);
  const SIZE table = TableArea();
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT outer{0, 0, std::max<LONG>(Scaled(kWorkbenchOpenWidth), table.cx),
             std::max<LONG>(Scaled(kWorkbenchOpenHeight), table.cy)};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE, GetWindowLongW(handle_, GWL_EXSTYLE));
  const LONG width = std::min(outer.right - outer.left, area.right - area.left);
  const LONG height = std::min(outer.bottom - outer.top, area.bottom - area.top);
  RECT now{};
  GetWindowRect(handle_, &now);
  LONG left = now.left;
  LONG top = now.top;
  if (entry_.centred) {
    left = area.left + std::max(0L, (area.right - area.left - width) / 2);
    top = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
  }
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  FitPanels();
}

void Win32Window::SetSubtitleTable(std::unique_ptr<Win32SubtitleTable> table) {
  table_ = std::move(table);
  LayOutWorkbench();
}

void Win32Window::SetWorkbenchBar(Win32WorkbenchBar* bar) {
  bar_ = bar;
  LayOutWorkbench();
}

void Win32Window::LayOutWorkbench() {
  if (!workbench_) return;
  // The table's controls keep their places: the workbench takes the room to their right, the bar at its top,
  // the subtitle table under it.
  RECT client{};
  GetClientRect(handle_, &client);
  const SIZE table = TableArea();
  const int margin = Scaled(kWorkbenchMargin);
  const int left = table.cx + margin;
  const int width = std::max(0, static_cast<int>(client.right) - left - margin);
  int top = margin;
  if (bar_) {
    bar_->Place(left, top, Scaled(kBarHeight));
    top += Scaled(kBarHeight) + margin;
  }
  if (table_) {
    const int height = std::max(0, static_cast<int>(table.cy) - top - margin);
    SetWindowPos(table_->Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    table_->FitColumns();
  }
}

void Win32Window::Fire(const std::function<void()>& handler) {
  if (Alive()) FireEvent(system_, handler);
}

bool Win32Window::RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!Alive()) return false;
  auto found = byHandle_.find(reinterpret_cast<HWND>(lParam));
  if (found == byHandle_.end()) return false;
  Win32Control* control = found->second;
  if (message == WM_COMMAND) {
    control->Notified(HIWORD(wParam));
    result = 0;
    return true;
  }
  HBRUSH brush = control->Colors(reinterpret_cast<HDC>(wParam));
  if (!brush) return false;
  result = reinterpret_cast<LRESULT>(brush);
  return true;
}

LRESULT Win32Window::Proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
      LRESULT result = 0;
      if (RouteChildMessage(message, wParam, lParam, result)) return result;
      if (message == WM_COMMAND && bar_ && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= kUndoId &&
          LOWORD(wParam) <= kKeyHelpId) {
        if (Alive()) bar_->Clicked(LOWORD(wParam));
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (table_ && header->hwndFrom == table_->Handle()) return table_->Notified(*header);
      break;
    }
    case WM_GETMINMAXINFO:
      if (workbench_) {
        // Never smaller than the table's controls' area.
        const SIZE table = TableArea();
        RECT outer{0, 0, table.cx, table.cy};
        AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)), FALSE,
                           GetWindowLongW(handle, GWL_EXSTYLE));
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = outer.right - outer.left;
        limits->ptMinTrackSize.y = outer.bottom - outer.top;
        return 0;
      }
      break;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SIZE:
      FitPanels();
      if (realised_ && visible_) Fire(OnResize);
      return 0;
    case WM_ACTIVATE:
      // The control that had the focus gets it back, as in a dialog.
      if (LOWORD(wParam) != WA_INACTIVE && focused_ && IsWindowVisible(focused_->Handle()) &&
          IsWindowEnabled(focused_->Handle())) {
        ::SetFocus(focused_->Handle());
        return 0;
      }
      break;
    case WM_CLOSE:
      Closing();
      return 0;
    case WM_HOTKEY:
      system_.HotKeyPressed(static_cast<int>(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

void Win32Window::Show() {
  if (visible_ || !handle_) return;  // showing a shown window changes nothing and tells nothing
  if (!realised_) {
    realised_ = true;
    Fire(OnResize);  // the first showing realises it at its size
  }
  visible_ = true;
  // The show handler runs before the window appears; an error in it is reported and the window still shows.
  Fire(OnShow);
  if (!visible_ || !Alive()) return;  // the handler closed it
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
  if (!focused_) {
    MoveFocus(nullptr, false);
  } else if (IsWindowVisible(focused_->Handle())) {
    ::SetFocus(focused_->Handle());
  }
}

void Win32Window::ShowModal() {
  if (visible_ || !handle_) return;
  HWND owner = GetWindow(handle_, GW_OWNER);
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  modal_ = true;
  Show();
  MSG message;
  while (visible_ && Alive()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop ends too
      break;
    }
    system_.Dispatch(message);
  }
  modal_ = false;
  if (ownerWasEnabled) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

void Win32Window::Close() {
  if (!visible_ || !handle_) return;
  // Through the window's own close, so that closing the main window ends the program as the user's close does.
  SendMessageW(handle_, WM_CLOSE, 0, 0);
}

void Win32Window::Closing() {
  if (closing_ || !visible_) return;
  if (!MayClose(system_, OnCloseQuery)) return;
  closing_ = true;
  Fire(OnClose);
  closing_ = false;
  visible_ = false;
  if (modal_) {
    // The owner is enabled again before this window hides, so that it becomes the active window.
    if (HWND owner = GetWindow(handle_, GW_OWNER)) EnableWindow(owner, TRUE);
  }
  ShowWindow(handle_, SW_HIDE);
  if (system_.IsMainWindow(handle_)) PostQuitMessage(0);
}

std::string Win32Window::Caption() const {
  const int length = GetWindowTextLengthW(handle_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(handle_, text.data(), length + 1)));
  return Cp936FromWide(text);
}

void Win32Window::SetCaption(const std::string& caption) { SetWindowTextW(handle_, WideFromCp936(caption).c_str()); }

// In the table's pixels (96 DPI), as the program lays out.
int Win32Window::ClientWidth() const {
  RECT area{};
  GetClientRect(handle_, &area);
  return MulDiv(area.right, 96, static_cast<int>(dpi_));
}

int Win32Window::ClientHeight() const {
  RECT area{};
  GetClientRect(handle_, &area);
  return MulDiv(area.bottom, 96, static_cast<int>(dpi_));
}

void Win32Window::ChangeDpi(UINT dpi, const RECT& suggested) {
  if (dpi == 0 || dpi == dpi_) return;
  // The fonts in use go once every control has its new one.
  std::map<std::string, HFONT> old;
  old.swap(fontByLook_);
  dpi_ = dpi;
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(entry_.font)), FALSE);
  for (const auto& control : controls_) control->Rescale();
  SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitPanels();
  InvalidateRect(handle_, nullptr, TRUE);
  for (auto& [look, font] : old) DeleteObject(font);
}

}  // namespace titrelle
