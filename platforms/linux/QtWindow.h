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

  // The workbench: the room to the right of and below the table's controls, which keep their places and
  // sizes. It holds `timeline` across the window's width under them, and to their right a container
  // ("Workbench") for the views of the subtitles. A window with a workbench opens large enough to show it
  // (within the screen), cannot be made smaller than its table, and opens where and as large as the user last
  // left it (the value kPlacementValue of the settings).
  void OpenWorkbench(QWidget* timeline);
  QWidget* Workbench() const { return workbench_; }
  QWidget* Timeline() const { return timeline_; }
  // The client area the table lays its controls out in.
  QSize TableSize() const;

  // The client size a window with a workbench opens at where nothing is remembered: on a 1366x768 screen,
  // with its frame and a desktop's panel, it fits.
  static constexpr int kWorkbenchOpenWidth = 1340;
  static constexpr int kWorkbenchOpenHeight = 680;
  // Where the window was and how large, as "left,top,width,height" (the frame's place, the client size).
  static constexpr const char* kPlacementValue = "srtWindowPlace";

  // Called by the frame widget.
  bool FrameClosing();  // false: the window stays open
  void FrameResized();

 private:
  class FrameWidget;
  void SetUpTabOrder();
  void LayOutWorkbench();
  // Where the window opens: the place remembered, else centred at its opening size.
  void PlaceAtFirstShow();
  void RememberPlacement();
  void Fire(const std::function<void()>& handler);

  WindowSystem& system_;
  WindowTable entry_;
  QPointer<QWidget> frame_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::map<std::string, QtControl*> byName_;
  std::vector<QtControl*> fillParent_;
  QPointer<QWidget> workbench_;
  QPointer<QWidget> timeline_;
  QEventLoop* modalLoop_ = nullptr;
  bool visible_ = false;
  bool realised_ = false;
  bool closing_ = false;
  QSize reportedSize_;
};

}  // namespace titrelle
