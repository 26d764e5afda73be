#include "platforms/windows/Win32Controls.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cwctype>

#include "platforms/windows/WinText.h"
#include "platforms/windows/Win32Window.h"
#include "platforms/windows/Win32WindowSystem.h"
#include "base/Error.h"
#include "base/ProgramChange.h"
#include "ui/ErrorReport.h"
#include "ui/TypedText.h"

namespace titrelle {

namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK SubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
  return reinterpret_cast<Win32Control*>(data)->Subclassed(handle, message, wParam, lParam);
}

// Bit 30 of a key down's data: the key was already down, the system repeats it.
bool IsRepeat(LPARAM keyData) { return (static_cast<unsigned long long>(keyData) & (1ULL << 30)) != 0; }

unsigned CurrentModifiers() {
  unsigned shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= modifier::Shift;
  if (GetKeyState(VK_MENU) < 0) shift |= modifier::Alt;
  if (GetKeyState(VK_CONTROL) < 0) shift |= modifier::Ctrl;
  return shift;
}

COLORREF ColorOf(unsigned color) {
  if (color == kColorButtonFace || color == kColorDefault) return GetSysColor(COLOR_BTNFACE);
  return static_cast<COLORREF>(color);
}

std::wstring WindowText(HWND handle) {
  const int length = GetWindowTextLengthW(handle);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(handle, text.data(), length + 1)));
  return text;
}

// The core's line breaks are CR LF; a rich edit keeps one CR a break.
std::wstring RichTextFromCp936(std::string_view text) {
  std::wstring wide = WideFromCp936(text);
  std::wstring kept;
  kept.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') continue;
    kept += wide[i] == L'\n' ? L'\r' : wide[i];
  }
  return kept;
}

struct CreateParameters {
  const wchar_t* className;
  DWORD style;
  DWORD extendedStyle;
};

