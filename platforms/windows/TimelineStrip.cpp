#include "platforms/windows/TimelineStrip.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "platforms/windows/WinText.h"

namespace titrelle {

namespace {

constexpr UINT kRefreshMs = 40;
constexpr int kRulerHeight = 16;
constexpr int kLabelHeight = 16;

// The Linux strip's colours; its translucent ones as they come out over the background.
constexpr COLORREF kBackground = RGB(0x1b, 0x1f, 0x24);
constexpr COLORREF kWave = RGB(0x5f, 0xd3, 0x8d);
constexpr COLORREF kSpanFill = RGB(39, 58, 86);
constexpr COLORREF kSpanEdge = RGB(0x4d, 0x8f, 0xe0);
constexpr COLORREF kSpanNumber = RGB(0xcf, 0xe0, 0xff);
constexpr COLORREF kSpanLabel = RGB(38, 65, 112);
constexpr COLORREF kMarkedFill = RGB(67, 64, 44);
constexpr COLORREF kStartMark = RGB(0x33, 0xdd, 0x55);
constexpr COLORREF kEndMark = RGB(0xff, 0x55, 0x55);
constexpr COLORREF kPlayHead = RGB(0xff, 0xff, 0xff);
constexpr COLORREF kProgress = RGB(0xe0, 0xb0, 0x40);
constexpr COLORREF kRuler = RGB(0x2a, 0x30, 0x38);
constexpr COLORREF kRulerTick = RGB(0x9a, 0xa4, 0xb0);
constexpr COLORREF kLabelBand = RGB(0x23, 0x29, 0x31);
constexpr COLORREF kWord = RGB(0xb0, 0xb0, 0xb0);

// 没有音轨，无法显示波形 / 无法读取音轨，不能显示波形 / 正在读取音频
const char kNoAudioText[] =
    "\xC3\xBB\xD3\xD0\xD2\xF4\xB9\xEC\xA3\xAC\xCE\xDE\xB7\xA8\xCF\xD4\xCA\xBE\xB2\xA8\xD0\xCE";
const char kUnreadableText[] =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xD2\xF4\xB9\xEC\xA3\xAC\xB2\xBB\xC4\xDC\xCF\xD4\xCA\xBE\xB2\xA8\xD0\xCE";
const char kReadingText[] = "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xD2\xF4\xC6\xB5";

void Fill(HDC dc, int left, int top, int width, int height, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  const RECT area{left, top, left + width, top + height};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Text(HDC dc, RECT area, const std::wstring& text, COLORREF colour, UINT format) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_NOPREFIX | DT_SINGLELINE);
}

}  // namespace

