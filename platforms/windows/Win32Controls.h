#pragma once
// The controls of a window built with the Win32 API. Each control keeps its own Enabled and Visible flags, as a
// desktop control does: a control inside a hidden panel is still Visible, only not showing.
//
// Keys reach the program through the control's subclass: key down before the control acts (a handler may
// swallow the key, and the character the key would type goes with it), the key press for a typed character
// (a double-byte character as its two bytes, so that a filter never lets half of one through), the control's
// own action and its change notification, key up after it.

#include "platforms/windows/Win32Api.h"

#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/EventRules.h"
#include "ui/WindowTable.h"

namespace titrelle {

class Win32Window;

class Win32Control : public virtual Control {
 public:
  Win32Control(Win32Window& window, const ControlEntry& entry, Win32Control* parent, int id);
  ~Win32Control() override;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  void SetFocus() override;
  bool Focused() const override;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  void SetColor(unsigned colorRef) override;
  void ClearItems() override;
  void AddItem(const std::string& item) override;
  int ItemCount() const override;
  std::string Item(int index) const override;

  const ControlEntry& Layout() const { return entry_; }
  Win32Control* Parent() const { return parent_; }
  HWND Handle() const { return handle_; }

  // From the window procedures.
  virtual void Notified(int code);  // WM_COMMAND's notification code
  // WM_CTLCOLOR*: the brush to paint with, or nullptr for the system's.
  HBRUSH Colors(HDC dc);
  HBRUSH BackgroundBrush() const { return background_; }
  void Click() { Fire(OnClick); }
  LRESULT Subclassed(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT PanelMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  // Placed and lettered again at the window's DPI (after it changed).
  void Rescale();
  // Alt+letter: whether the caption marks this letter with "&".
  bool HasMnemonic(wchar_t letter) const;
  // A key down (WM_KEYDOWN or WM_SYSKEYDOWN, with its key data) that reached a window of no control of the
  // program's own (the player's): this control's key handler hears it. True when the handler kept the key.
  bool HandKeyDown(WPARAM virtualKey, LPARAM keyData);

 protected:
  void Fire(const std::function<void()>& handler);
  bool FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key);
  void FirePress(KeyPressEvent& press);
  LRESULT CallOriginal(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT TypedCharacter(HWND handle, WPARAM wParam, LPARAM lParam);
  // A paste whose clipboard holds characters code page 936 cannot hold: the rest is pasted here, and true.
  bool PasteRefusing(HWND handle);
  virtual void BeforeControlKey() {}
  virtual void AfterControlKey() {}
  virtual void Mouse(bool /*down*/) {}
  void FitLabel();
  void FitMemoFont();

  Win32Window& window_;
  ControlEntry entry_;
  Win32Control* parent_;
  HWND handle_ = nullptr;
  HBRUSH background_ = nullptr;
  COLORREF backgroundColor_ = 0;
  bool enabled_;
  bool visible_;
  bool suppressCharacter_ = false;  // the key down that would type it was swallowed
  bool settingText_ = false;
  std::wstring caption_;  // a panel's
};

// The user view: a rich edit control (RICHEDIT50W) in plain-text mode without word wrap, seen line by line;
// columns in code page 936 bytes. Positions are the control's own (one character per line break), so the
// text's CR LF never enters the counting.
class Win32UserView : public Win32Control, public UserViewControl {
 public:
  Win32UserView(Win32Window& window, const ControlEntry& entry, Win32Control* parent, int id);

  std::string Text() const override;
  void SetText(const std::string& text) override { SetListingText(text); }

  int Count() const override;
  int BreakCount() const override;
  std::string Line(int index) const override;
  std::string_view LineView(int index) const override;
  int CaretLine() const override;
  int CaretColumn() const override;
  int SelectionEndLine() const override;
  bool SelectionEmpty() const override;
  void CaretToEnd() override;
  void CaretToLine(int line) override;
  void Add(const std::string& line) override;
  void Clear() override;
  void SetListingText(const std::string& text) override;
  void ReplaceLines(int first, int count, const std::string& text) override;
  bool ReadOnly() const override;
  void SetReadOnly(bool readOnly) override;

  void Notified(int code) override;

 protected:
  void BeforeControlKey() override { ++keyDepth_; }
  void AfterControlKey() override;
  void Mouse(bool down) override { Fire(down ? OnMouseDown : OnMouseUp); }

 private:
  std::wstring WideLine(int index) const;
  // The control keeps wide text: the last line read in code page 936, for LineView.
  mutable std::string lineRead_;
  template <class Edit>
  void ProgramEdit(Edit edit);

  bool programEdit_ = false;
  int keyDepth_ = 0;
  bool changedDuringKey_ = false;
};

}  // namespace titrelle