CreateParameters ParametersFor(const ControlEntry& entry) {
  const DWORD border = entry.border ? WS_EX_CLIENTEDGE : 0;
  switch (entry.kind) {
    case ControlKind::Panel:
    case ControlKind::MediaPanel:
      return {Win32Window::kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Label:
      // One line, never broken: a caption wider than its label (trailing spaces and all) is cut at its end.
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::Button:
      return {L"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::CheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case ControlKind::Edit:
      return {L"EDIT", ES_AUTOHSCROLL | (entry.readOnly ? ES_READONLY : 0u), border};
    case ControlKind::Memo: {
      DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | (entry.readOnly ? ES_READONLY : 0u);
      if (!entry.wordWrap) style |= ES_AUTOHSCROLL;
      if (entry.scrollBars) style |= WS_VSCROLL | WS_HSCROLL;
      return {L"EDIT", style, border};
    }
    case ControlKind::UserView: {
      DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_SAVESEL;
      if (!entry.wordWrap) style |= ES_AUTOHSCROLL;
      if (entry.scrollBars) style |= WS_VSCROLL | WS_HSCROLL | ES_DISABLENOSCROLL;
      return {MSFTEDIT_CLASS, style, border};
    }
    case ControlKind::ComboBox:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0};
  }
  return {L"STATIC", 0, 0};
}

bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::Button || kind == ControlKind::CheckBox || kind == ControlKind::Edit ||
         kind == ControlKind::Memo || kind == ControlKind::UserView || kind == ControlKind::ComboBox;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Win32Control

Win32Control::Win32Control(Win32Window& window, const ControlEntry& entry, Win32Control* parent, int id)
    : window_(window), entry_(entry), parent_(parent), enabled_(entry.enabled), visible_(entry.visible) {
  const CreateParameters parameters = ParametersFor(entry);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | parameters.style;
  if (visible_) style |= WS_VISIBLE;
  if (!enabled_) style |= WS_DISABLED;
  if (TakesFocus(entry.kind) && entry.tabOrder >= 0 && entry.tabStop) style |= WS_TABSTOP;
  // A drop-down list's height is that of its list when open.
  const int height = entry.kind == ControlKind::ComboBox ? entry.height + 240 : entry.height;
  HWND parentHandle = parent ? parent->Handle() : window.Handle();
  handle_ = CreateWindowExW(parameters.extendedStyle, parameters.className, L"", style, window.Scaled(entry.left),
                            window.Scaled(entry.top), window.Scaled(entry.width), window.Scaled(height),
                            parentHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
  if (!handle_) throw Error("Cannot create control '" + entry.name + "'. " + SystemMessage(GetLastError()));
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window.FontFor(entry.font)), FALSE);

  unsigned background = entry.background;
  if (entry.kind == ControlKind::MediaPanel) background = kColorBlack;
  if (background == kColorDefault && (entry.kind == ControlKind::Panel || entry.kind == ControlKind::Label))
    background = parent && parent->background_ ? parent->backgroundColor_ : kColorButtonFace;
  if (background != kColorDefault) {
    backgroundColor_ = ColorOf(background);
    background_ = CreateSolidBrush(backgroundColor_);
  }

  if (entry.kind == ControlKind::Panel || entry.kind == ControlKind::MediaPanel) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (TakesFocus(entry.kind)) SetWindowSubclass(handle_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  if (entry.kind == ControlKind::CheckBox && entry.checked) SendMessageW(handle_, BM_SETCHECK, BST_CHECKED, 0);
  // Edit boxes take any length of text, as the program's listings do.
  if (entry.kind == ControlKind::Edit || entry.kind == ControlKind::Memo) SendMessageW(handle_, EM_SETLIMITTEXT, 0, 0);
  // The table's text is where the control starts, no change to tell.
  if (entry.kind != ControlKind::UserView) {
    ProgramChange setting(settingText_);
    SetText(entry.text);
  }
}

Win32Control::~Win32Control() {
  if (handle_ && IsWindow(handle_)) {
    RemoveWindowSubclass(handle_, SubclassProc, kSubclassId);
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  }
  if (background_) DeleteObject(background_);
}

// The window may be gone while a message for one of its controls is still on its way.
void Win32Control::Fire(const std::function<void()>& handler) {
  if (window_.Alive()) FireEvent(window_.System(), handler);
}

bool Win32Control::FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key) {
  if (window_.Alive()) titrelle::FireKey(window_.System(), handler, key);
  return !key.swallowed;
}

bool Win32Control::HandKeyDown(WPARAM virtualKey, LPARAM keyData) {
  KeyEvent down{static_cast<int>(virtualKey), CurrentModifiers(), false, IsRepeat(keyData)};
  return !FireKey(OnKeyDown, down);
}

void Win32Control::FirePress(KeyPressEvent& press) {
  if (window_.Alive()) titrelle::FirePress(window_.System(), OnKeyPress, press);
}

std::string Win32Control::Text() const {
  switch (entry_.kind) {
    case ControlKind::Panel:
      return Cp936FromWide(caption_);
    case ControlKind::ComboBox: {
      const LRESULT index = SendMessageW(handle_, CB_GETCURSEL, 0, 0);
      return index == CB_ERR ? std::string() : Item(static_cast<int>(index));
    }
    case ControlKind::MediaPanel:
      return {};
    default:
      return Cp936FromWide(WindowText(handle_));
  }
}

