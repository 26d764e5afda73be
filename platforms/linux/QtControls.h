#pragma once
// The controls of a window built with Qt Widgets. Each control keeps its own Enabled and Visible flags, as a
// desktop control does: a control inside a hidden panel is still Visible, only not showing.
//
// Keys reach the program as on the desktop: key down before the widget acts (a handler may swallow the key),
// the key press for a typed single-byte character (a handler may discard or change it), the widget's own
// action and its change event, key up after it. A double-byte character (typed or committed by an input
// method) comes as one input whose key down and key up carry the input-method key code 229.

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "ui/Controls.h"
#include "ui/EventRules.h"
#include "ui/WindowTable.h"

class QPlainTextEdit;

namespace titrelle {

class QtWindow;

// The virtual-key code of a Qt key event (229 for a character with no key of its own, 0 for unknown keys).
int VirtualKeyOf(const QKeyEvent& event);
unsigned ModifiersOf(Qt::KeyboardModifiers modifiers);

// Calls `beforePaint` whenever the window it watches is about to paint what has changed in it.
class WindowPaintWatch : public QObject {
 public:
  explicit WindowPaintWatch(std::function<void()> beforePaint) : beforePaint_(std::move(beforePaint)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) beforePaint_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> beforePaint_;
};

class QtControl : public virtual Control {
 public:
  QtControl(QtWindow& window, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  ~QtControl() override;

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
  QtControl* Parent() const { return parent_; }
  QWidget* Widget() const { return widget_; }
  // Whether Tab stops here; containers pass Tab on to their children.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop);

  // Called by the widgets. `act` runs the widget's own handling of the (possibly replaced) event.
  void HandleKeyPress(QKeyEvent* event, const std::function<void(QKeyEvent*)>& act);
  void HandleKeyRelease(QKeyEvent* event);
  void FirePress(KeyPressEvent& press);
  void HandleInputMethod(QInputMethodEvent* event, const std::function<void(QInputMethodEvent*)>& act);
  virtual void HandleMouse(bool down);
  void HandleClick();

 protected:
  void Fire(const std::function<void()>& handler);
  void FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key);
  virtual void BeforeWidgetKey() {}
  virtual void AfterWidgetKey() {}
  void ApplyLook();
  void FitMemoFont();
  void ShowCaption();

  QtWindow& window_;
  ControlEntry entry_;
  QtControl* parent_;
  QPointer<QWidget> widget_;
  bool enabled_;
  bool visible_;
  bool tabStop_ = false;
  bool settingText_ = false;
  // A label's caption as the program set it last, and when a caption last reached the widget (see SetText).
  std::string caption_;
  std::chrono::steady_clock::time_point captionShownAt_{};
  std::unique_ptr<QTimer> captionTimer_;
  bool captionPending_ = false;
  std::unique_ptr<WindowPaintWatch> captionRide_;
  // An edit box's text as last converted to code page 936 (see Text).
  mutable QString convertedText_;
  mutable std::string convertedCp936_;
};

// The user view: a plain-text editor without wrapping, seen line by line; columns in code page 936 bytes.
class QtUserView : public QtControl, public UserViewControl {
 public:
  QtUserView(QtWindow& window, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);

  std::string Text() const override;
  void SetText(const std::string& text) override { SetListingText(text); }

  int Count() const override;
  int BreakCount() const override;
  std::string Line(int index) const override;
  int CaretLine() const override;
  int CaretColumn() const override;
  int SelectionEndLine() const override;
  bool SelectionEmpty() const override;
  void CaretToEnd() override;
  void Add(const std::string& line) override;
  void Clear() override;
  void SetListingText(const std::string& text) override;
  bool ReadOnly() const override;
  void SetReadOnly(bool readOnly) override;

  void HandleMouse(bool down) override;
  QPlainTextEdit* Editor() const;

 protected:
  void BeforeWidgetKey() override;
  void AfterWidgetKey() override;

 private:
  void ContentsChanged();
  // The program's own edits tell one change each, however Qt splits them.
  template <class Edit>
  void ProgramEdit(Edit edit);

  bool programEdit_ = false;
  int keyDepth_ = 0;
  bool changedDuringKey_ = false;
};

}  // namespace titrelle
