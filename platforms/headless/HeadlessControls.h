#pragma once
// In-memory controls and windows of the headless shell. They behave as the real controls do in everything the
// program relies on, and give tests the user's side: click, type, press keys, click into the user view.
//
// Keys. A key goes through the control as on a desktop: key down (a handler may swallow it: then the control
// does not act on it), for a typed single-byte character the key press (a handler may discard it), the
// control's own action and its change event, then key up (always: the user lets go of the key). Double-byte
// characters arrive as one input with no key press event, as from an input method.
//
// The user view applies every edit a real rich edit applies, including those that join or split lines:
// Backspace at the start of a line joins it to the line above, Delete at the end of a line joins the next
// one, Enter inserts a line break (a real rich edit inserts one for Ctrl+Enter even where plain Enter does
// not) and a paste may carry line breaks. Refusing such edits is the program's business (its key guard), not
// the control's. Read-only refuses every edit but still moves the caret and still fires the key events.
//
// Changes. Edit boxes, memos and the user view fire OnChange after every change of their text, programmatic
// ones included (setting the same text again is no change); a drop-down list fires it only for the user's
// pick (SelectItem), as a desktop list does; a check box fires OnClick whenever its state changes.
//
// Focus. As on the desktop, focusing a control that is hidden or disabled (itself or a parent) fails with
// "Cannot focus a disabled or invisible window".

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document/Listing.h"
#include "ui/Controls.h"
#include "ui/EventRules.h"
#include "ui/Window.h"
#include "ui/WindowTable.h"

namespace titrelle {

class HeadlessWindowSystem;
class HeadlessWindow;

// The virtual-key code of the key that types a single-byte character (letters and digits by their capital).
int VirtualKeyForCharacter(char character);

class HeadlessControl : public virtual Control {
 public:
  HeadlessControl(HeadlessWindow& window, const ControlEntry& entry);

  // Control
  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetFocus() override;
  bool Focused() const override;
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override;
  void SetColor(unsigned colorRef) override { color_ = colorRef; }
  void ClearItems() override { items_.clear(); }
  void AddItem(const std::string& item) override { items_.push_back(item); }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override;

  // What the table made of it.
  const ControlEntry& Layout() const { return entry_; }
  const std::string& Name() const { return entry_.name; }
  ControlKind Kind() const { return entry_.kind; }
  unsigned Color() const { return color_; }
  HeadlessControl* Parent() const { return parent_; }
  void SetParent(HeadlessControl* parent) { parent_ = parent; }
  // Shown on the screen: it and every parent visible.
  bool Showing() const;
  // Usable by the user: showing, and it and every parent enabled.
  bool Usable() const;

  // The user's side. Each returns false, doing nothing, where the user could not do it (a disabled or hidden
  // control).
  bool Click();                                // mouse click: buttons, panels, check boxes (the tick toggles)
  bool SelectItem(int index);                  // drop-down list: picks an item, fires OnChange
  bool PressKey(int key, unsigned shift = 0);  // one key, down and up
  bool Type(const std::string& text);          // every character of `text` typed in turn (code page 936)
  // What the desktop hands over in UTF-8, before the program converts it: an input method's commit, and
  // Ctrl+V with `clipboard` (key down, the insertion, change, key up; breaks become blanks in an edit box).
  bool CommitInputMethod(const std::string& utf8);
  bool Paste(const std::string& clipboard);

 protected:
  // The control's own action on a key that was not swallowed; true when its text changed.
  virtual bool ApplyKey(int key, unsigned shift);
  // The control's own action on a typed character or double-byte character; true when its text changed.
  virtual bool InsertTyped(const std::string& characters);
  // The control's own action on pasted text; true when its text changed.
  virtual bool InsertPasted(const std::string& text);
  bool TypeOne(const std::string& characters);
  // Typing through an input method: key down, the key press of each byte, the insertion, key up.
  void TypeInput(int key, const std::function<std::string()>& take);
  void FireChange();
  void Fire(const std::function<void()>& handler);
  // A key or key press whose handler fails is not acted on, as the failure ends its handling on a desktop.
  void FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key);
  void FirePress(KeyPressEvent& press);
  bool EditableByUser() const;

  HeadlessWindow& window_;
  ControlEntry entry_;
  HeadlessControl* parent_ = nullptr;
  std::string text_;
  std::size_t caret_ = 0;  // single-line edit boxes: byte offset of the caret
  bool enabled_;
  bool visible_;
  bool checked_;
  bool readOnly_;
  unsigned color_;
  std::vector<std::string> items_;
};

