#include "platforms/linux/MpvPlayer.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <pthread.h>

#include <QGuiApplication>
#include <QMetaObject>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "base/Cp936.h"
#include "base/Error.h"
#include "platforms/linux/AudioPeaks.h"

namespace titrelle {
namespace {

// Status texts, code page 936.
const char kOpeningText[] = "\xD5\xFD\xD4\xDA\xB4\xF2\xBF\xAA";                     // 正在打开
const char kPlayingText[] = "\xD5\xFD\xD4\xDA\xB2\xA5\xB7\xC5";                     // 正在播放
const char kPausedText[] = "\xD2\xD1\xD4\xDD\xCD\xA3";                              // 已暂停
const char kStoppedText[] = "\xD2\xD1\xCD\xA3\xD6\xB9";                             // 已停止
const char kCannotOpenText[] = "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE";  // 无法打开文件
// Error messages, code page 936.
const char kPlayerStartFailed[] =
    "\xB2\xA5\xB7\xC5\xC6\xF7\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF";  // 播放器无法启动
const char kPlayerCallFailed[] =
    "\xB2\xA5\xB7\xC5\xC6\xF7\xB2\xD9\xD7\xF7\xCA\xA7\xB0\xDC";  // 播放器操作失败

// Play states as the program knows them from the desktop player.
constexpr int kPlayStateUndefined = 0;
constexpr int kPlayStateStopped = 1;
constexpr int kPlayStatePaused = 2;
constexpr int kPlayStateTransitioning = 9;

// A position string is good for the position read right after it only this long.
constexpr auto kPinLifetime = std::chrono::milliseconds(5);
// An answer about mpv's audio clock serves the reads that follow it this closely; then the next question
// goes. More often costs mpv's core more; less often, a stall of the audio output shows that much later.
constexpr auto kAudioReadingLifetime = std::chrono::milliseconds(10);
// With no newer answer (mpv's core busy), an answer is moved on this far at most, then held: about what an
// answer late by a frame would need.
constexpr auto kAudioReadingReach = std::chrono::milliseconds(50);
// How long the frame time stands in for an audio clock mpv did not have, before mpv is asked again.
constexpr auto kNoAudioClockRecheck = std::chrono::milliseconds(50);

enum ObservedProperty : std::uint64_t { kEofReached = 1, kTimePos = 2 };

// Answers to the player's own calls about the media carry what they answer in the top bits of their user
// data and the media they are about (the count of media opened) below. Seeks carry their serial alone, the
// subtitles a tag of their own (MpvSubtitles::kReplyTag), which these never match.
enum ReplyKind : std::uint64_t {
  kSeekReply = 0,
  kLoadReply = 1,
  kFrameRateReply = 2,
  kDurationReply = 3,
  kAudioClockReply = 4,
};
constexpr int kReplyKindShift = 60;
constexpr std::uint64_t kReplySerialMask = (std::uint64_t{1} << 52) - 1;

std::uint64_t ReplyTag(ReplyKind kind, std::uint64_t serial) {
  return (std::uint64_t{kind} << kReplyKindShift) | (serial & kReplySerialMask);
}

ReplyKind KindOf(std::uint64_t userdata) { return static_cast<ReplyKind>(userdata >> kReplyKindShift); }

// A command made of texts, as mpv_command_node_async takes it; the texts must outlive the call only.
class TextCommand {
 public:
  explicit TextCommand(std::initializer_list<const char*> words) {
    for (const char* word : words) {
      mpv_node item;
      item.format = MPV_FORMAT_STRING;
      item.u.string = const_cast<char*>(word);
      items_.push_back(item);
    }
    list_.num = static_cast<int>(items_.size());
    list_.values = items_.data();
    list_.keys = nullptr;
    node_.format = MPV_FORMAT_NODE_ARRAY;
    node_.u.list = &list_;
  }
  mpv_node* Node() { return &node_; }