void Win32Control::SetText(const std::string& text) {
  const std::wstring wide = WideFromCp936(text);
  switch (entry_.kind) {
    case ControlKind::Panel:
      caption_ = wide;
      SetWindowTextW(handle_, wide.c_str());  // readable from outside too
      InvalidateRect(handle_, nullptr, TRUE);
      break;
    case ControlKind::Label:
      // A static control repaints whenever its text is set, changed or not.
      if (WindowText(handle_) == wide) break;
      SetWindowTextW(handle_, wide.c_str());
      if (entry_.width == 0) FitLabel();  // labels size themselves to their caption
      break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
      SetWindowTextW(handle_, wide.c_str());
      break;
    case ControlKind::Edit: {
      // One line: a break in the text becomes a space, as typing cannot make one either.
      std::wstring line = wide;
      for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n') c = L' ';
      }
      if (line == WindowText(handle_)) return;
      SetWindowTextW(handle_, line.c_str());  // tells the change
      const auto length = static_cast<WPARAM>(line.size());
      SendMessageW(handle_, EM_SETSEL, length, static_cast<LPARAM>(length));  // typing goes on at the end
      break;
    }
    case ControlKind::Memo:
      if (wide == WindowText(handle_)) return;
      SetWindowTextW(handle_, wide.c_str());
      if (entry_.wordWrap) FitMemoFont();
      break;
    case ControlKind::ComboBox: {
      int found = -1;
      for (int i = 0; i < ItemCount(); ++i) {
        if (Item(i) == text) {
          found = i;
          break;
        }
      }
      SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
      break;
    }
    case ControlKind::UserView:
    case ControlKind::MediaPanel:
      break;
  }
}

void Win32Control::Rescale() {
  const int height = entry_.kind == ControlKind::ComboBox ? entry_.height + 240 : entry_.height;
  SetWindowPos(handle_, nullptr, window_.Scaled(entry_.left), window_.Scaled(entry_.top),
               window_.Scaled(entry_.width), window_.Scaled(height), SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window_.FontFor(entry_.font)), TRUE);
  if (entry_.kind == ControlKind::Label && entry_.width == 0) FitLabel();
  if (entry_.kind == ControlKind::Memo && entry_.wordWrap) FitMemoFont();
}

void Win32Control::FitLabel() {
  HDC dc = GetDC(handle_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(handle_, WM_GETFONT, 0, 0)));
  const std::wstring text = WindowText(handle_);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &bounds, DT_CALCRECT | DT_NOPREFIX | DT_LEFT);
  SelectObject(dc, old);
  ReleaseDC(handle_, dc);
  SetWindowPos(handle_, nullptr, 0, 0, text.empty() ? 0 : bounds.right, bounds.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Control::FitMemoFont() {
  // The instructions are broken into lines for narrower Chinese glyphs than some systems have; where the face
  // is wider, the font shrinks until every line fits rather than breaking lines in the middle.
  constexpr int kSmallestFittedPixels = 9;
  constexpr int kMargins = 8;
  const std::wstring text = WindowText(handle_);
  RECT area{};
  GetClientRect(handle_, &area);
  const int available = area.right - window_.Scaled(kMargins);
  FontLook look = entry_.font;
  HDC dc = GetDC(handle_);
  HFONT font = window_.FontFor(look);
  for (;;) {
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(L"\r\n", start);
      if (end == std::wstring::npos) end = text.size();
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str() + start, static_cast<int>(end - start), &size);
      widest = std::max(widest, static_cast<int>(size.cx));
      start = end + 2;
    }
    SelectObject(dc, old);
    if (widest <= available || look.heightPixels <= kSmallestFittedPixels) break;
    --look.heightPixels;
    font = window_.FontFor(look);
  }
  ReleaseDC(handle_, dc);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  EnableWindow(handle_, enabled);
}

