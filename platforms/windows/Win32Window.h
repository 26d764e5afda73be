#pragma once
// A window built from a WindowTable with the Win32 API: a top-level window holding the table's controls, each
// a child window whose control identifier is 1000 + its place in the table.

#include "platforms/windows/Win32Api.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platforms/windows/Win32Controls.h"
#include "ui/Window.h"
#include "ui/WindowTable.h"

namespace titrelle {

class Win32SubtitleTable;
class Win32WorkbenchBar;
class Win32WindowSystem;

class Win32Window : public Window {
 public:
  static constexpr int kFirstControlId = 1000;
  static constexpr wchar_t kWindowClass[] = L"TitrelleWindow";
  static constexpr wchar_t kPanelClass[] = L"TitrellePanel";
  // The workbench's own children, beside the table's controls.
  static constexpr int kTableId = 900;
  static constexpr int kUndoId = 901;
  static constexpr int kRedoId = 902;
  static constexpr int kKeyHelpId = 903;
  static void RegisterClasses(HINSTANCE instance);

  Win32Window(Win32WindowSystem& system, const WindowTable& entry, HWND owner);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Control& Find(const std::string& name) override { return ControlNamed(name); }
  UserViewControl& FindUserView(const std::string& name) override;
  void Show() override;
  void ShowModal() override;
  void Close() override;
  bool Visible() const override { return visible_; }
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  int ClientWidth() const override;
  int ClientHeight() const override;

  Win32WindowSystem& System() { return system_; }
  HWND Handle() const { return handle_; }
  bool Alive() const { return handle_ != nullptr && !destroying_; }
  Win32Control& ControlNamed(const std::string& name);
  HFONT FontFor(const FontLook& look);
  // The table's pixels are at 96 DPI: on the window's monitor they are this many.
  int Scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
  void SetFocusedControl(Win32Control* control) { focused_ = control; }
  Win32Control* FocusedControl() const { return focused_; }
  // Tab and Shift+Tab: the next control that takes the focus, in the table's tab order.
  void MoveFocus(HWND from, bool backwards);
  // Alt+letter: clicks the button whose caption marks the letter; false when none does.
  bool Mnemonic(wchar_t letter);
  // A key down in the player's own windows, or in the window itself while no control has the focus: the
  // panel holding the player hears it, as the video panel's key. True when the program kept the key.
  bool PlayerKey(const MSG& message);

  // The workbench grows to the right of the table's controls, which keep their places: the window becomes
  // resizable, never smaller than their area, and opens wider. Once; the table and the bar go in it.
  void OpenWorkbench();
  void SetSubtitleTable(std::unique_ptr<Win32SubtitleTable> table);
  void SetWorkbenchBar(Win32WorkbenchBar* bar);

  // WM_COMMAND and WM_CTLCOLOR* of a child, from the window or a panel; false when not the program's.
  bool RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT Proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Fire(const std::function<void()>& handler);
  void Closing();
  void FitPanels();
  void LayOutWorkbench();
  // The area of the table's controls, in the window's pixels.
  SIZE TableArea() const;
  void SetUpTabOrder();
  // The window moved to a monitor of another DPI (WM_DPICHANGED): its controls and fonts follow.
  void ChangeDpi(UINT dpi, const RECT& suggested);

  Win32WindowSystem& system_;
  WindowTable entry_;
  HWND handle_ = nullptr;
  HWND toolTip_ = nullptr;
  std::vector<std::unique_ptr<Win32Control>> controls_;
  std::map<std::string, Win32Control*> byName_;
  std::map<HWND, Win32Control*> byHandle_;
  std::vector<Win32Control*> fillParent_;
  std::vector<HWND> tabChain_;
  std::map<std::string, HFONT> fontByLook_;
  UINT dpi_ = 96;
  bool workbench_ = false;
  std::unique_ptr<Win32SubtitleTable> table_;
  Win32WorkbenchBar* bar_ = nullptr;
  Win32Control* focused_ = nullptr;
  bool visible_ = false;
  bool realised_ = false;
  bool closing_ = false;
  bool destroying_ = false;
  bool modal_ = false;
};

}  // namespace titrelle
