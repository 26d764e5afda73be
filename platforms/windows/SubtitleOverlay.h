#pragma once
// The subtitles over the picture on Windows, where the Media Player control draws none of the program's: a
// layered popup window of ours, owned by the main window, laid over the video's area of the panel and
// following it when the main window moves or changes size. What shows at the position, and how it looks,
// is the core's (document/PreviewPicture.h); this paints it with GDI into a bitmap with an alpha per pixel:
// each line's shadow, outline and letters, at the script's size scaled to the area. The popup takes no
// clicks and no focus, and is hidden while nothing shows. Its caption holds the lines shown, one a line.

#include <functional>
#include <vector>

#include "document/PreviewPicture.h"
#include "platforms/windows/Win32Api.h"

namespace titrelle {

class SubtitleOverlay {
 public:
  // `position`: the player's position in seconds, read while there are lines to show.
  SubtitleOverlay(HWND panel, std::function<double()> position);
  ~SubtitleOverlay();
  SubtitleOverlay(const SubtitleOverlay&) = delete;
  SubtitleOverlay& operator=(const SubtitleOverlay&) = delete;

  // Shows what `script` holds at each position, from now on.
  void Show(PreviewScriptLines script);
  void ShowNothing();
  // Whether the play head moves (the video plays): the lines follow it on a timer only then. Either way the
  // timer rings once, for the lines where the play head stands (after a seek, or where it stopped).
  void FollowPlayHead(bool moves);
  // The timer on Handle() that follows the play head 25 times a second.
  static constexpr UINT_PTR kRefreshTimer = 1;
  // The video's area, in the panel's client pixels.
  void Place(const RECT& area);
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
  // The lines at the position, painted again when they or the place changed.
  void Refresh();
  void Paint(const RECT& screen);

  HWND panel_;
  HWND owner_;
  HWND window_ = nullptr;
  std::function<double()> position_;
  RECT area_{};
  PreviewScriptLines script_;
  bool active_ = false;  // a script to show
  bool moving_ = false;  // the play head moves
  bool timerSet_ = false;
  std::vector<PreviewShownLine> shown_;
  RECT painted_{};  // where on the screen the shown lines were painted, empty while hidden
};

}  // namespace titrelle
