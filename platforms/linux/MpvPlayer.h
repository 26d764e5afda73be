#pragma once
// The media player of the desktop program on Linux: libmpv, inside the video panel. On X11 mpv draws the
// picture into a native window of the panel itself, as the plain player draws into its own window: no copy
// of a frame passes through the program. Elsewhere (Wayland, offscreen), or when asked, mpv's software
// renderer draws each frame on a render thread of the program's into a VideoWidget, which the program paints:
// then the frames can be read (ShownFrame), and a frame finished just after a jump back is held back.
//
// Everything here runs on the GUI thread except the render thread, which only draws frames, and mpv's own
// threads, which only wake the render thread or post to the GUI loop. Nothing on the GUI thread waits for
// mpv's core, which can be busy for seconds (reading a large subtitle script, or waiting while the render
// thread lays out a huge line): every command and question goes without waiting and its answer comes back
// as an event, and the rest is the state this layer keeps: the position is mpv's audio clock, asked for
// without waiting and moved on by the steady clock until the answer, or the frame time mpv reports as it
// changes (an observed property). mpv's event queue is read only when mpv has said it holds something. Only
// creating and destroying the player wait for mpv.
//
// mpv needs the C numeric locale: call setlocale(LC_NUMERIC, "C") after the QApplication exists (its
// constructor sets the locale from the environment). The constructor does it too, but the program's
// main() should not rely on that.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "media/MediaPlayer.h"
#include "platforms/linux/MpvSubtitles.h"
#include "platforms/linux/PlaybackClock.h"
#include "platforms/linux/PlayerPanel.h"
#include "platforms/linux/VideoWidget.h"

struct mpv_handle;
struct mpv_render_context;
struct mpv_event;

namespace titrelle {

struct MpvPlayerOptions {
  // mpv's audio outputs, tried in order. The last, "null", plays to nowhere in real time: a machine without
  // a sound device shows the video in silence, in time.
  std::string audioOutput = "pipewire,pulse,alsa,jack,null";
  // Who draws the picture. kNativeWindow where the platform has X11 windows (else it falls back to the
  // other by itself); kDrawnByProgram for what must read the frames shown.
  enum class Picture { kNativeWindow, kDrawnByProgram };
  Picture picture = Picture::kNativeWindow;
  // mpv's video outputs for the native window, tried in order, as its "vo" option takes them: OpenGL where
  // the system has it, else the plain X11 output. Not mpv's own choice: it goes on to outputs that ignore
  // the window they are given and open one of their own (SDL's, which also takes over SIGTERM).
  std::string videoOutput = "gpu,x11";
};

class MpvPlayer final : public QObject, public MediaPlayer {
  Q_OBJECT

 public:
  // Plays into `videoPanel` (the video widget fills it until SetInPlaceRect places it). Throws Error when
  // mpv cannot be started.
  explicit MpvPlayer(QWidget* videoPanel, MpvPlayerOptions options = {});
  ~MpvPlayer() override;

  MpvPlayer(const MpvPlayer&) = delete;
  MpvPlayer& operator=(const MpvPlayer&) = delete;

  void SetURL(const std::filesystem::path& path) override;
  void Stop() override;
  void Play() override;
  void Pause() override;
  double CurrentPosition() override;
  void SetCurrentPosition(double seconds) override;
  std::string CurrentPositionString() override;
  int PlayState() override;
  std::string Status() override;
  bool DrawsSubtitles() const override { return true; }
  bool CannotOpen() override { return state_ == State::kFailed; }
  void SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) override;
  void ShowSubtitles(const std::string& assScript) override;
  void ShowNothing() override;
  void SetTimeline(PlayerTimeline* timeline) override;
  void TimelineMayHaveChanged() override;
  std::span<const AudioPeak> DecodedPeaks() const override;

  // For the panel's transport: the media's length (0 until it is known), the volume (0-100) and muting.
  double Duration() const override { return durationSeconds_; }
  void SetVolume(int percent);
  void SetMuted(bool muted);
  // The panel drawn around the picture: transport, waveform.
  PlayerPanel* Panel() const { return panel_; }

  // For tests and measurements: whether mpv draws into a native window (else the program draws), the widget
  // the video is drawn into, the newest frame the program drew, how many frames it has drawn (none when mpv
  // draws), and mpv's own clock read directly (the audio clock, else the frame time), bypassing what this
  // layer makes of it. PlayerClockSeconds waits for mpv's core: the program never calls it.
  bool DrawsIntoNativeWindow() const { return native_; }
  QWidget* VideoSurface() const { return video_; }
  QImage ShownFrame() const { return frames_->Front(); }
  std::uint64_t FramesShown() const { return frames_->PresentedCount(); }
  void ObserveFrames(VideoFrames::Observer observer) { frames_->SetObserver(std::move(observer)); }
  double PlayerClockSeconds();
  const MpvSubtitles& Subtitles() const { return *subtitles_; }

