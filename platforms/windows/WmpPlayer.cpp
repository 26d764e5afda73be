#include "platforms/windows/WmpPlayer.h"

#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
// The control's GUIDs are declared by wmp.h and defined by no library: this file defines them, once.
#include <initguid.h>
#include <wmp.h>
#include <wmpids.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platforms/windows/WinText.h"
#include "base/Error.h"

namespace titrelle {

namespace {

const char kPlayerStartFailed[] = "\xB2\xA5\xB7\xC5\xC6\xF7\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF";  // 播放器无法启动
// 本程序需要 Windows Media Player 组件来播放视频，但此系统上没有该组件。请在“设置 > 应用 > 可选功能”中添加“Windows Media Player”后重新启动本程序；Windows N 版需先安装微软的“媒体功能包”(Media Feature Pack)
// (no full stop at its end: the error report adds none after the closing bracket)
const char kPlayerMissing[] =
    "\xB1\xBE\xB3\xCC\xD0\xF2\xD0\xE8\xD2\xAA Windows Media Player \xD7\xE9\xBC\xFE\xC0\xB4\xB2\xA5\xB7\xC5\xCA\xD3\xC6\xB5\xA3\xAC\xB5\xAB\xB4\xCB\xCF\xB5\xCD\xB3\xC9\xCF\xC3\xBB\xD3\xD0\xB8\xC3\xD7\xE9\xBC\xFE\xA1\xA3\xC7\xEB\xD4\xDA\xA1\xB0\xC9\xE8\xD6\xC3 > \xD3\xA6\xD3\xC3 > \xBF\xC9\xD1\xA1\xB9\xA6\xC4\xDC\xA1\xB1\xD6\xD0\xCC\xED\xBC\xD3\xA1\xB0Windows Media Player\xA1\xB1\xBA\xF3\xD6\xD8\xD0\xC2\xC6\xF4\xB6\xAF\xB1\xBE\xB3\xCC\xD0\xF2\xA3\xBBWindows N \xB0\xE6\xD0\xE8\xCF\xC8\xB0\xB2\xD7\xB0\xCE\xA2\xC8\xED\xB5\xC4\xA1\xB0\xC3\xBD\xCC\xE5\xB9\xA6\xC4\xDC\xB0\xFC\xA1\xB1(Media Feature Pack)";
const char kPlayerCallFailed[] = "\xB2\xA5\xB7\xC5\xC6\xF7\xB2\xD9\xD7\xF7\xCA\xA7\xB0\xDC";   // 播放器操作失败

enum PlayStates { kUndefined = 0, kStopped = 1, kPaused = 2, kPlaying = 3, kReady = 10 };

std::string Describe(const char* operation, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  return std::string(operation) + " " + code + ": " + SystemMessage(static_cast<unsigned long>(result));
}

void Check(HRESULT result, const char* operation) {
  if (FAILED(result)) throw Error(std::string(kPlayerCallFailed) + " (" + Describe(operation, result) + ")");
}

void CheckStart(HRESULT result, const char* operation) {
  if (FAILED(result)) throw Error(std::string(kPlayerStartFailed) + " (" + Describe(operation, result) + ")");
}

template <class Interface>
void ReleaseAndClear(Interface*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

// A reference released on every path out.
template <class Interface>
class Held {
 public:
  explicit Held(Interface* pointer = nullptr) : pointer_(pointer) {}
  ~Held() { ReleaseAndClear(pointer_); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  Interface* operator->() const { return pointer_; }
  Interface** Out() { return &pointer_; }
  Interface* get() const { return pointer_; }

 private:
  Interface* pointer_;
};

std::string FormatPosition(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const long long whole = static_cast<long long>(std::floor(seconds));
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", whole / 3600, static_cast<int>(whole / 60 % 60),
                  static_cast<int>(whole % 60));
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(whole / 60), static_cast<int>(whole % 60));
  }
  return text;
}

}  // namespace

