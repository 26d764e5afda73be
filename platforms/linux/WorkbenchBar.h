#pragma once
// The bar at the top of the workbench: the undo, redo and key help buttons. It shows what the program says
// the history allows and hands the clicks to the program's handlers, through the window system's dispatch.

#include <QPointer>
#include <QWidget>
#include <vector>

#include "ui/WorkbenchBar.h"

class QPushButton;

namespace titrelle {

class WindowSystem;

class WorkbenchBarWidget : public QWidget {
  Q_OBJECT

 public:
  explicit WorkbenchBarWidget(QWidget* parent);
  QPushButton* UndoButton() const { return undo_; }
  QPushButton* RedoButton() const { return redo_; }
  QPushButton* KeyHelpButton() const { return keyHelp_; }

 private:
  QPushButton* undo_;
  QPushButton* redo_;
  QPushButton* keyHelp_;
};

// The program's side of the bar: the widget lives in the window, and may be gone before this is.
class QtWorkbenchBar : public WorkbenchBar {
 public:
  QtWorkbenchBar(WindowSystem& system, WorkbenchBarWidget* widget);
  ~QtWorkbenchBar() override;
  QtWorkbenchBar(const QtWorkbenchBar&) = delete;
  QtWorkbenchBar& operator=(const QtWorkbenchBar&) = delete;
  void ShowHistory(bool canUndo, bool canRedo) override;

 private:
  QPointer<WorkbenchBarWidget> widget_;
  std::vector<QMetaObject::Connection> clicks_;
};

}  // namespace titrelle
