#pragma once
// What the program needs of a window system's controls. Every text crossing these interfaces is a
// code page 936 byte string; the shells convert at their edge.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace titrelle {

// Virtual-key codes, as the program's handlers compare them.
namespace vk {
constexpr int Back = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Insert = 45;
constexpr int Delete = 46;
constexpr int F1 = 112;
constexpr int F7 = 118;
constexpr int F8 = 119;
constexpr int F9 = 120;
constexpr int F10 = 121;
constexpr int F11 = 122;
constexpr int F12 = 123;
}  // namespace vk

struct KeyEvent {
  int key = 0;             // virtual-key code
  unsigned shift = 0;      // modifier state, as the handlers may look at it
  bool swallowed = false;  // a key-down handler sets this to keep the key from the control
  bool repeat = false;     // the key is held: the system repeats its key down
};

struct KeyPressEvent {
  char character = 0;  // a typed single-byte character; set to 0 by the handler to discard it
};

// One control of a window: button, label, edit box, panel, check box, drop-down list.
// The events are set by the core and fired by the shell through DispatchEvent (ui/ErrorReport.h).
class Control {
 public:
  virtual ~Control() = default;

  virtual std::string Text() const = 0;  // caption of a button, label or panel; text of an edit box
  virtual void SetText(const std::string& text) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;

  // Check box state; other kinds answer false and ignore it.
  virtual bool Checked() const { return false; }
  virtual void SetChecked(bool) {}
  // Background colour of a panel, as a COLORREF (red in the lowest byte); others ignore it.
  virtual void SetColor(unsigned /*colorRef*/) {}
  // Items of a drop-down list; others ignore them.
  virtual void ClearItems() {}
  virtual void AddItem(const std::string& /*item*/) {}
  virtual int ItemCount() const { return 0; }
  virtual std::string Item(int /*index*/) const { return {}; }

  std::function<void()> OnClick;                   // buttons, panels, check boxes (after the tick changed)
  std::function<void()> OnChange;                  // edit boxes and drop-down lists, after every change
  std::function<void(KeyEvent&)> OnKeyDown;        // before the control acts on the key
  std::function<void(KeyEvent&)> OnKeyUp;          // after it
  std::function<void(KeyPressEvent&)> OnKeyPress;  // typed characters, before they are inserted
  // Typed or pasted characters that code page 936 cannot hold were left out (ui/TypedText.h).
  std::function<void()> OnCharactersRefused;
};

// The user view: an editable multi-line text control seen line by line, so that line-break counting of a
// toolkit never leaks into the core. Lines are numbered from 0 and hold no break. Control is a virtual base
// so that a shell's user view can share its other controls' implementation.
class UserViewControl : public virtual Control {
 public:
  virtual int Count() const = 0;  // listing count: an empty last line is not counted
  // Line breaks in the text, a final one included: lines as the control shows them, less one. Cheap, unlike
  // Text(), so that every change can check that no break came or went.
  virtual int BreakCount() const = 0;
  virtual std::string Line(int index) const = 0;
  // The same line without a copy, good until the view changes or LineView is called again: edit mode reads
  // the caret's line several times a key, and one line may hold megabytes.
  virtual std::string_view LineView(int index) const = 0;
  virtual int CaretLine() const = 0;         // line holding the start of the selection
  virtual int CaretColumn() const = 0;       // in code page 936 bytes from the start of that line
  virtual int SelectionEndLine() const = 0;  // line holding the end of the selection (the caret's when none)
  virtual bool SelectionEmpty() const = 0;
  virtual void CaretToEnd() = 0;                  // caret after the last character, nothing selected
  virtual void CaretToLine(int line) = 0;         // caret at the start of line `line`, nothing selected
  virtual void Add(const std::string& line) = 0;  // listing Add; the caret is left as a rich edit leaves it
  virtual void Clear() = 0;
  virtual void SetListingText(const std::string& text) = 0;
  // Lines [first, first + count) (pieces between breaks, the empty one after a final break included; count
  // at least 1) become `text`, which may hold CR LF breaks; the caret goes to the start of line `first`. The
  // program's own change: the view's own undo does not take it back.
  virtual void ReplaceLines(int first, int count, const std::string& text) = 0;
  // Whole lines (each ending in a break) put after the last break, in place of the empty last line: as
  // ReplaceLines of that line, for a large text filled a run of lines at a time.
  virtual void AppendLines(const std::string& wholeLines) { ReplaceLines(BreakCount(), 1, wholeLines); }
  // Room for a text of `bytes` bytes in `lines` lines, where the view keeps its text in one piece.
  virtual void ReserveText(std::size_t /*bytes*/, int /*lines*/) {}
  virtual bool ReadOnly() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;

  std::function<void()> OnMouseDown;
  std::function<void()> OnMouseUp;
};

}  // namespace titrelle