 private:
  std::vector<mpv_node> items_;
  mpv_node_list list_{};
  mpv_node node_{};
};

void CheckMpv(int result) {
  if (result < 0) throw Error(std::string(kPlayerCallFailed) + ": " + mpv_error_string(result));
}

// Whether mpv can draw into a window of the program's: X11 windows only (not Wayland's, nor offscreen).
bool NativeWindowsHere() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

}  // namespace

MpvPlayer::MpvPlayer(QWidget* videoPanel, MpvPlayerOptions options)
    : native_(options.picture == MpvPlayerOptions::Picture::kNativeWindow && NativeWindowsHere()) {
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = mpv_create();
  if (mpv_ == nullptr) throw Error(kPlayerStartFailed);
  auto option = [this](const char* name, const char* value) { mpv_set_option_string(mpv_, name, value); };

  // The picture sits in the panel, above the panel's waveform and transport. A native window mpv draws into
  // must exist, at its place, before mpv starts.
  panel_ = new PlayerPanel(videoPanel, *this);
  if (native_) {
    // Qt would otherwise make the picture's siblings native windows too, and with them the panel, and the
    // panel's siblings: every part of the main window flushed to the X server on its own.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    video_ = new NativeVideoWindow(panel_);
  } else {
    video_ = new VideoWidget(panel_, frames_);
  }
  panel_->SetPicture(video_);
  if (videoPanel != nullptr) panel_->setGeometry(videoPanel->rect());
  const auto fail = [this] {
    mpv_terminate_destroy(mpv_);
    delete panel_.data();
    throw Error(kPlayerStartFailed);
  };

  if (native_) {
    std::int64_t window = static_cast<std::int64_t>(video_->winId());
    mpv_set_option(mpv_, "wid", MPV_FORMAT_INT64, &window);
    if (!options.videoOutput.empty()) option("vo", options.videoOutput.c_str());
    // Clicks and keys on the picture are the program's: mpv's window takes neither, so they reach the
    // program's window under it. The pointer stays as the desktop shows it.
    option("input-cursor", "no");
    option("cursor-autohide", "no");
  } else {
    option("vo", "libmpv");
  }
  option("ao", options.audioOutput.c_str());
  // Opened media stays stopped until the program says play.
  option("pause", "yes");
  // At the end the last frame stays and the media stays loaded for a seek back. mpv does not pause there
  // by itself: a seek back that races with the end (the replay of a segment near the end) plays on.
  option("keep-open", "yes");
  option("keep-open-pause", "no");
  option("idle", "yes");
  option("hr-seek", "yes");
  // The subtitle file being written lies beside the video under its base name: never load it.
  option("sub-auto", "no");
  option("audio-file-auto", "no");
  option("osd-level", "0");
  option("osc", "no");
  option("load-scripts", "no");
  option("ytdl", "no");
  // mpv's built-in scripts each run a thread of their own that every event of the player wakes; the
  // program uses none of them (an mpv without one of these options refuses it, and that is all).
  option("load-stats-overlay", "no");
  option("load-osd-console", "no");
  option("load-auto-profiles", "no");
  option("config", "no");
  option("input-default-bindings", "no");
  option("input-vo-keyboard", "no");
  option("resume-playback", "no");
  option("terminal", "no");
  if (mpv_initialize(mpv_) < 0) fail();
  if (!native_) {
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&render_, mpv_, params) < 0) fail();
  }
  subtitles_ = std::make_unique<MpvSubtitles>(mpv_);
  mpv_observe_property(mpv_, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);

  panel_->show();
  if (!native_) {
    frames_->SetTargetSize(video_->size() * video_->devicePixelRatioF());
    connect(static_cast<VideoWidget*>(video_.data()), &VideoWidget::Resized, this, [this] { RequestRender(true); });
    renderThread_ = std::thread([this] { RenderLoop(); });
    pthread_setname_np(renderThread_.native_handle(), "titrelle/render");  // for profilers and top -H
    mpv_render_context_set_update_callback(render_, &MpvPlayer::OnRenderUpdate, this);
  }
  mpv_set_wakeup_callback(mpv_, &MpvPlayer::OnMpvWakeup, this);
  eventsPending_ = true;  // whatever mpv queued before the wake-up was in place
}

