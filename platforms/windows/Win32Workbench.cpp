#include "platforms/windows/Win32Workbench.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "platforms/windows/Win32Window.h"
#include "platforms/windows/Win32WindowSystem.h"
#include "platforms/windows/WinText.h"
#include "ui/ErrorReport.h"
#include "ui/EventRules.h"

namespace titrelle {

namespace {

constexpr UINT_PTR kTableSubclassId = 2;
// Posted to the table itself: the selection settled, the program hears of it once.
constexpr UINT kSelectionSettled = WM_APP + 40;

LRESULT CALLBACK TableProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
  return reinterpret_cast<Win32SubtitleTable*>(data)->Subclassed(handle, message, wParam, lParam);
}

unsigned CurrentModifiers() {
  unsigned shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= modifier::Shift;
  if (GetKeyState(VK_MENU) < 0) shift |= modifier::Alt;
  if (GetKeyState(VK_CONTROL) < 0) shift |= modifier::Ctrl;
  return shift;
}

// The flag that matters most colours the row.
COLORREF FlagColour(unsigned flags) {
  if (flags & rowflag::OverlapsNext) return RGB(255, 196, 196);
  if (flags & rowflag::Fast) return RGB(255, 222, 173);
  if (flags & rowflag::Short) return RGB(255, 246, 176);
  return CLR_DEFAULT;
}

// Widths of the columns before the text, in digits.
constexpr int kColumnDigits[kRowColumnCount - 1] = {6, 14, 14, 8, 7};

}  // namespace

Win32SubtitleTable::Win32SubtitleTable(Win32Window& window, SubtitleTableSource& source)
    : window_(window), source_(source) {
  // Tab keeps going round the window's own controls; a click gives the table the keys.
  handle_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
      window.Handle(), reinterpret_cast<HMENU>(Win32Window::kTableId), GetModuleHandleW(nullptr), nullptr);
  if (!handle_) return;
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(window.FontFor(FontLook{})), FALSE);
  SendMessageW(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  for (int column = 0; column < kRowColumnCount; ++column) {
    std::wstring title = WideFromCp936(RowColumnTitle(static_cast<RowColumn>(column)));
    LVCOLUMNW entry{};
    entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    entry.fmt = column == static_cast<int>(RowColumn::Text) ? LVCFMT_LEFT : LVCFMT_RIGHT;
    entry.cx =
        column < kRowColumnCount - 1 ? window.Scaled(kColumnDigits[column] * 7 + 12) : window.Scaled(200);
    entry.pszText = title.data();
    entry.iSubItem = column;
    SendMessageW(handle_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&entry));
  }
  SetWindowSubclass(handle_, TableProc, kTableSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(source_.RowCount()), 0);
  source_.SetOnRowsChanged([this](const RowChange& change) { RowsChanged(change); });
  source_.SetOnShowRow([this](int row) { ShowRow(row); });
  const int rows = source_.RowCount();
  if (rows > 0 && source_.FollowsNewest()) SendMessageW(handle_, LVM_ENSUREVISIBLE, rows - 1, FALSE);
}

Win32SubtitleTable::~Win32SubtitleTable() {
  source_.SetOnRowsChanged(nullptr);
  source_.SetOnShowRow(nullptr);
  if (handle_) {
    RemoveWindowSubclass(handle_, TableProc, kTableSubclassId);
    DestroyWindow(handle_);
  }
}

const SubtitleRow& Win32SubtitleTable::RowAt(int row) {
  if (cachedRow_ != row) {
    cached_ = source_.Row(row);
    cachedRow_ = row;
  }
  return cached_;
}

void Win32SubtitleTable::FitColumns() {
  if (!handle_) return;
  SendMessageW(handle_, LVM_SETCOLUMNWIDTH, kRowColumnCount - 1, LVSCW_AUTOSIZE_USEHEADER);
}