void Win32Control::SetVisible(bool visible) {
  visible_ = visible;
  ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Control::SetFocus() {
  for (const Win32Control* control = this; control; control = control->parent_) {
    if (!control->visible_ || !control->enabled_) throw Error("Cannot focus a disabled or invisible window");
  }
  window_.SetFocusedControl(this);
  // The focus moves now when the window is the active one, and when it is next shown or activated otherwise.
  if (GetActiveWindow() == window_.Handle()) ::SetFocus(handle_);
}

bool Win32Control::Focused() const { return window_.FocusedControl() == this; }

bool Win32Control::Checked() const {
  return entry_.kind == ControlKind::CheckBox && SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Control::SetChecked(bool checked) {
  if (entry_.kind != ControlKind::CheckBox || Checked() == checked) return;
  SendMessageW(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  // A check box tells every change of its tick as a click, whoever made it.
  Fire(OnClick);
}

void Win32Control::SetColor(unsigned colorRef) {
  if (entry_.kind != ControlKind::Panel) return;
  if (background_) DeleteObject(background_);
  backgroundColor_ = ColorOf(colorRef);
  background_ = CreateSolidBrush(backgroundColor_);
  InvalidateRect(handle_, nullptr, TRUE);
}

void Win32Control::ClearItems() {
  if (entry_.kind == ControlKind::ComboBox) SendMessageW(handle_, CB_RESETCONTENT, 0, 0);
}

void Win32Control::AddItem(const std::string& item) {
  if (entry_.kind != ControlKind::ComboBox) return;
  // Added at the end (the list is not sorted); the shown entry stays as it was.
  SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromCp936(item).c_str()));
}

int Win32Control::ItemCount() const {
  if (entry_.kind != ControlKind::ComboBox) return 0;
  return static_cast<int>(SendMessageW(handle_, CB_GETCOUNT, 0, 0));
}

std::string Win32Control::Item(int index) const {
  if (index < 0 || index >= ItemCount()) throw Error("List index out of bounds (" + std::to_string(index) + ")");
  const LRESULT length = SendMessageW(handle_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  SendMessageW(handle_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  return Cp936FromWide(text);
}

bool Win32Control::HasMnemonic(wchar_t letter) const {
  if (entry_.kind != ControlKind::Button || !visible_ || !enabled_) return false;
  const std::wstring text = WindowText(handle_);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == L'&' && text[i + 1] != L'&')
      return std::towupper(text[i + 1]) == std::towupper(letter);
  }
  return false;
}

void Win32Control::Notified(int code) {
  switch (entry_.kind) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) Fire(OnClick);
      break;
    case ControlKind::Edit:
    case ControlKind::Memo:
      if (code == EN_CHANGE && !settingText_) Fire(OnChange);
      break;
    case ControlKind::ComboBox:
      // Only the user's picks are changes of a drop-down list.
      if (code == CBN_SELCHANGE) Fire(OnChange);
      break;
    default:
      break;
  }
}

HBRUSH Win32Control::Colors(HDC dc) {
  SetTextColor(dc, static_cast<COLORREF>(entry_.font.color == kColorDefault ? 0 : entry_.font.color));
  if (entry_.kind == ControlKind::Label || entry_.kind == ControlKind::CheckBox) {
    SetBkMode(dc, TRANSPARENT);
    if (background_) return background_;
    if (parent_ && parent_->background_) return parent_->background_;
    return GetSysColorBrush(COLOR_BTNFACE);
  }
  if (!background_) return nullptr;
  SetBkColor(dc, backgroundColor_);
  return background_;
}

LRESULT Win32Control::CallOriginal(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(handle, message, wParam, lParam);
}

LRESULT Win32Control::TypedCharacter(HWND handle, WPARAM wParam, LPARAM lParam) {
  const wchar_t typed = static_cast<wchar_t>(wParam);
  if (typed == L'\t') return 0;  // Tab moved the focus on its key down
  // A character code page 936 cannot hold is refused here (each half of a surrogate pair comes alone).
  const std::string bytes =
      TakeTypedText(Utf8FromWide(std::wstring_view(&typed, 1)), [this] { Fire(OnCharactersRefused); });
  if (bytes.empty()) return 0;
  // An edit box holds one line.
  const bool oneLine = entry_.kind == ControlKind::Edit;
  if (!OnKeyPress) {
    if (oneLine && (typed == L'\r' || typed == L'\n')) return 0;
    return CallOriginal(handle, WM_CHAR, wParam, lParam);
  }
  const auto byte = bytes.size() == 1 ? static_cast<unsigned char>(bytes[0]) : 0;
  // Typed single-byte characters, Backspace and Enter among them; other control characters (Ctrl+V and its
  // like) are commands, not typing.
  const bool typedByte = (byte >= 0x20 && byte != 0x7F) || byte == vk::Back || byte == vk::Return;
  std::wstring kept;
  if (bytes.size() > 1) {
    kept = WideFromCp936(FilterTypedText(bytes, [this](KeyPressEvent& press) { FirePress(press); }));
  } else if (typedByte) {
    KeyPressEvent press{bytes[0]};
    FirePress(press);
    if (press.character != 0) kept = WideFromCp936(std::string(1, press.character));
  } else {
    kept.assign(1, typed);
  }
  LRESULT result = 0;
  for (wchar_t character : kept) {
    if (oneLine && (character == L'\r' || character == L'\n')) continue;
    result = CallOriginal(handle, WM_CHAR, character, lParam);
  }
  return result;
}

