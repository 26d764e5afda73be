#pragma once
// The player: the Windows Media Player ActiveX control, hosted in the video panel by a small OLE container of
// our own and driven through IWMPPlayer4 and IWMPControls (fetched for each operation), with the timeline
// strip under the picture and the subtitles over it. Every call's result is
// tested; a failing one throws Error. Where the control has no answer for a property (E_NOTIMPL, as under
// emulation), the answer is kept from the control's events and from the program's own calls.

#include "platforms/windows/Win32Api.h"

#include <memory>

#include "media/MediaPlayer.h"
#include "platforms/windows/SubtitleOverlay.h"
#include "platforms/windows/TimelineStrip.h"

struct IOleObject;
struct IWMPPlayer4;
struct IWMPControls;
struct IConnectionPoint;

namespace titrelle {

class WmpPlayer : public MediaPlayer {
 public:
  // `dispatch` runs the program's handlers the timeline's drags call.
  explicit WmpPlayer(HWND panel, TimelineStrip::Dispatch dispatch = {});
  ~WmpPlayer() override;
  WmpPlayer(const WmpPlayer&) = delete;
  WmpPlayer& operator=(const WmpPlayer&) = delete;

  void SetURL(const std::filesystem::path& path) override;
  void Stop() override;
  void Play() override;
  void Pause() override;
  double CurrentPosition() override;
  void SetCurrentPosition(double seconds) override;
  std::string CurrentPositionString() override;
  int PlayState() override;
  std::string Status() override;
  bool CannotOpen() override { return cannotOpen_; }
  // The control draws no script of the program's over its video: a layered window of ours draws the lines
  // over it (SubtitleOverlay.h).
  bool DrawsSubtitles() const override { return true; }
  void ShowSubtitles(const std::string& assScript) override;
  void ShowNothing() override;
  void SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) override;
  // The timeline under the picture (TimelineStrip.h) shows these lines and marks.
  void SetTimeline(PlayerTimeline* timeline) override { strip_->SetTimeline(timeline); }
  // After each of the program's events the strip looks at once, as the lines it shows may have changed (a
  // resume loads them while its own timer waits behind the opening video's messages).
  void TimelineMayHaveChanged() override {
    if (strip_) strip_->Recompose();
  }
  // The sound's peaks the strip decoded, for F9 and F10 to land on the speech.
  std::span<const AudioPeak> DecodedPeaks() const override { return strip_->Track().peaks; }

  // From the control's events.
  void PlayStateChanged(int state) {
    TrackState(state);
    StateChanged();  // opened, playing, paused, ended: the program's clock looks at once
  }
  // A seek while paused (by the control's own bar, say) changes no play state; the position label follows it
  // at once all the same.
  void PositionChanged() {
    if (overlay_) overlay_->FollowPlayHead(TimelineStrip::PlayHeadMoves(trackedState_));
    StateChanged();
  }

 private:
  class Site;
  class Events;
  IWMPControls* Controls();  // a new reference, released by the caller
  // The state the program asked for or the control told; the strip follows the play head while it plays.
  void TrackState(int state) {
    trackedState_ = state;
    if (strip_) strip_->FollowPlayState(state);
    if (overlay_) overlay_->FollowPlayHead(TimelineStrip::PlayHeadMoves(state));
  }
  void PlaceInPixels(int left, int top, int right, int bottom, int clipRight, int clipBottom);
  void Shutdown();

  HWND panel_;
  Site* site_ = nullptr;
  Events* events_ = nullptr;
  IOleObject* object_ = nullptr;
  IWMPPlayer4* player_ = nullptr;
  IConnectionPoint* connection_ = nullptr;
  DWORD cookie_ = 0;
  bool hasMedia_ = false;
  bool cannotOpen_ = false;  // the last media given is no file the control can open
  int trackedState_ = 0;  // wmppsUndefined
  HRESULT playFailure_ = S_OK;  // how the control failed to play the media given last
  std::unique_ptr<TimelineStrip> strip_;
  std::unique_ptr<SubtitleOverlay> overlay_;
};

}  // namespace titrelle