TimelineStrip::TimelineStrip(HWND panel, std::function<double()> position, std::function<void(double)> seek,
                             Dispatch dispatch)
    : position_(std::move(position)),
      seek_(std::move(seek)),
      mouse_(std::move(dispatch)),
      peaks_([this] { Recompose(); }) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &TimelineStrip::WindowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    description.lpszClassName = L"TitrelleTimeline";
    return RegisterClassExW(&description);
  }();
  window_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, panel, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TimelineStrip::~TimelineStrip() {
  KillTimer(window_, kRefreshTimer);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

void TimelineStrip::SetTimeline(PlayerTimeline* timeline) {
  if (mouse_.Timeline() != timeline) EndSpanDrag();
  mouse_.SetTimeline(timeline);
  Recompose();
}

bool TimelineStrip::PlayHeadMoves(int state) {
  // Undefined, stopped, paused, media ended, ready: the position stands where it is.
  return !(state == 0 || state == 1 || state == 2 || state == 8 || state == 10);
}

void TimelineStrip::FollowPlayState(int state) {
  refreshing_ = PlayHeadMoves(state);
  // Once the video stands, the timer rings once more, for the picture of where it stopped, and ends.
  if (refreshing_ && !timerSet_) timerSet_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
}

void TimelineStrip::Place(int left, int top, int width, int height) {
  MoveWindow(window_, left, top, std::max(width, 0), std::max(height, 0), TRUE);
}

TimelineStrip::Picture TimelineStrip::Compose(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  double position = view_.PositionSeconds();
  try {
    if (position_) position = position_();
  } catch (...) {
    // A player call that fails shows the position where it was.
  }
  // A strip with no width (the window minimised) leaves the view as the user put it.
  if (width > 0) view_.SetWidth(width);
  view_.ShowPosition(position);
  picture.columnsPerSecond = view_.ColumnsPerSecond();
  picture.headColumn = view_.HeadColumn();
  picture.startColumn = view_.StartColumn();
  const AudioPeakTrack& track = peaks_.Track();
  picture.state = track.state;
  if (track.state == AudioPeakTrack::State::kNone) return picture;
  const double start = picture.startColumn / picture.columnsPerSecond;
  const double end = start + width / picture.columnsPerSecond;
  picture.peaksInView = static_cast<std::size_t>(std::clamp<std::int64_t>(
      static_cast<std::int64_t>(std::ceil(end / kPeakSeconds)), 0, static_cast<std::int64_t>(track.peaks.size())));
  if (track.state == AudioPeakTrack::State::kReading) picture.progressPercent = static_cast<int>(track.Progress() * 100);
  if (PlayerTimeline* timeline = mouse_.Timeline()) {
    picture.marks = timeline->Marks();
    timeline->SpansBetween(start, end, picture.spans);
  }
  return picture;
}

void TimelineStrip::Recompose() {
  RECT area{};
  GetClientRect(window_, &area);
  Picture picture = Compose(area.right, area.bottom);
  if (picture == shown_) return;
  shown_ = std::move(picture);
  // Painted now: a paint waits for a quiet message queue, and the player's and the clock's posts may keep it
  // busy for seconds while a video opens.
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TimelineStrip::Paint(HDC dc, int width, int height) {
  shown_ = Compose(width, height);
  Draw(dc, shown_);
}

void TimelineStrip::Draw(HDC dc, const Picture& picture) {
  const int w = picture.width;
  const int h = picture.height;
  Fill(dc, 0, 0, w, h, kBackground);
  if (picture.state == AudioPeakTrack::State::kNone) return;
  const auto column = [&](double seconds) {
    return static_cast<int>(std::llround(seconds * picture.columnsPerSecond) - picture.startColumn);
  };
  const double startSeconds = picture.startColumn / picture.columnsPerSecond;
  // A strip too low for the ruler and the labels over 32 pixels of waveform is all waveform.
  const bool roomy = h >= kRulerHeight + kLabelHeight + 32;
  const int ruler = roomy ? kRulerHeight : 0;
  const int band = roomy ? kLabelHeight : 0;
  const int waveTop = ruler + band;
  const int below = h - ruler;
  if (band > 0) Fill(dc, 0, ruler, w, band, kLabelBand);
  for (const TimelineSpan& span : picture.spans) {
    const int left = std::clamp(column(span.startSeconds), -1, w + 1);
    const int right = std::clamp(column(span.endSeconds), -1, w + 1);
    const int wide = std::max(right - left, 1);
    Fill(dc, left, ruler, wide, below, kSpanFill);
    if (band > 0) Fill(dc, left, ruler, wide, band, kSpanLabel);
    Fill(dc, left, ruler, 1, below, kSpanEdge);
    if (wide > 2) Fill(dc, right - 1, ruler, 1, below, kSpanEdge);
  }
  if (picture.marks.startSeconds && picture.marks.endSeconds) {
    const int left = std::clamp(column(*picture.marks.startSeconds), -1, w + 1);
    const int right = std::clamp(column(*picture.marks.endSeconds), -1, w + 1);
    Fill(dc, left, ruler, std::max(right - left, 1), below, kMarkedFill);
  }
  SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  if (picture.state == AudioPeakTrack::State::kNoAudio || picture.state == AudioPeakTrack::State::kUnreadable) {
    const bool noAudio = picture.state == AudioPeakTrack::State::kNoAudio;
    Text(dc, RECT{0, waveTop, w, h}, WideFromCp936(noAudio ? kNoAudioText : kUnreadableText), kWord,
         DT_CENTER | DT_VCENTER);
  } else {
    ComposeWaveform(peaks_.Track().peaks, picture.peaksInView, w, startSeconds, picture.columnsPerSecond, waveTop,
                    h - waveTop, columnsScratch_);
    for (const WaveColumn& wave : columnsScratch_) Fill(dc, wave.x, wave.top, 1, wave.height, kWave);
  }
  // Each line's number and as much of its text as its block holds.
  for (const TimelineSpan& span : picture.spans) {
    const int left = std::max(column(span.startSeconds), 0) + 2;
    const int right = std::min(column(span.endSeconds), w) - 2;
    if (right - left < 8) continue;
    std::wstring label = std::to_wstring(span.number);
    if (!span.text.empty()) label += L" " + WideFromCp936(span.text);
    Text(dc, RECT{left, ruler, right, band > 0 ? ruler + band : ruler + 14}, label, kSpanNumber,
         DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
  }
  if (picture.marks.startSeconds) Fill(dc, column(*picture.marks.startSeconds), ruler, 2, below, kStartMark);
  if (picture.marks.endSeconds) Fill(dc, column(*picture.marks.endSeconds) - 1, ruler, 2, below, kEndMark);
  for (const double keyed : picture.marks.keyedSeconds)
    Fill(dc, column(keyed), h - below / 2, 1, below / 2, RGB(255, 220, 80));
  if (ruler > 0) {
    Fill(dc, 0, 0, w, kRulerHeight, kRuler);
    Ruler marks;
    ComposeRuler(startSeconds, startSeconds + w / picture.columnsPerSecond, picture.columnsPerSecond, marks);
    for (const RulerTick& tick : marks.ticks) {
      const int x = column(tick.seconds);
      if (!tick.labelled) {
        Fill(dc, x, kRulerHeight - 4, 1, 4, kRulerTick);
        continue;
      }
      Fill(dc, x, 0, 1, kRulerHeight, kRulerTick);
      const std::string text = RulerText(tick.seconds, marks.tenths);
      Text(dc, RECT{x + 3, 0, x + 80, kRulerHeight}, std::wstring(text.begin(), text.end()), kRulerTick,
           DT_LEFT | DT_VCENTER);
    }
  }
  const std::int64_t head = picture.headColumn - picture.startColumn;
  if (head >= 0 && head < w) Fill(dc, static_cast<int>(head), 0, 1, h, kPlayHead);
  if (picture.state == AudioPeakTrack::State::kReading) {
    Fill(dc, 0, h - 2, w * picture.progressPercent / 100, 2, kProgress);
    Text(dc, RECT{0, waveTop, w - 3, h - 3},
         WideFromCp936(kReadingText) + L" " + std::to_wstring(picture.progressPercent) + L"%", kProgress,
         DT_RIGHT | DT_BOTTOM);
  }
  SelectObject(dc, oldFont);
}

void TimelineStrip::ShowGrab(int x) {
  grab_ = shown_.state != AudioPeakTrack::State::kNone
              ? mouse_.GrabAt(SecondsAt(x), 1 / shown_.columnsPerSecond)
              : TimelineGrab::None;
}

void TimelineStrip::EndSpanDrag() {
  if (!draggingSpan_) return;
  draggingSpan_ = false;
  mouse_.CancelDrag();
  Recompose();
}

void TimelineStrip::Press(int x) {
  pressed_ = true;
  dragging_ = false;
  draggingSpan_ = false;
  pressX_ = x;
  SetCapture(window_);
  if (mouse_.Timeline() == nullptr || shown_.state == AudioPeakTrack::State::kNone) return;
  draggingSpan_ = mouse_.PressAt(SecondsAt(x), 1 / shown_.columnsPerSecond);
  if (!draggingSpan_) view_.PressGround();
}

void TimelineStrip::Move(int x) {
  if (!pressed_) {
    ShowGrab(x);
    return;
  }
  if (!dragging_ && std::abs(x - pressX_) < GetSystemMetrics(SM_CXDRAG)) return;
  dragging_ = true;
  if (!draggingSpan_) {
    // Empty ground: the view scrolls with the pointer.
    view_.DragGround(x - pressX_);
    Recompose();
    return;
  }
  if (mouse_.Timeline() == nullptr) return;
  // The line is drawn where it would land.
  mouse_.DragTo(SecondsAt(x));
  Recompose();
}

void TimelineStrip::Release(int x) {
  if (!pressed_) return;
  pressed_ = false;
  const bool moved = std::exchange(dragging_, false);
  if (draggingSpan_ && moved) {
    draggingSpan_ = false;
    mouse_.ReleaseAt(SecondsAt(x));
  } else {
    // A press on a line that did not move is a click: nothing is dragged.
    EndSpanDrag();
    if (!moved && seek_ && shown_.state != AudioPeakTrack::State::kNone) {
      // The view stays where it is, the play head going where the user pointed.
      view_.Click();
      seek_(std::max(SecondsAt(x), 0.0));
    }
  }
  if (GetCapture() == window_) ReleaseCapture();
  Recompose();
  ShowGrab(x);
}

void TimelineStrip::Wheel(int x, int wheelUnits) {
  if (shown_.state == AudioPeakTrack::State::kNone) return;
  view_.Wheel(x, wheelUnits);
  Recompose();
  ShowGrab(x);
}

LRESULT CALLBACK TimelineStrip::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* strip = reinterpret_cast<TimelineStrip*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (strip == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_TIMER:
      if (wParam == kRefreshTimer) {
        strip->Recompose();
        if (!strip->refreshing_) {
          KillTimer(window, kRefreshTimer);
          strip->timerSet_ = false;
        }
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      strip->Recompose();
      return 0;
    case WM_PAINT: {
      // Drawn off screen, then put up at once: no flicker at 25 pictures a second.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area{};
      GetClientRect(window, &area);
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(area.right, 1), std::max<LONG>(area.bottom, 1));
      const HGDIOBJ old = SelectObject(memory, bitmap);
      strip->Paint(memory, area.right, area.bottom);
      BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      strip->Press(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_MOUSEMOVE:
      strip->Move(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_LBUTTONUP:
      strip->Release(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_MOUSEWHEEL: {
      POINT pointer{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ScreenToClient(window, &pointer);
      strip->Wheel(pointer.x, GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    }
    case WM_CAPTURECHANGED:
      // The mouse was taken away mid-drag: the line stays where it was.
      if (strip->pressed_ && reinterpret_cast<HWND>(lParam) != window) {
        strip->pressed_ = false;
        strip->dragging_ = false;
        strip->EndSpanDrag();
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        const bool edge = strip->grab_ == TimelineGrab::StartEdge || strip->grab_ == TimelineGrab::EndEdge;
        const bool whole = strip->grab_ == TimelineGrab::Whole;
        SetCursor(LoadCursorW(nullptr, edge ? IDC_SIZEWE : whole ? IDC_SIZEALL : IDC_ARROW));
        return TRUE;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace titrelle
