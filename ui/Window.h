#pragma once
#include <functional>
#include <string>

#include "ui/Controls.h"

namespace titrelle {

// A top-level window built by a shell from a WindowTable. Events are fired through DispatchEvent.
class Window {
 public:
  virtual ~Window() = default;
  virtual Control& Find(const std::string& name) = 0;  // throws Error for an unknown name
  virtual UserViewControl& FindUserView(const std::string& name) = 0;
  virtual void Show() = 0;       // runs OnShow
  virtual void ShowModal() = 0;  // runs OnShow; a real shell returns when the window is closed
  virtual void Close() = 0;      // runs OnClose, then hides the window
  virtual bool Visible() const = 0;
  // The title bar's text (the table's caption at first).
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;

  std::function<void()> OnShow;
  std::function<void()> OnResize;
  std::function<void()> OnClose;
  // Asked before a close the user or the program starts: false keeps the window open, and OnClose does not
  // run.
  std::function<bool()> OnCloseQuery;
};

}  // namespace titrelle
