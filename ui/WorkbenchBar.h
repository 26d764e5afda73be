#pragma once
// The bar at the top of the workbench: undo, redo and the key help as buttons. The program says what the
// buttons can do as the history changes; the shell shows them and fires their clicks through DispatchEvent.

#include <functional>

namespace titrelle {

class WorkbenchBar {
 public:
  virtual ~WorkbenchBar() = default;
  // Undo is offered while there is something to undo, redo while there is something to redo.
  virtual void ShowHistory(bool canUndo, bool canRedo) = 0;

  std::function<void()> OnUndo;
  std::function<void()> OnRedo;
  std::function<void()> OnKeyHelp;
};

}  // namespace titrelle
