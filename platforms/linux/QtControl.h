#pragma once
// What every control of a window built with Qt Widgets shares. Each control keeps its own Enabled and Visible
// flags, as a desktop control does: a control inside a hidden panel is still Visible, only not showing.
//
// Keys reach the program as on the desktop: key down before the widget acts (a handler may swallow the key),
// the key press for a typed single-byte character (a handler may discard or change it), the widget's own
// action and its change event, key up after it. A double-byte character (typed or committed by an input
// method) comes as one input whose key down and key up carry the input-method key code 229.
//
// Each kind of control is a small class of its own (QtControlKinds.h, QtUserView.h).

#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/Controls.h"
#include "ui/WindowTable.h"

namespace titrelle {

class WindowSystem;

// What a control takes from its window: the window system its events go through, the window's font.
struct ControlHost {
  WindowSystem& system;
  QFont windowFont;
};

class QtControl : public virtual Control {
 public:
  ~QtControl() override;

  // A control without a text of its own has none.
  std::string Text() const override { return {}; }
  void SetText(const std::string&) override {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  void SetFocus() override;
  bool Focused() const override;

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
  // Text the user pasted or dropped, as the program takes it (ui/TypedText.h): nothing when all of it, else
  // the text without the characters code page 936 cannot hold, the core told of them.
  std::optional<QString> RefuseUntakable(const QString& text);
  virtual void HandleMouse(bool down);
  void HandleClick();

 protected:
  // Takes `widget`, made by the kind of control, as the control's own: its name, look and hint.
  QtControl(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* widget);
  // What every kind does last: the place and size of the table, the focus it takes, enabled and shown.
  void Place(Qt::FocusPolicy focus);
  void Fire(const std::function<void()>& handler);
  void FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key);
  virtual void BeforeWidgetKey() {}
  virtual void AfterWidgetKey() {}

  ControlHost host_;
  ControlEntry entry_;
  QtControl* parent_;
  QPointer<QWidget> widget_;
  bool enabled_;
  bool visible_;
  bool tabStop_ = false;
  Qt::FocusPolicy ownFocus_ = Qt::ClickFocus;  // the focus the control takes when it is no tab stop

 private:
  void ApplyLook();
};

// The control of a table entry, of the class its kind has.
std::unique_ptr<QtControl> CreateQtControl(ControlHost host, const ControlEntry& entry, QtControl* parent,
                                           QWidget* parentWidget);

// How long the primary screen shows one picture (its refresh rate, taken between 24 and 240 a second).
std::chrono::microseconds ScreenFrameInterval();

}  // namespace titrelle