bool Win32Control::PasteRefusing(HWND handle) {
  if (GetWindowLongW(handle, GWL_STYLE) & ES_READONLY) return false;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(handle)) return false;
  std::wstring clipboard;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
      clipboard = text;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  bool refused = false;
  const std::string taken = TakeTypedText(Utf8FromWide(clipboard), [&] {
    refused = true;
    Fire(OnCharactersRefused);
  });
  if (!refused || !IsWindow(handle)) return false;
  std::wstring kept = WideFromCp936(taken);
  // An edit box takes a paste up to its first line break.
  if (entry_.kind == ControlKind::Edit) kept = kept.substr(0, kept.find_first_of(L"\r\n"));
  SendMessageW(handle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
  return true;
}

LRESULT Win32Control::Subclassed(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      window_.SetFocusedControl(this);
      break;
    case WM_KEYDOWN: {
      suppressCharacter_ = false;
      if (wParam == VK_TAB && !(GetKeyState(VK_CONTROL) < 0)) {
        window_.MoveFocus(handle, GetKeyState(VK_SHIFT) < 0);
        return 0;
      }
      KeyEvent down{static_cast<int>(wParam), CurrentModifiers(), false, IsRepeat(lParam)};
      if (!FireKey(OnKeyDown, down)) {
        suppressCharacter_ = true;
        return 0;
      }
      if (!IsWindow(handle)) return 0;
      // A rich edit pastes on the key itself, without a WM_PASTE.
      const bool pasteKey = (wParam == 'V' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) ||
                            (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0);
      if (entry_.kind == ControlKind::UserView && pasteKey && PasteRefusing(handle)) {
        suppressCharacter_ = true;
        return 0;
      }
      if (entry_.kind == ControlKind::Button && wParam == VK_RETURN) {
        // Enter presses a focused button, as on the desktop.
        suppressCharacter_ = true;
        Fire(OnClick);
        return 0;
      }
      BeforeControlKey();
      const LRESULT result = CallOriginal(handle, message, wParam, lParam);
      AfterControlKey();
      return result;
    }
    case WM_SYSKEYDOWN: {
      // Keys held with Alt (Alt+Left) come this way: the program's keys are the program's; the rest go on to
      // the system (the menu, Alt+letter).
      KeyEvent down{static_cast<int>(wParam), CurrentModifiers(), false, IsRepeat(lParam)};
      if (!FireKey(OnKeyDown, down)) return 0;
      if (!IsWindow(handle)) return 0;
      break;
    }
    case WM_CHAR: {
      if (suppressCharacter_) return 0;
      BeforeControlKey();
      const LRESULT result = TypedCharacter(handle, wParam, lParam);
      AfterControlKey();
      return result;
    }
    case WM_KEYUP: {
      const LRESULT result = CallOriginal(handle, message, wParam, lParam);
      KeyEvent up{static_cast<int>(wParam), CurrentModifiers(), false};
      FireKey(OnKeyUp, up);
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      // The control moves its caret before the program hears of the click.
      const LRESULT result = CallOriginal(handle, message, wParam, lParam);
      Mouse(message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN);
      return result;
    }
    case WM_PASTE:
      if (PasteRefusing(handle)) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(handle, SubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return CallOriginal(handle, message, wParam, lParam);
}

LRESULT Win32Control::PanelMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(handle, &area);
      FillRect(reinterpret_cast<HDC>(wParam), &area, background_ ? background_ : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(handle, &paint);
      RECT area;
      GetClientRect(handle, &area);
      if (entry_.border && entry_.kind == ControlKind::Panel) DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
      if (!caption_.empty()) {
        HGDIOBJ old = SelectObject(dc, window_.FontFor(entry_.font));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(entry_.font.color));
        DrawTextW(dc, caption_.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
      }
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT area;
      GetClientRect(handle, &area);
      if (PtInRect(&area, at)) Fire(OnClick);
      return 0;
    }
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
      LRESULT result = 0;
      if (window_.RouteChildMessage(message, wParam, lParam, result)) return result;
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------------------
// Win32UserView

Win32UserView::Win32UserView(Win32Window& window, const ControlEntry& entry, Win32Control* parent, int id)
    : Win32Control(window, entry, parent, id) {
  ProgramChange setting(programEdit_);
  SendMessageW(handle_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
  SendMessageW(handle_, EM_SETTARGETDEVICE, 0, entry.wordWrap ? 0 : 1);  // 1: no word wrap
  SendMessageW(handle_, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window.FontFor(entry.font)), FALSE);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.crTextColor = static_cast<COLORREF>(entry.font.color);
  SendMessageW(handle_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  if (entry.background != kColorDefault)
    SendMessageW(handle_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorOf(entry.background)));
  SetWindowTextW(handle_, RichTextFromCp936(entry.text).c_str());
  SendMessageW(handle_, EM_SETEVENTMASK, 0, ENM_CHANGE);
  setting.End();
  SetReadOnly(entry.readOnly);
}

void Win32UserView::Notified(int code) {
  if (code != EN_CHANGE || programEdit_) return;
  if (keyDepth_ > 0) {
    changedDuringKey_ = true;  // told once, after the control has acted on the whole key
    return;
  }
  Fire(OnChange);
}

void Win32UserView::AfterControlKey() {
  if (--keyDepth_ == 0 && changedDuringKey_) {
    changedDuringKey_ = false;
    Fire(OnChange);
  }
}

template <class Edit>
void Win32UserView::ProgramEdit(Edit edit) {
  {
    ProgramChange editing(programEdit_);
    edit();
  }
  Fire(OnChange);
}

std::string Win32UserView::Text() const {
  GETTEXTLENGTHEX lengthRequest{GTL_USECRLF | GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT length = SendMessageW(handle_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthRequest), 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  GETTEXTEX request{};
  request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  request.flags = GT_USECRLF;
  request.codepage = 1200;
  const LRESULT got = SendMessageW(handle_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  // Every break as CR LF, however the control hands them out.
  std::wstring crlf;
  crlf.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      crlf += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (text[i] == L'\n') {
      crlf += L"\r\n";
    } else {
      crlf += text[i];
    }
  }
  return Cp936FromWide(crlf);
}

int Win32UserView::BreakCount() const {
  return static_cast<int>(SendMessageW(handle_, EM_GETLINECOUNT, 0, 0)) - 1;
}

int Win32UserView::Count() const {
  const int lines = BreakCount() + 1;
  return WideLine(lines - 1).empty() ? lines - 1 : lines;
}

std::wstring Win32UserView::WideLine(int index) const {
  const LRESULT start = SendMessageW(handle_, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return {};
  const LRESULT length = SendMessageW(handle_, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  if (length <= 0) return {};
  std::wstring line(static_cast<std::size_t>(length) + 2, L'\0');
  *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(line.size());
  const LRESULT got = SendMessageW(handle_, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
  line.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
  return line;
}

std::string Win32UserView::Line(int index) const {
  if (index < 0 || index >= Count()) return {};  // as a rich edit answers past the end
  return Cp936FromWide(WideLine(index));
}

std::string_view Win32UserView::LineView(int index) const {
  lineRead_ = Line(index);
  return lineRead_;
}

int Win32UserView::CaretLine() const {
  CHARRANGE selection{};
  SendMessageW(handle_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  return static_cast<int>(SendMessageW(handle_, EM_EXLINEFROMCHAR, 0, selection.cpMin));
}

int Win32UserView::CaretColumn() const {
  CHARRANGE selection{};
  SendMessageW(handle_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const LRESULT line = SendMessageW(handle_, EM_EXLINEFROMCHAR, 0, selection.cpMin);
  const LRESULT start = SendMessageW(handle_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  const std::wstring text = WideLine(static_cast<int>(line));
  const auto characters = static_cast<std::size_t>(std::max<LRESULT>(selection.cpMin - start, 0));
  return static_cast<int>(Cp936FromWide(std::wstring_view(text).substr(0, std::min(characters, text.size()))).size());
}

int Win32UserView::SelectionEndLine() const {
  CHARRANGE selection{};
  SendMessageW(handle_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  return static_cast<int>(SendMessageW(handle_, EM_EXLINEFROMCHAR, 0, selection.cpMax));
}

bool Win32UserView::SelectionEmpty() const {
  CHARRANGE selection{};
  SendMessageW(handle_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  return selection.cpMin == selection.cpMax;
}

void Win32UserView::CaretToEnd() {
  CHARRANGE end{-1, -1};
  SendMessageW(handle_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
}

void Win32UserView::CaretToLine(int line) {
  const LRESULT start = SendMessageW(handle_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (start < 0) return;
  CHARRANGE caret{static_cast<LONG>(start), static_cast<LONG>(start)};
  SendMessageW(handle_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  SendMessageW(handle_, EM_SCROLLCARET, 0, 0);
}

void Win32UserView::Add(const std::string& line) {
  ProgramEdit([&] {
    // As a rich edit appends: after a final break (or into an empty text) the line and a break, else a break
    // and the line; the caret stays after the inserted text.
    const int lines = BreakCount() + 1;
    const bool endsWithBreak = WideLine(lines - 1).empty();
    const std::wstring text = RichTextFromCp936(line);
    const std::wstring inserted = endsWithBreak ? text + L'\r' : L'\r' + text;
    CaretToEnd();
    SendMessageW(handle_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(inserted.c_str()));
  });
}

void Win32UserView::Clear() {
  ProgramEdit([&] { SetWindowTextW(handle_, L""); });
}

void Win32UserView::SetListingText(const std::string& text) {
  ProgramEdit([&] { SetWindowTextW(handle_, RichTextFromCp936(text).c_str()); });
}

void Win32UserView::ReplaceLines(int first, int count, const std::string& text) {
  ProgramEdit([&] {
    const LRESULT from = SendMessageW(handle_, EM_LINEINDEX, static_cast<WPARAM>(first), 0);
    const LRESULT last = SendMessageW(handle_, EM_LINEINDEX, static_cast<WPARAM>(first + count - 1), 0);
    if (from < 0 || last < 0) return;
    const LRESULT lastLength = SendMessageW(handle_, EM_LINELENGTH, static_cast<WPARAM>(last), 0);
    CHARRANGE lines{static_cast<LONG>(from), static_cast<LONG>(last + lastLength)};
    SendMessageW(handle_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&lines));
    // The document's history takes it back, not the control's.
    const std::wstring replaced = RichTextFromCp936(text);
    SendMessageW(handle_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(replaced.c_str()));
    SendMessageW(handle_, EM_EMPTYUNDOBUFFER, 0, 0);
    CHARRANGE caret{static_cast<LONG>(from), static_cast<LONG>(from)};
    SendMessageW(handle_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  });
}

bool Win32UserView::ReadOnly() const { return (GetWindowLongW(handle_, GWL_STYLE) & ES_READONLY) != 0; }

void Win32UserView::SetReadOnly(bool readOnly) {
  // Read-only refuses edits; the caret still moves by keys and clicks.
  SendMessageW(handle_, EM_SETREADONLY, readOnly, 0);
}

}  // namespace titrelle