// The container: client site, in-place site (with the Ex interface, without which some hosts' controls never
// activate in place) and a frame that offers no menus, tools or status bar.
class WmpPlayer::Site : public IOleClientSite, public IOleInPlaceSiteEx, public IOleInPlaceFrame {
 public:
  explicit Site(HWND panel) : panel_(panel) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx) {
      *out = static_cast<IOleInPlaceSiteEx*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the site and the frame alike
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = panel_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override {
    if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(panel_, position);
    *clip = RECT{0, 0, 32767, 32767};
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = GetAncestor(panel_, GA_ROOT);
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceSiteEx
  STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override {
    if (noRedraw) *noRedraw = FALSE;
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return S_OK; }
  STDMETHODIMP RequestUIActivate() override { return S_OK; }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  virtual ~Site() = default;
  HWND panel_;
  ULONG references_ = 1;
};

// The control's events: the play state, for a control whose playState property has no answer.
class WmpPlayer::Events : public IDispatch {
 public:
  explicit Events(WmpPlayer* player) : player_(player) {}
  void Detach() { player_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID__WMPOCXEvents) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id == DISPID_WMPCOREEVENT_POSITIONCHANGE && player_) player_->PositionChanged();
    if (id != DISPID_WMPCOREEVENT_PLAYSTATECHANGE || !player_ || !parameters || parameters->cArgs < 1) return S_OK;
    VARIANT state;
    VariantInit(&state);
    // The state comes as VT_I4 from some controls and VT_UI4 from others.
    if (SUCCEEDED(VariantChangeType(&state, &parameters->rgvarg[0], 0, VT_I4))) player_->PlayStateChanged(state.lVal);
    VariantClear(&state);
    return S_OK;
  }

 private:
  virtual ~Events() = default;
  WmpPlayer* player_;
  ULONG references_ = 1;
};

WmpPlayer::WmpPlayer(HWND panel, TimelineStrip::Dispatch dispatch) : panel_(panel) {
  try {
    if (FAILED(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&object_)))) {
      // No control to make: the system lacks the component (the "N" editions without the Media Feature Pack).
      throw Error(kPlayerMissing);
    }
    site_ = new Site(panel);
    CheckStart(object_->SetClientSite(site_), "SetClientSite");
    RECT area{};
    GetClientRect(panel, &area);
    CheckStart(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, panel, &area), "DoVerb");
    CheckStart(object_->QueryInterface(IID_IWMPPlayer4, reinterpret_cast<void**>(&player_)), "IWMPPlayer4");
    // The events are the fallback for what the properties cannot tell; a control without them still plays.
    Held<IConnectionPointContainer> points;
    if (SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(points.Out()))) &&
        SUCCEEDED(points->FindConnectionPoint(IID__WMPOCXEvents, &connection_))) {
      events_ = new Events(this);
      if (FAILED(connection_->Advise(events_, &cookie_))) {
        cookie_ = 0;
        ReleaseAndClear(connection_);
      }
    }
    // The timeline reads the position only while there is media; a seek that fails leaves it where it was.
    strip_ = std::make_unique<TimelineStrip>(
        panel, [this] { return hasMedia_ ? CurrentPosition() : 0.0; },
        [this](double seconds) {
          try {
            if (hasMedia_) SetCurrentPosition(seconds);
          } catch (const Error&) {
          }
        },
        std::move(dispatch));
    overlay_ = std::make_unique<SubtitleOverlay>(panel, [this] { return hasMedia_ ? CurrentPosition() : 0.0; });
    PlaceInPixels(0, 0, area.right, area.bottom, 32767, 32767);
  } catch (...) {
    Shutdown();
    throw;
  }
}

WmpPlayer::~WmpPlayer() { Shutdown(); }

void WmpPlayer::Shutdown() {
  overlay_.reset();
  strip_.reset();
  // Taking the control down: a step that fails leaves nothing else to do, so the results are not looked at.
  if (connection_ && cookie_) connection_->Unadvise(cookie_);
  ReleaseAndClear(connection_);
  if (events_) {
    events_->Detach();
    ReleaseAndClear(events_);
  }
  ReleaseAndClear(player_);
  if (object_) {
    Held<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlace.Out()))))
      inPlace->InPlaceDeactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  ReleaseAndClear(object_);
  ReleaseAndClear(site_);
}

IWMPControls* WmpPlayer::Controls() {
  IWMPControls* controls = nullptr;
  Check(player_->get_controls(&controls), "controls");
  if (!controls) throw Error(std::string(kPlayerCallFailed) + " (controls)");
  return controls;
}

void WmpPlayer::SetURL(const std::filesystem::path& path) {
  BSTR url = SysAllocString(path.wstring().c_str());
  if (!url) throw Error(std::string(kPlayerCallFailed) + " (URL)");
  const HRESULT result = player_->put_URL(url);
  SysFreeString(url);
  Check(result, "URL");
  hasMedia_ = true;
  playFailure_ = S_OK;
  TrackState(kReady);
  // The control finds out too, later and in its own words; a name that is no file is known at once.
  std::error_code error;
  cannotOpen_ = !std::filesystem::is_regular_file(path, error);
  strip_->Load(path);
}

void WmpPlayer::Stop() {
  Held<IWMPControls> controls(Controls());
  Check(controls->stop(), "controls.stop");
  TrackState(kStopped);
}