MpvPlayer::~MpvPlayer() {
  // Nothing may call back into this object once it starts going: first mpv's wake-ups, then the render
  // thread, then the renderer, and only then mpv itself.
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  if (render_ != nullptr) {
    {
      std::lock_guard lock(renderMutex_);
      renderStop_ = true;
    }
    renderWake_.notify_one();
    renderThread_.join();
    mpv_render_context_set_update_callback(render_, nullptr, nullptr);
    mpv_render_context_free(render_);
  }
  mpv_terminate_destroy(mpv_);
  delete panel_.data();  // and the picture in it
}

// ---- Transport ----

void MpvPlayer::SetURL(const std::filesystem::path& path) {
  ProcessEvents();
  // The system's own name, as mpv opens files: no conversion.
  const std::string utf8 = path.string();
  std::error_code error;
  durationSeconds_ = 0;
  ++loadSerial_;  // whatever mpv still has to say about the media before is old news
  if (utf8.empty() || !std::filesystem::is_regular_file(path, error)) {
    // mpv would find out too, a moment later; saying so at once keeps the old media from playing on.
    Unload(State::kFailed);
    if (panel_) panel_->MediaOpened({});
    return;
  }
  if (panel_) panel_->MediaOpened(path);
  SetPause(true);
  // mpv answers with the playlist entry it made before it starts on the file (the command only queues the
  // file), so the entry is known before any event about it comes in.
  TextCommand load({"loadfile", utf8.c_str(), "replace"});
  CheckMpv(mpv_command_node_async(mpv_, ReplyTag(kLoadReply, loadSerial_), load.Node()));
  entryId_ = 0;
  subtitles_->MediaGone();
  seekTarget_.reset();
  seekAfterOpening_.reset();
  pinnedSecond_.reset();
  heldSeconds_ = 0;
  stateAfterOpening_ = State::kStopped;
  EnterState(State::kOpening);
}

void MpvPlayer::Stop() {
  ProcessEvents();
  pinnedSecond_.reset();
  switch (state_) {
    case State::kOpening:
      // It opens at the start anyway.
      stateAfterOpening_ = State::kStopped;
      seekAfterOpening_.reset();
      seekTarget_.reset();
      return;
    case State::kStopped:
    case State::kPaused:
    case State::kPlaying:
    case State::kEnded:
      SetPause(true);
      heldSeconds_ = 0;
      IssueSeek(0);
      EnterState(State::kStopped);
      return;
    case State::kEmpty:
    case State::kFailed:
      return;
  }
}

void MpvPlayer::Play() {
  ProcessEvents();
  pinnedSecond_.reset();
  switch (state_) {
    case State::kOpening:
      stateAfterOpening_ = State::kPlaying;
      return;
    case State::kEnded:
      // Like the desktop player: play after the end starts again from the start.
      heldSeconds_ = 0;
      IssueSeek(0);
      [[fallthrough]];
    case State::kStopped:
    case State::kPaused:
      SetPause(false);
      RestartClock(seekTarget_.value_or(heldSeconds_));
      EnterState(State::kPlaying);
      return;
    case State::kPlaying:
    case State::kEmpty:
    case State::kFailed:
      return;
  }
}

void MpvPlayer::Pause() {
  ProcessEvents();
  pinnedSecond_.reset();
  switch (state_) {
    case State::kOpening:
      stateAfterOpening_ = State::kPaused;
      return;
    case State::kPlaying: {
      // Hold what the program read last: a read after the pause gives the same position as the one before.
      const double position = CurrentPosition();
      SetPause(true);
      heldSeconds_ = position;
      EnterState(State::kPaused);
      return;
    }
    default:
      return;
  }
}