 private:
  enum class State { kEmpty, kOpening, kStopped, kPaused, kPlaying, kEnded, kFailed };

  void ProcessEvents();
  void HandleEvent(const mpv_event& event);
  void HandleOwnReply(const mpv_event& event);
  void MediaFailed();
  void OnFileLoaded();
  void EnterState(State state);
  // The program hears of the change; the panel shows it (it needs no frame for that).
  void Changed();
  void SetPause(bool pause);
  void IssueSeek(double seconds);
  double LivePosition();
  void AskAudioClock(PlaybackClock::TimePoint now);
  void ForgetAudioClock();
  void RestartClock(double seconds);
  void Unload(State state);

  // The panel follows the picture: once a frame, after the events now waiting.
  void PostFrameShown();
  void RenderLoop();
  void RenderFrame();
  void RequestRender(bool redraw);
  static void OnMpvWakeup(void* self);
  static void OnRenderUpdate(void* self);

  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::unique_ptr<MpvSubtitles> subtitles_;
  std::shared_ptr<VideoFrames> frames_ = std::make_shared<VideoFrames>();
  bool native_ = false;  // mpv draws into video_'s own window; no renderer, no render thread
  QPointer<QWidget> video_;
  QPointer<PlayerPanel> panel_;
  double durationSeconds_ = 0;

  State state_ = State::kEmpty;
  State stateAfterOpening_ = State::kStopped;
  std::uint64_t loadSerial_ = 0;      // counts the media opened: an answer about earlier media is old news
  std::int64_t entryId_ = 0;          // mpv's playlist entry of the media opened last; 0 when none (yet)
  std::int64_t startedEntryId_ = 0;   // the entry mpv is loading or playing
  double heldSeconds_ = 0;            // the position while not playing
  std::optional<double> seekTarget_;  // what reads return until playback has restarted there
  std::optional<double> seekAfterOpening_;
  std::uint64_t seekSerial_ = 0;
  bool seekAcknowledged_ = false;
  PlaybackClock clock_;
  // The last answer about mpv's audio clock. Each question is a round trip to mpv's core, which the clock's
  // thousand ticks a second cannot each afford, and which may take seconds when the core is busy: one
  // answer serves the reads of the next few milliseconds, moved on by the time since (the audio clock runs
  // at the steady clock's speed while playing), and a new question goes when it is that old, one at a time.
  // Without an answer the reading is moved on only a little further: a busy core holds the picture too.
  struct AudioReading {
    double seconds;
    PlaybackClock::TimePoint at;
  };
  std::optional<AudioReading> audioReading_;
  std::uint64_t audioQuestion_ = 0;       // counts the questions asked
  std::uint64_t audioQuestionFloor_ = 0;  // answers to this one and earlier were asked before a restart
  std::optional<PlaybackClock::TimePoint> audioAskedAt_;  // the question on its way, asked then
  // When mpv last had no audio clock to give (none in the media, no device, or the audio not started yet):
  // the frame time serves until it is asked again a little later.
  std::optional<PlaybackClock::TimePoint> noAudioClockSince_;
  // The frame time, observed: mpv says when it changes, which is when a new frame is due, and the clock
  // moves it on from the moment it came in, up to the next frame's time (see PlaybackClock::FromFrameTime).
  struct FrameReading {
    double seconds;
    PlaybackClock::TimePoint seenAt;
  };
  std::optional<FrameReading> frameReading_;
  // The whole second of the last position string: the next position read falls in it, so a string and a
  // position read one after the other never straddle a second.
  std::optional<double> pinnedSecond_;
  PlaybackClock::TimePoint pinnedAt_{};

  // Set by mpv's wake-up: asking mpv for events when there are none costs a timed wait (some 50 us of
  // timer slack), which the clock's many reads a tick cannot afford.
  std::atomic<bool> eventsPending_{false};
  std::atomic<bool> eventsPosted_{false};
  std::atomic<bool> framePosted_{false};
  // Counts the seeks issued: a frame whose drawing began before a seek is not shown (see RenderFrame).
  std::atomic<std::uint64_t> seekEpoch_{0};

  std::mutex renderMutex_;
  std::condition_variable renderWake_;
  bool renderStop_ = false;
  bool renderUpdate_ = false;
  bool renderRedraw_ = false;
  std::thread renderThread_;
};

}  // namespace titrelle
