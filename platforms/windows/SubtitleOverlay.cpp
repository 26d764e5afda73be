#include "platforms/windows/SubtitleOverlay.h"

// After the window system's own header, whose types it uses.
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace titrelle {

namespace {

constexpr UINT kRefreshMs = 40;  // 25 pictures a second, as the timeline strip
constexpr UINT_PTR kOwnerSubclass = 0x5EB1;
constexpr double kMargin = 10;  // the script's margins, in its pixels

std::wstring WideFromUtf8(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// GDI breaks lines at CR LF.
std::wstring DrawnText(const std::string& utf8) {
  std::wstring text;
  for (const wchar_t c : WideFromUtf8(utf8)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

// A picture in memory, 32 bits a pixel (blue, green, red, alpha), top row first, selected into its own DC.
class Bitmap {
 public:
  Bitmap(HDC screen, int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(screen);
    if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    pixels_ = static_cast<std::uint32_t*>(bits);
  }
  ~Bitmap() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  bool Ready() const { return pixels_ != nullptr; }
  HDC Dc() const { return dc_; }
  std::uint32_t* Pixels() const { return pixels_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_;
  int height_;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
};

// How much of each pixel of a line's box a layer covers, 0 to 255.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> cover;
};

// The letters grown by `radius` pixels every way: the outline.
Mask Grown(const Mask& letters, double radius) {
  const int reach = static_cast<int>(std::ceil(radius));
  std::vector<std::pair<int, int>> disc;
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      if (dx * dx + dy * dy <= (radius + 0.5) * (radius + 0.5)) disc.emplace_back(dx, dy);
    }
  }
  Mask grown{letters.width, letters.height, std::vector<std::uint8_t>(letters.cover.size(), 0)};
  for (int y = 0; y < letters.height; ++y) {
    for (int x = 0; x < letters.width; ++x) {
      const std::uint8_t cover = letters.cover[static_cast<std::size_t>(y * letters.width + x)];
      if (cover == 0) continue;
      for (const auto& [dx, dy] : disc) {
        const int nx = x + dx;
        const int ny = y + dy;
        if (nx < 0 || ny < 0 || nx >= letters.width || ny >= letters.height) continue;
        std::uint8_t& to = grown.cover[static_cast<std::size_t>(ny * letters.width + nx)];
        to = std::max(to, cover);
      }
    }
  }
  return grown;
}

Mask Shifted(const Mask& mask, int by) {
  Mask shifted{mask.width, mask.height, std::vector<std::uint8_t>(mask.cover.size(), 0)};
  for (int y = by; y < mask.height; ++y) {
    for (int x = by; x < mask.width; ++x) {
      shifted.cover[static_cast<std::size_t>(y * mask.width + x)] =
          mask.cover[static_cast<std::size_t>((y - by) * mask.width + x - by)];
    }
  }
  return shifted;
}

// Lays `layer` in `colour` (0xRRGGBB) over `out` with its box's corner at `left`, `top`: premultiplied
// alpha, as UpdateLayeredWindow takes it.
void Lay(const Mask& layer, std::uint32_t colour, Bitmap& out, int left, int top) {
  const std::uint32_t red = colour >> 16 & 0xFF;
  const std::uint32_t green = colour >> 8 & 0xFF;
  const std::uint32_t blue = colour & 0xFF;
  for (int y = 0; y < layer.height; ++y) {
    const int oy = top + y;
    if (oy < 0 || oy >= out.Height()) continue;
    for (int x = 0; x < layer.width; ++x) {
      const int ox = left + x;
      if (ox < 0 || ox >= out.Width()) continue;
      const std::uint32_t a = layer.cover[static_cast<std::size_t>(y * layer.width + x)];
      if (a == 0) continue;
      std::uint32_t& pixel = out.Pixels()[static_cast<std::size_t>(oy) * out.Width() + ox];
      const auto over = [&](std::uint32_t source, int shift) {
        const std::uint32_t below = pixel >> shift & 0xFF;
        return ((source * a + below * (255 - a)) / 255) << shift;
      };
      pixel = over(255, 24) | over(red, 16) | over(green, 8) | over(blue, 0);
    }
  }
}

}  // namespace

SubtitleOverlay::SubtitleOverlay(HWND panel, std::function<double()> position)
    : panel_(panel), owner_(GetAncestor(panel, GA_ROOT)), position_(std::move(position)) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &SubtitleOverlay::WindowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = L"TitrellePreview";
    return RegisterClassExW(&description);
  }();
  window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                            reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"", WS_POPUP, 0,
                            0, 0, 0, owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // The main window's moves and sizes: the lines go with the panel.
  if (owner_ != nullptr && owner_ != panel_)
    SetWindowSubclass(owner_, &SubtitleOverlay::OwnerProcedure, kOwnerSubclass,
                      reinterpret_cast<DWORD_PTR>(this));
}