double MpvPlayer::CurrentPosition() {
  ProcessEvents();
  double position = 0;
  switch (state_) {
    case State::kEmpty:
    case State::kFailed:
      return 0;
    case State::kOpening:
      return seekAfterOpening_.value_or(0);
    case State::kStopped:
    case State::kPaused:
    case State::kEnded:
      position = heldSeconds_;
      break;
    case State::kPlaying:
      position = seekTarget_ ? *seekTarget_ : LivePosition();
      break;
  }
  if (pinnedSecond_) {
    if (PlaybackClock::TimePoint::clock::now() - pinnedAt_ < kPinLifetime) {
      position = std::clamp(position, *pinnedSecond_, *pinnedSecond_ + 0.9999);
    }
    pinnedSecond_.reset();
  }
  return position;
}

void MpvPlayer::SetCurrentPosition(double seconds) {
  ProcessEvents();
  if (!std::isfinite(seconds)) return;
  // A position past the end is the end, as the program reads it back: mpv itself would report the target.
  seconds = std::max(seconds, 0.0);
  if (durationSeconds_ > 0) seconds = std::min(seconds, durationSeconds_);
  pinnedSecond_.reset();
  switch (state_) {
    case State::kEmpty:
    case State::kFailed:
      return;
    case State::kOpening:
      seekAfterOpening_ = seconds;
      return;
    case State::kEnded:
      // Moving the position after the end stops the player there, as on the desktop.
      heldSeconds_ = seconds;
      IssueSeek(seconds);
      EnterState(State::kStopped);
      return;
    case State::kStopped:
    case State::kPaused:
      heldSeconds_ = seconds;
      IssueSeek(seconds);
      return;
    case State::kPlaying:
      IssueSeek(seconds);
      return;
  }
}

std::string MpvPlayer::CurrentPositionString() {
  ProcessEvents();
  if (state_ == State::kEmpty || state_ == State::kFailed || state_ == State::kOpening) return {};
  const double position = CurrentPosition();
  if (state_ == State::kPlaying && !seekTarget_) {
    pinnedSecond_ = std::floor(position);
    pinnedAt_ = PlaybackClock::TimePoint::clock::now();
  }
  return FormatPositionString(position);
}

int MpvPlayer::PlayState() {
  ProcessEvents();
  switch (state_) {
    case State::kEmpty:
    case State::kFailed:
      return kPlayStateUndefined;
    case State::kOpening:
      return kPlayStateTransitioning;
    case State::kStopped:
    case State::kEnded:
      return kPlayStateStopped;
    case State::kPaused:
      return kPlayStatePaused;
    case State::kPlaying:
      return kPlayStatePlaying;
  }
  return kPlayStateUndefined;
}

std::string MpvPlayer::Status() {
  ProcessEvents();
  switch (state_) {
    case State::kEmpty:
      return {};
    case State::kOpening:
      return kOpeningText;
    case State::kStopped:
    case State::kEnded:
      return kStoppedText;
    case State::kPaused:
      return kPausedText;
    case State::kPlaying:
      return kPlayingText;
    case State::kFailed:
      return kCannotOpenText;
  }
  return {};
}

void MpvPlayer::SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) {
  // The whole control is placed: the panel lays out the picture, waveform and transport inside.
  if (panel_ == nullptr) return;
  const QRect placement(QPoint(left, top), QSize(std::max(right - left, 0), std::max(bottom - top, 0)));
  panel_->setGeometry(placement);
  const QRect clip = QRect(0, 0, clipRight, clipBottom).intersected(placement);
  if (clip == placement) {
    panel_->clearMask();
  } else {
    panel_->setMask(QRegion(clip.translated(-placement.topLeft())));
  }
}

void MpvPlayer::ShowSubtitles(const std::string& assScript) {
  ProcessEvents();
  subtitles_->Show(assScript);
}

void MpvPlayer::ShowNothing() {
  ProcessEvents();
  subtitles_->ShowNothing();
}

std::span<const AudioPeak> MpvPlayer::DecodedPeaks() const {
  if (panel_ == nullptr) return {};
  return panel_->Peaks()->Track().peaks;
}

void MpvPlayer::SetTimeline(PlayerTimeline* timeline) {
  if (panel_) panel_->SetTimeline(timeline);
}

