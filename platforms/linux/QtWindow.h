#pragma once
// A window built from a WindowTable with Qt Widgets: a top-level widget holding the table's controls.

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platforms/linux/QtControl.h"
#include "platforms/linux/QtUserView.h"
#include "ui/Window.h"
#include "ui/WindowTable.h"

class QEventLoop;

namespace titrelle {

class WindowSystem;

class QtWindow : public Window {
 public:
  QtWindow(WindowSystem& system, const WindowTable& entry);
  ~QtWindow() override;

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

  WindowSystem& System() { return system_; }
  const WindowTable& Layout() const { return entry_; }
  QWidget* Frame() const { return frame_; }
  QtControl& ControlNamed(const std::string& name);
  const std::vector<std::unique_ptr<QtControl>>& Controls() const { return controls_; }

  // The frame's share of the outer size (borders and title bar) that the tables' sizes include.
  static constexpr int kFrameWidth = 16;
  static constexpr int kFrameHeight = 39;

  // Called by the frame widget.
  bool FrameClosing();  // false: the window stays open
  void FrameResized();

 private:
  class FrameWidget;
  void SetUpTabOrder();
  void Fire(const std::function<void()>& handler);

  WindowSystem& system_;
  WindowTable entry_;
  QPointer<QWidget> frame_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::map<std::string, QtControl*> byName_;
  std::vector<QtControl*> fillParent_;
  QEventLoop* modalLoop_ = nullptr;
  bool visible_ = false;
  bool realised_ = false;
  bool closing_ = false;
  QSize reportedSize_;
};

}  // namespace titrelle