void WmpPlayer::Play() {
  Held<IWMPControls> controls(Controls());
  if (FAILED(playFailure_)) Check(playFailure_, "controls.play");
  // A control with no audio device at hand answers its first play "not implemented" and plays the second
  // time. After any other failure the control is in no state to be asked again (it faults): the failure
  // stands for this media.
  HRESULT result = controls->play();
  if (result == E_NOTIMPL) result = controls->play();
  if (FAILED(result) && result != E_NOTIMPL) playFailure_ = result;
  Check(result, "controls.play");
  TrackState(kPlaying);
}

void WmpPlayer::Pause() {
  Held<IWMPControls> controls(Controls());
  const HRESULT result = controls->pause();
  if (result == E_NOTIMPL) {
    // A control that cannot pause is stopped where it is and left there, so that play goes on from that point.
    double seconds = 0;
    Check(controls->get_currentPosition(&seconds), "controls.currentPosition");
    Check(controls->stop(), "controls.stop");
    Check(controls->put_currentPosition(seconds), "controls.currentPosition");
  } else {
    Check(result, "controls.pause");
  }
  TrackState(kPaused);
}

double WmpPlayer::CurrentPosition() {
  Held<IWMPControls> controls(Controls());
  double seconds = 0;
  Check(controls->get_currentPosition(&seconds), "controls.currentPosition");
  return seconds;
}

void WmpPlayer::SetCurrentPosition(double seconds) {
  Held<IWMPControls> controls(Controls());
  Check(controls->put_currentPosition(seconds), "controls.currentPosition");
  // The lines over the picture look once where the play head now stands.
  overlay_->FollowPlayHead(TimelineStrip::PlayHeadMoves(trackedState_));
}

std::string WmpPlayer::CurrentPositionString() {
  Held<IWMPControls> controls(Controls());
  BSTR text = nullptr;
  const HRESULT result = controls->get_currentPositionString(&text);
  if (result == E_NOTIMPL) {
    // Made from the position, as the control makes it.
    if (!hasMedia_ || trackedState_ == kUndefined) return {};
    double seconds = 0;
    Check(controls->get_currentPosition(&seconds), "controls.currentPosition");
    return FormatPosition(seconds);
  }
  Check(result, "controls.currentPositionString");
  const std::string position = text ? Cp936FromWide(text) : std::string();
  SysFreeString(text);
  return position;
}

int WmpPlayer::PlayState() {
  WMPPlayState state = wmppsUndefined;
  const HRESULT result = player_->get_playState(&state);
  if (result == E_NOTIMPL) return trackedState_;
  Check(result, "playState");
  return static_cast<int>(state);
}

std::string WmpPlayer::Status() {
  BSTR text = nullptr;
  const HRESULT result = player_->get_status(&text);
  if (result == E_NOTIMPL) {
    // The words the control shows for the states the program can know of.
    switch (trackedState_) {
      case kStopped:
        return "Stopped";
      case kPaused:
        return "Paused";
      case kPlaying:
        return "Playing";
      case kReady:
        return "Ready";
      default:
        return {};
    }
  }
  Check(result, "status");
  const std::string status = text ? Cp936FromWide(text) : std::string();
  SysFreeString(text);
  return status;
}

void WmpPlayer::ShowSubtitles(const std::string& assScript) { overlay_->Show(ReadPreviewScript(assScript)); }

void WmpPlayer::ShowNothing() { overlay_->ShowNothing(); }

void WmpPlayer::SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) {
  // The program's rectangle is in the table's pixels (96 DPI); the panel's are the monitor's.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto forWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const int dpi = forWindow ? static_cast<int>(forWindow(panel_)) : 96;
  if (dpi > 0 && dpi != 96) {
    left = MulDiv(left, dpi, 96);
    top = MulDiv(top, dpi, 96);
    right = MulDiv(right, dpi, 96);
    bottom = MulDiv(bottom, dpi, 96);
  }
  PlaceInPixels(left, top, right, bottom, clipRight, clipBottom);
}

void WmpPlayer::PlaceInPixels(int left, int top, int right, int bottom, int clipRight, int clipBottom) {
  // The timeline takes the bottom of the picture's place, at the monitor's scale.
  if (strip_) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const int dpi = forWindow ? static_cast<int>(forWindow(panel_)) : 96;
    const int height = std::min(MulDiv(TimelineStrip::kHeight, dpi > 0 ? dpi : 96, 96), std::max(bottom - top, 0));
    bottom -= height;
    strip_->Place(left, bottom, right - left, height);
  }
  if (overlay_) overlay_->Place(RECT{left, top, right, bottom});
  Held<IOleInPlaceObject> inPlace;
  Check(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlace.Out())), "IOleInPlaceObject");
  const RECT position{left, top, right, bottom};
  const RECT clip{0, 0, clipRight, clipBottom};
  Check(inPlace->SetObjectRects(&position, &clip), "SetObjectRects");
}

}  // namespace titrelle