void Win32SubtitleTable::RowsChanged(const RowChange& change) {
  const bool wasApplying = std::exchange(applying_, true);
  cachedRow_ = -1;
  const int rows = source_.RowCount();
  if (change.reload) {
    SendMessageW(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
    InvalidateRect(handle_, nullptr, TRUE);
  } else {
    if (change.removed > 0 || change.inserted > 0) {
      // The rows after a removal or an insertion moved: they are drawn again down to the end.
      SendMessageW(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows),
                   LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
      if (rows > change.removedFirst)
        SendMessageW(handle_, LVM_REDRAWITEMS, static_cast<WPARAM>(change.removedFirst), rows - 1);
    }
    if (change.changedCount > 0)
      SendMessageW(handle_, LVM_REDRAWITEMS, static_cast<WPARAM>(change.firstChanged),
                   change.firstChanged + change.changedCount - 1);
  }
  applying_ = wasApplying;
  const bool grew = change.reload || change.inserted > 0;
  if (grew && rows > 0 && source_.FollowsNewest()) SendMessageW(handle_, LVM_ENSUREVISIBLE, rows - 1, FALSE);
}

void Win32SubtitleTable::ShowRow(int row) {
  // The list view tells of each state it changes here right away; none of it is the user's selection.
  const bool wasApplying = std::exchange(applying_, true);
  const int rows = source_.RowCount();
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  if (row >= 0 && row < rows) {
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    SendMessageW(handle_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  } else if (rows > 0) {
    SendMessageW(handle_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
  }
  applying_ = wasApplying;
}

LRESULT Win32SubtitleTable::Notified(const NMHDR& header) {
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
      if (!(info.item.mask & LVIF_TEXT) || info.item.iItem < 0 || info.item.iItem >= source_.RowCount())
        return 0;
      if (info.item.iSubItem < 0 || info.item.iSubItem >= kRowColumnCount) return 0;
      cell_ = WideFromCp936(RowCellText(RowAt(info.item.iItem), static_cast<RowColumn>(info.item.iSubItem)));
      if (info.item.pszText && info.item.cchTextMax > 0)
        lstrcpynW(info.item.pszText, cell_.c_str(), info.item.cchTextMax);
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(const_cast<NMHDR&>(header));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
        if (row >= 0 && row < source_.RowCount()) {
          const COLORREF colour = FlagColour(RowAt(row).flags);
          if (colour != CLR_DEFAULT) draw.clrTextBk = colour;
        }
      }
      return CDRF_DODEFAULT;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if (change.uChanged & LVIF_STATE) ReportSelectionLater();
      return 0;
    }
    case LVN_ODSTATECHANGED:
      ReportSelectionLater();
      return 0;
    case NM_DBLCLK: {
      const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
      const int row = activate.iItem;
      if (row >= 0) DispatchEvent(window_.System(), [&] { source_.ActivateRow(row); });
      return 0;
    }
    default:
      return 0;
  }
}

void Win32SubtitleTable::ReportSelectionLater() {
  // The selection and the focused row change one after the other: the program hears of both once, when the
  // loop is free.
  if (applying_ || reportPending_) return;
  reportPending_ = PostMessageW(handle_, kSelectionSettled, 0, 0) != FALSE;
}

void Win32SubtitleTable::ReportSelection() {
  reportPending_ = false;
  std::vector<int> rows;
  int at = -1;
  while ((at = static_cast<int>(
              SendMessageW(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(at), LVNI_SELECTED))) >= 0)
    rows.push_back(at);
  const auto focused =
      static_cast<int>(SendMessageW(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  const bool focusedSelected =
      focused >= 0 &&
      (SendMessageW(handle_, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) != 0);
  const int current = focusedSelected ? focused : -1;
  DispatchEvent(window_.System(), [&] { source_.SelectRows(std::move(rows), current); });
}

LRESULT Win32SubtitleTable::Subclassed(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSelectionSettled) {
    ReportSelection();
    return 0;
  }
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    KeyEvent key{static_cast<int>(wParam), CurrentModifiers(), false,
                 (static_cast<unsigned long long>(lParam) & (1ULL << 30)) != 0};
    bool taken = false;
    DispatchEvent(window_.System(), [&] { taken = source_.KeyDown(key); });
    if (taken && key.swallowed) return 0;
  }
  return DefSubclassProc(handle, message, wParam, lParam);
}

Win32WorkbenchBar::Win32WorkbenchBar(Win32Window& window) : window_(window) {
  const auto button = [&](const char* caption, int id) {
    HWND handle = CreateWindowExW(0, L"BUTTON", WideFromCp936(caption).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, 0, 0, 0,
                                  window.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(window.FontFor(FontLook{})), FALSE);
    return handle;
  };
  undo_ = button("\xB3\xB7\xCF\xFA", Win32Window::kUndoId);                        // 撤销
  redo_ = button("\xD6\xD8\xD7\xF6", Win32Window::kRedoId);                        // 重做
  keyHelp_ = button("\xB0\xB4\xBC\xFC\xB0\xEF\xD6\xFA", Win32Window::kKeyHelpId);  // 按键帮助
  ShowHistory(false, false);
  window_.SetWorkbenchBar(this);
}

Win32WorkbenchBar::~Win32WorkbenchBar() {
  window_.SetWorkbenchBar(nullptr);
  for (HWND handle : {undo_, redo_, keyHelp_})
    if (handle) DestroyWindow(handle);
}

void Win32WorkbenchBar::ShowHistory(bool canUndo, bool canRedo) {
  EnableWindow(undo_, canUndo);
  EnableWindow(redo_, canRedo);
}

void Win32WorkbenchBar::Clicked(int id) {
  if (id == Win32Window::kUndoId) FireEvent(window_.System(), OnUndo);
  if (id == Win32Window::kRedoId) FireEvent(window_.System(), OnRedo);
  if (id == Win32Window::kKeyHelpId) FireEvent(window_.System(), OnKeyHelp);
}

void Win32WorkbenchBar::Place(int left, int top, int height) {
  int x = left;
  for (HWND handle : {undo_, redo_, keyHelp_}) {
    const int width = window_.Scaled(handle == keyHelp_ ? 90 : 64);
    SetWindowPos(handle, nullptr, x, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    x += width + window_.Scaled(4);
  }
}

}  // namespace titrelle
