#pragma once
// The workbench beside the main window's own controls: the subtitle table as a virtual list view that reads
// its rows from the core when it draws them, and the bar of undo, redo and key help buttons above it.

#include "platforms/windows/Win32Api.h"

#include "document/SubtitleRows.h"
#include "ui/SubtitleTableSource.h"
#include "ui/WorkbenchBar.h"

namespace titrelle {

class Win32Window;

class Win32SubtitleTable {
 public:
  Win32SubtitleTable(Win32Window& window, SubtitleTableSource& source);
  ~Win32SubtitleTable();
  Win32SubtitleTable(const Win32SubtitleTable&) = delete;
  Win32SubtitleTable& operator=(const Win32SubtitleTable&) = delete;

  HWND Handle() const { return handle_; }
  // The list view's notifications, from its parent's WM_NOTIFY.
  LRESULT Notified(const NMHDR& header);
  LRESULT Subclassed(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  // The text column takes the room the others leave.
  void FitColumns();

 private:
  void RowsChanged(const RowChange& change);
  // The program's own selection: `row` alone and scrolled to, or (-1) none and the newest row in view.
  void ShowRow(int row);
  const SubtitleRow& RowAt(int row);
  void ReportSelectionLater();
  void ReportSelection();

  Win32Window& window_;
  SubtitleTableSource& source_;
  HWND handle_ = nullptr;
  SubtitleRow cached_;
  int cachedRow_ = -1;
  std::wstring cell_;
  bool applying_ = false;
  bool reportPending_ = false;
};

class Win32WorkbenchBar : public WorkbenchBar {
 public:
  explicit Win32WorkbenchBar(Win32Window& window);
  ~Win32WorkbenchBar() override;
  Win32WorkbenchBar(const Win32WorkbenchBar&) = delete;
  Win32WorkbenchBar& operator=(const Win32WorkbenchBar&) = delete;

  void ShowHistory(bool canUndo, bool canRedo) override;
  // A click on one of its buttons (its control identifier).
  void Clicked(int id);
  // Its buttons in a row from (left, top), each `height` high; the height of the row.
  void Place(int left, int top, int height);

 private:
  Win32Window& window_;
  HWND undo_ = nullptr;
  HWND redo_ = nullptr;
  HWND keyHelp_ = nullptr;
};

}  // namespace titrelle