SubtitleOverlay::~SubtitleOverlay() {
  if (owner_ != nullptr && owner_ != panel_)
    RemoveWindowSubclass(owner_, &SubtitleOverlay::OwnerProcedure, kOwnerSubclass);
  KillTimer(window_, kRefreshTimer);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

void SubtitleOverlay::Show(PreviewScriptLines script) {
  script_ = std::move(script);
  active_ = true;
  if (moving_ && !timerSet_) timerSet_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
  Refresh();
}

void SubtitleOverlay::ShowNothing() {
  if (timerSet_) KillTimer(window_, kRefreshTimer);
  timerSet_ = false;
  active_ = false;
  script_ = {};
  shown_.clear();
  Paint(RECT{});
}

void SubtitleOverlay::FollowPlayHead(bool moves) {
  moving_ = moves;
  if (active_ && !timerSet_) timerSet_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
}

void SubtitleOverlay::Place(const RECT& area) {
  area_ = area;
  Refresh();
}

void SubtitleOverlay::Refresh() {
  if (!active_) return;
  double seconds = 0;
  try {
    seconds = position_ ? position_() : 0;
  } catch (...) {
    return;  // a player call that fails leaves the lines as they are
  }
  if (!std::isfinite(seconds)) seconds = 0;
  std::vector<PreviewShownLine> lines = PreviewLinesAt(script_, std::llround(seconds * 1000));
  RECT screen{};
  if (IsWindowVisible(panel_) && area_.right > area_.left && area_.bottom > area_.top) {
    screen = area_;
    MapWindowPoints(panel_, nullptr, reinterpret_cast<POINT*>(&screen), 2);
  }
  if (lines == shown_ && (lines.empty() || EqualRect(&screen, &painted_))) return;
  shown_ = std::move(lines);
  Paint(screen);
}

void SubtitleOverlay::Paint(const RECT& screen) {
  const int width = screen.right - screen.left;
  const int height = screen.bottom - screen.top;
  if (shown_.empty() || width <= 0 || height <= 0) {
    ShowWindow(window_, SW_HIDE);
    SetWindowTextW(window_, L"");
    painted_ = RECT{};
    return;
  }
  HDC screenDc = GetDC(nullptr);
  Bitmap out(screenDc, width, height);
  if (!out.Ready()) {
    ReleaseDC(nullptr, screenDc);
    return;
  }
  const double scaleX = width / script_.width;
  const double scaleY = height / script_.height;
  // Lines without a place of their own stack from the bottom up (and from the top down), the first nearest
  // the edge.
  double bottom = height - kMargin * scaleY;
  double top = kMargin * scaleY;
  std::wstring caption;
  for (const PreviewShownLine& line : shown_) {
    const PreviewLook& look = line.look;
    const std::wstring text = DrawnText(line.text);
    caption += (caption.empty() ? L"" : L"\r\n") + text;
    HFONT font = CreateFontW(std::max(1, static_cast<int>(std::lround(look.fontSize * scaleY))), 0, 0, 0,
                             look.bold ? FW_BOLD : FW_NORMAL, look.italic, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                             WideFromUtf8(look.fontName).c_str());
    const HGDIOBJ oldFont = SelectObject(out.Dc(), font);
    RECT measured{0, 0, 0, 0};
    DrawTextW(out.Dc(), text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_NOPREFIX | DT_CENTER);
    SelectObject(out.Dc(), oldFont);
    const int textWidth = measured.right;
    const int textHeight = measured.bottom;
    const double outline = look.outline * scaleY;
    const int shift = static_cast<int>(std::lround(look.shadow * scaleY));
    const int pad = static_cast<int>(std::ceil(outline)) + 1;

    // Where its alignment's point stands, and so where its letters go.
    const int column = (look.alignment - 1) % 3;  // 0 left, 1 centre, 2 right
    const int row = (look.alignment - 1) / 3;     // 0 bottom, 1 middle, 2 top
    double pointX = column == 0 ? kMargin * scaleX : column == 1 ? width / 2.0 : width - kMargin * scaleX;
    double pointY = row == 0 ? bottom : row == 1 ? height / 2.0 : top;
    if (look.x && look.y) {
      pointX = *look.x * scaleX;
      pointY = *look.y * scaleY;
    } else if (row == 0) {
      bottom -= textHeight;
    } else if (row == 2) {
      top += textHeight;
    }
    const int left = static_cast<int>(std::lround(pointX - textWidth * column / 2.0));
    const int textTop = static_cast<int>(std::lround(row == 0   ? pointY - textHeight
                                                     : row == 1 ? pointY - textHeight / 2.0
                                                                : pointY));

    // The letters, white on black, antialiased in grey: their coverage.
    Mask letters{textWidth + 2 * pad + shift, textHeight + 2 * pad + shift, {}};
    {
      Bitmap mask(screenDc, letters.width, letters.height);
      if (mask.Ready()) {
        const HGDIOBJ maskFont = SelectObject(mask.Dc(), font);
        SetBkMode(mask.Dc(), TRANSPARENT);
        SetTextColor(mask.Dc(), RGB(255, 255, 255));
        RECT place{pad, pad, pad + textWidth, pad + textHeight};
        DrawTextW(mask.Dc(), text.c_str(), static_cast<int>(text.size()), &place, DT_NOPREFIX | DT_CENTER);
        GdiFlush();
        letters.cover.resize(static_cast<std::size_t>(letters.width) * letters.height);
        for (std::size_t i = 0; i < letters.cover.size(); ++i) {
          const std::uint32_t pixel = mask.Pixels()[i];
          letters.cover[i] =
              static_cast<std::uint8_t>(std::max({pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF}));
        }
        SelectObject(mask.Dc(), maskFont);
      }
    }
    DeleteObject(font);
    if (letters.cover.empty()) continue;
    const Mask edge = outline > 0 ? Grown(letters, outline) : Mask{};
    const int boxLeft = left - pad;
    const int boxTop = textTop - pad;
    if (shift > 0) Lay(Shifted(outline > 0 ? edge : letters, shift), look.shadowColour, out, boxLeft, boxTop);
    if (outline > 0) Lay(edge, look.outlineColour, out, boxLeft, boxTop);
    Lay(letters, look.colour, out, boxLeft, boxTop);
  }
  POINT source{0, 0};
  POINT destination{screen.left, screen.top};
  SIZE size{width, height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window_, screenDc, &destination, &size, out.Dc(), &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screenDc);
  SetWindowTextW(window_, caption.c_str());
  if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
  painted_ = screen;
}

LRESULT CALLBACK SubtitleOverlay::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* overlay = reinterpret_cast<SubtitleOverlay*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_TIMER:
      if (overlay != nullptr && wParam == kRefreshTimer) {
        overlay->Refresh();
        if (!overlay->moving_ || !overlay->active_) {
          KillTimer(window, kRefreshTimer);
          overlay->timerSet_ = false;
        }
      }
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK SubtitleOverlay::OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR self) {
  const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_WINDOWPOSCHANGED) reinterpret_cast<SubtitleOverlay*>(self)->Refresh();
  return result;
}

}  // namespace titrelle