void MpvPlayer::TimelineMayHaveChanged() {
  if (panel_) panel_->RefreshSoon();
}

void MpvPlayer::Changed() {
  StateChanged();
  if (panel_) panel_->RefreshSoon();
}

void MpvPlayer::SetVolume(int percent) {
  double volume = std::clamp(percent, 0, 100);
  mpv_set_property_async(mpv_, 0, "volume", MPV_FORMAT_DOUBLE, &volume);
}

void MpvPlayer::SetMuted(bool muted) {
  int flag = muted ? 1 : 0;
  mpv_set_property_async(mpv_, 0, "mute", MPV_FORMAT_FLAG, &flag);
}

double MpvPlayer::PlayerClockSeconds() {
  double seconds = 0;
  if (mpv_get_property(mpv_, "audio-pts", MPV_FORMAT_DOUBLE, &seconds) >= 0) return seconds;
  if (mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0) return seconds;
  return 0;
}

// ---- State ----

void MpvPlayer::EnterState(State state) {
  if (std::exchange(state_, state) != state) Changed();
}

void MpvPlayer::SetPause(bool pause) {
  // mpv runs what it is asked in the order asked: a seek or a load after this finds the pause in place.
  int flag = pause ? 1 : 0;
  CheckMpv(mpv_set_property_async(mpv_, 0, "pause", MPV_FORMAT_FLAG, &flag));
}

void MpvPlayer::IssueSeek(double seconds) {
  // The replay seeks to the same start again and again while a seek is still on its way: one is enough.
  if (seekTarget_ && *seekTarget_ == seconds) return;
  seekTarget_ = seconds;
  seekAcknowledged_ = false;
  frameReading_.reset();
  ForgetAudioClock();
  ++seekSerial_;
  ++seekEpoch_;
  mpv_node items[3];
  items[0].format = MPV_FORMAT_STRING;
  items[0].u.string = const_cast<char*>("seek");
  items[1].format = MPV_FORMAT_DOUBLE;
  items[1].u.double_ = seconds;
  items[2].format = MPV_FORMAT_STRING;
  items[2].u.string = const_cast<char*>("absolute+exact");
  mpv_node_list list{3, items, nullptr};
  mpv_node command;
  command.format = MPV_FORMAT_NODE_ARRAY;
  command.u.list = &list;
  CheckMpv(mpv_command_node_async(mpv_, ReplyTag(kSeekReply, seekSerial_), &command));
}

double MpvPlayer::LivePosition() {
  using SteadyClock = PlaybackClock::TimePoint::clock;
  const auto now = SteadyClock::now();
  if (noAudioClockSince_ && now - *noAudioClockSince_ >= kNoAudioClockRecheck) noAudioClockSince_.reset();
  if (!noAudioClockSince_) {
    if (!audioAskedAt_ && (!audioReading_ || now - audioReading_->at >= kAudioReadingLifetime)) {
      AskAudioClock(now);
    }
    if (audioReading_) {
      const auto since = std::clamp(now - audioReading_->at, SteadyClock::duration::zero(),
                                    std::chrono::duration_cast<SteadyClock::duration>(kAudioReadingReach));
      return clock_.FromAudio(audioReading_->seconds + std::chrono::duration<double>(since).count());
    }
  }
  // Nothing told since playback (re)started: where it restarted.
  if (!frameReading_) return clock_.Last();
  return clock_.FromFrameTime(frameReading_->seconds, frameReading_->seenAt, now);
}

void MpvPlayer::AskAudioClock(PlaybackClock::TimePoint now) {
  if (mpv_get_property_async(mpv_, ReplyTag(kAudioClockReply, ++audioQuestion_), "audio-pts",
                             MPV_FORMAT_DOUBLE) >= 0) {
    audioAskedAt_ = now;
  }
}

void MpvPlayer::ForgetAudioClock() {
  audioReading_.reset();
  audioQuestionFloor_ = audioQuestion_;
}