// The user view: a rich edit seen line by line. It keeps its text in a listing (CR LF breaks).
class HeadlessUserView : public HeadlessControl, public UserViewControl {
 public:
  HeadlessUserView(HeadlessWindow& window, const ControlEntry& entry);

  std::string Text() const override { return listing_.Text(); }
  void SetText(const std::string& text) override { SetListingText(text); }

  int Count() const override { return listing_.Count(); }
  int BreakCount() const override;
  // A line past the end reads empty, as a rich edit answers for the empty line after a final break.
  std::string Line(int index) const override;
  std::string_view LineView(int index) const override;
  int CaretLine() const override { return caretLine_; }
  int CaretColumn() const override { return caretColumn_; }
  int SelectionEndLine() const override { return LineOfOffset(CaretOffset() + selectionLength_); }
  bool SelectionEmpty() const override { return selectionLength_ == 0; }
  void CaretToEnd() override;
  void CaretToLine(int line) override;
  void Add(const std::string& line) override;
  void Clear() override;
  void SetListingText(const std::string& text) override;
  void ReplaceLines(int first, int count, const std::string& text) override;
  bool ReadOnly() const override { return readOnly_; }
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }

  // The user's side.
  // Lines as the control shows them: every piece between breaks, the empty one after a final break included.
  int PhysicalLineCount() const;
  // A mouse click at (line, byte column), clamped into the text: the caret moves, then mouse down and mouse
  // up.
  bool ClickAt(int line, int column);
  void PlaceCaret(int line, int column);  // without any event, for setting up a test
  // Selects from (line, column) to (endLine, endColumn), as a drag of the mouse or Shift and the arrows do.
  void Select(int line, int column, int endLine, int endColumn);

 protected:
  bool ApplyKey(int key, unsigned shift) override;
  bool InsertTyped(const std::string& characters) override;
  bool InsertPasted(const std::string& text) override;

 private:
  std::size_t CaretOffset() const;
  int LineOfOffset(std::size_t offset) const;
  void SetCaretOffset(std::size_t offset);
  void ReplaceText(std::size_t offset, std::size_t length, const std::string& insert);
  std::size_t PreviousCharacterStart(std::size_t lineStart, std::size_t offset) const;

  Listing listing_;
  int caretLine_ = 0;
  int caretColumn_ = 0;
  std::size_t selectionLength_ = 0;  // bytes selected from the caret on
};

class HeadlessWindow : public Window {
 public:
  HeadlessWindow(HeadlessWindowSystem& system, const WindowTable& entry);
  ~HeadlessWindow() override;

  Control& Find(const std::string& name) override;
  UserViewControl& FindUserView(const std::string& name) override;
  void Show() override;       // runs OnShow when the window was hidden (the first time a resize first)
  void ShowModal() override;  // the same, and returns at once: the window stays open until Close
  void Close() override;
  bool Visible() const override { return visible_; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  int ClientWidth() const override;
  int ClientHeight() const override;

  // Tests.
  const WindowTable& Layout() const { return entry_; }
  HeadlessControl& Get(const std::string& name);
  HeadlessUserView& UserView(const std::string& name);
  bool Modal() const { return modal_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The user drags the frame to this outer size: OnResize runs.
  void Resize(int width, int height);
  HeadlessControl* FocusedControl() const { return focused_; }
  void SetFocusedControl(HeadlessControl* control) { focused_ = control; }
  HeadlessWindowSystem& System() { return system_; }
  // Controls in the table's order.
  const std::vector<std::unique_ptr<HeadlessControl>>& Controls() const { return controls_; }

  // The frame's share of the outer size (borders and title bar).
  static constexpr int kFrameWidth = 16;
  static constexpr int kFrameHeight = 39;

 private:
  void Fire(const std::function<void()>& handler);

  HeadlessWindowSystem& system_;
  WindowTable entry_;
  std::string caption_ = entry_.caption;
  std::vector<std::unique_ptr<HeadlessControl>> controls_;
  std::map<std::string, HeadlessControl*> byName_;
  HeadlessControl* focused_ = nullptr;
  bool visible_ = false;
  bool modal_ = false;
  bool realised_ = false;
  int width_;
  int height_;
};

}  // namespace titrelle