void MpvPlayer::RestartClock(double seconds) {
  clock_.Restart(seconds);
  frameReading_.reset();
  ForgetAudioClock();
  noAudioClockSince_.reset();
}

void MpvPlayer::Unload(State state) {
  if (state_ != State::kEmpty && state_ != State::kFailed) {
    const char* command[] = {"stop", nullptr};
    mpv_command_async(mpv_, 0, command);
  }
  entryId_ = 0;
  subtitles_->MediaGone();
  seekTarget_.reset();
  seekAfterOpening_.reset();
  pinnedSecond_.reset();
  heldSeconds_ = 0;
  EnterState(state);
}

void MpvPlayer::MediaFailed() {
  entryId_ = 0;
  subtitles_->MediaGone();
  seekTarget_.reset();
  seekAfterOpening_.reset();
  heldSeconds_ = 0;
  EnterState(State::kFailed);
}

void MpvPlayer::OnFileLoaded() {
  std::optional<double> seek = std::exchange(seekAfterOpening_, std::nullopt);
  if (seek && durationSeconds_ > 0) seek = std::min(*seek, durationSeconds_);
  heldSeconds_ = seek.value_or(0);
  if (seek) IssueSeek(*seek);
  switch (stateAfterOpening_) {
    case State::kPlaying:
      SetPause(false);
      RestartClock(heldSeconds_);
      EnterState(State::kPlaying);
      break;
    case State::kPaused:
      EnterState(State::kPaused);
      break;
    default:
      EnterState(State::kStopped);
      break;
  }
  subtitles_->MediaLoaded();
}

// ---- mpv's events ----

void MpvPlayer::OnMpvWakeup(void* self) {
  auto* player = static_cast<MpvPlayer*>(self);
  player->eventsPending_ = true;
  if (player->eventsPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      player,
      [player] {
        player->eventsPosted_ = false;
        player->ProcessEvents();
      },
      Qt::QueuedConnection);
}

void MpvPlayer::ProcessEvents() {
  // Cleared before draining: an event queued meanwhile sets it again.
  if (!eventsPending_.exchange(false)) return;
  for (;;) {
    const mpv_event* event = mpv_wait_event(mpv_, 0);
    if (event->event_id == MPV_EVENT_NONE) return;
    HandleEvent(*event);
  }
}

void MpvPlayer::HandleEvent(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_START_FILE:
      startedEntryId_ = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
      break;
    case MPV_EVENT_FILE_LOADED:
      // The media's frame rate and length are asked for, in this order; the answer with the length
      // finishes the opening (mpv answers in the order asked).
      if (state_ == State::kOpening && entryId_ != 0 && startedEntryId_ == entryId_) {
        mpv_get_property_async(mpv_, ReplyTag(kFrameRateReply, loadSerial_), "container-fps",
                               MPV_FORMAT_DOUBLE);
        if (mpv_get_property_async(mpv_, ReplyTag(kDurationReply, loadSerial_), "duration",
                                   MPV_FORMAT_DOUBLE) < 0) {
          OnFileLoaded();
        }
      }
      break;
    case MPV_EVENT_END_FILE: {
      const auto& end = *static_cast<const mpv_event_end_file*>(event.data);
      if (entryId_ == 0 || end.playlist_entry_id != entryId_) break;  // media replaced earlier
      if (end.reason == MPV_END_FILE_REASON_ERROR) {
        // Missing, unreadable or not media at all: the status says so.
        MediaFailed();
      } else if (end.reason == MPV_END_FILE_REASON_EOF) {
        heldSeconds_ = clock_.Last();
        EnterState(State::kEnded);
      }
      break;
    }
    case MPV_EVENT_GET_PROPERTY_REPLY:
    case MPV_EVENT_COMMAND_REPLY:
      if (MpvSubtitles::IsOwnReply(event.reply_userdata)) {
        subtitles_->HandleReply(event);
      } else {
        HandleOwnReply(event);
      }
      break;
    case MPV_EVENT_PLAYBACK_RESTART:
      // A restart that follows mpv's acceptance of the newest seek is that seek's: the position has arrived.
      if (seekTarget_ && seekAcknowledged_) {
        if (state_ == State::kPlaying) {
          RestartClock(*seekTarget_);
        }
        seekTarget_.reset();
        Changed();
      }
      break;
    case MPV_EVENT_AUDIO_RECONFIG:
      noAudioClockSince_.reset();
      break;
    case MPV_EVENT_PROPERTY_CHANGE: {
      const auto& property = *static_cast<const mpv_event_property*>(event.data);
      if (event.reply_userdata == kTimePos) {
        // Events are read as soon as mpv wakes the GUI loop, and on every read of the position: the moment
        // one is read is the moment the frame time changed, give or take the tick in hand.
        if (property.format == MPV_FORMAT_DOUBLE && state_ == State::kPlaying && !seekTarget_) {
          const double seconds = *static_cast<const double*>(property.data);
          const auto now = PlaybackClock::TimePoint::clock::now();
          if (clock_.TakesFrameTime(seconds, now)) frameReading_ = FrameReading{seconds, now};
          // mpv shows the frames itself: the frame time changing is the new frame on the screen.
          if (native_) PostFrameShown();
        }
        break;
      }
      // At the end mpv holds the last frame. A seek on its way takes the media back from there and playback
      // goes on; otherwise the media has ended and the player stops there.
      if (event.reply_userdata == kEofReached && property.format == MPV_FORMAT_FLAG &&
          *static_cast<const int*>(property.data) != 0 && state_ == State::kPlaying && !seekTarget_) {
        // The last frame's time, as mpv told it.
        heldSeconds_ = clock_.Last();
        if (frameReading_) heldSeconds_ = std::max(heldSeconds_, frameReading_->seconds);
        SetPause(true);
        EnterState(State::kEnded);
      }
      break;
    }
    default:
      break;
  }
}

void MpvPlayer::HandleOwnReply(const mpv_event& event) {
  const std::uint64_t serial = event.reply_userdata & kReplySerialMask;
  switch (KindOf(event.reply_userdata)) {
    case kSeekReply:
      if (event.event_id == MPV_EVENT_COMMAND_REPLY && serial == seekSerial_ && seekTarget_) {
        seekAcknowledged_ = true;
        // A seek mpv refused (media that cannot seek) will never restart: read the real position again.
        if (event.error < 0) seekTarget_.reset();
      }
      return;
    case kLoadReply: {
      if (event.event_id != MPV_EVENT_COMMAND_REPLY || serial != (loadSerial_ & kReplySerialMask) ||
          state_ != State::kOpening) {
        return;
      }
      if (event.error < 0) {
        MediaFailed();
        return;
      }
      const mpv_node& result = static_cast<const mpv_event_command*>(event.data)->result;
      if (result.format != MPV_FORMAT_NODE_MAP) return;
      for (int i = 0; i < result.u.list->num; ++i) {
        if (std::string(result.u.list->keys[i]) == "playlist_entry_id" &&
            result.u.list->values[i].format == MPV_FORMAT_INT64) {
          entryId_ = result.u.list->values[i].u.int64;
        }
      }
      return;
    }
    case kAudioClockReply: {
      if (event.event_id != MPV_EVENT_GET_PROPERTY_REPLY) return;
      const auto now = PlaybackClock::TimePoint::clock::now();
      const auto askedAt = audioAskedAt_.value_or(now);
      if (serial == (audioQuestion_ & kReplySerialMask)) audioAskedAt_.reset();
      if (serial <= (audioQuestionFloor_ & kReplySerialMask) || state_ != State::kPlaying || seekTarget_)
        return;
      const auto& property = *static_cast<const mpv_event_property*>(event.data);
      if (event.error < 0 || property.format != MPV_FORMAT_DOUBLE || property.data == nullptr) {
        // No audio (none in the file, or no device at all): the frame time it is, until the audio comes back.
        audioReading_.reset();
        noAudioClockSince_ = now;
        return;
      }
      // mpv read its clock somewhere between the question and the answer: the middle it is, or just before
      // the answer when the core kept the question waiting (it read the clock as it got free).
      const auto middle = askedAt + (now - askedAt) / 2;
      audioReading_ = AudioReading{*static_cast<const double*>(property.data),
                                   std::max(middle, now - std::chrono::milliseconds(1))};
      return;
    }
    case kFrameRateReply:
    case kDurationReply: {
      if (event.event_id != MPV_EVENT_GET_PROPERTY_REPLY || serial != (loadSerial_ & kReplySerialMask))
        return;
      const auto& property = *static_cast<const mpv_event_property*>(event.data);
      const bool known = event.error >= 0 && property.format == MPV_FORMAT_DOUBLE && property.data != nullptr;
      const double value = known ? *static_cast<const double*>(property.data) : 0;
      if (KindOf(event.reply_userdata) == kFrameRateReply) {
        if (value > 0) clock_.SetFrameDuration(1.0 / value);
      } else if (state_ == State::kOpening) {
        durationSeconds_ = std::isfinite(value) && value > 0 ? value : 0;
        OnFileLoaded();
      }
      return;
    }
  }
}

// ---- Rendering ----

void MpvPlayer::OnRenderUpdate(void* self) {
  auto* player = static_cast<MpvPlayer*>(self);
  {
    std::lock_guard lock(player->renderMutex_);
    player->renderUpdate_ = true;
  }
  player->renderWake_.notify_one();
}

void MpvPlayer::RequestRender(bool redraw) {
  {
    std::lock_guard lock(renderMutex_);
    (redraw ? renderRedraw_ : renderUpdate_) = true;
  }
  renderWake_.notify_one();
}

void MpvPlayer::RenderLoop() {
  std::unique_lock lock(renderMutex_);
  for (;;) {
    renderWake_.wait(lock, [this] { return renderStop_ || renderUpdate_ || renderRedraw_; });
    if (renderStop_) return;
    const bool update = std::exchange(renderUpdate_, false);
    const bool redraw = std::exchange(renderRedraw_, false);
    lock.unlock();
    const std::uint64_t flags = update ? mpv_render_context_update(render_) : 0;
    if ((flags & MPV_RENDER_UPDATE_FRAME) != 0 || redraw) RenderFrame();
    lock.lock();
  }
}

void MpvPlayer::RenderFrame() {
  const QSize size = frames_->TargetSize();
  if (size.isEmpty()) {
    // Nowhere to draw (the panel hidden or not laid out yet): mpv still has to hear that the frame was
    // taken, or its video output waits for us on every frame.
    int skip = 1;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render_, params);
    return;
  }
  QImage buffer = frames_->TakeBackBuffer(size);
  int dimensions[2] = {size.width(), size.height()};
  std::size_t stride = static_cast<std::size_t>(buffer.bytesPerLine());
  // QImage::Format_RGB32 is 0xffRRGGBB in a native 32-bit word: bytes B, G, R, pad on little-endian.
  mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, dimensions},
                               {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
                               {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                               {MPV_RENDER_PARAM_SW_POINTER, buffer.bits()},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  // mpv hands over the next frame as soon as the one before is up, and the call returns at the new frame's
  // time. A seek issued in between (the replay jumping back from the end mark) would still let that frame,
  // already past the mark, reach the screen: it is dropped, and the picture holds until the seek lands.
  const std::uint64_t epoch = seekEpoch_.load();
  if (mpv_render_context_render(render_, params) < 0 || seekEpoch_.load() != epoch) {
    frames_->ReturnBackBuffer(std::move(buffer));
    return;
  }
  frames_->Present(std::move(buffer), size);
  PostFrameShown();
}

void MpvPlayer::PostFrameShown() {
  if (framePosted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        framePosted_ = false;
        if (video_ != nullptr && !native_) video_->update();
        if (panel_ != nullptr) panel_->FrameShown();
      },
      Qt::QueuedConnection);
}

}  // namespace titrelle
