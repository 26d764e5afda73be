#include "platforms/linux/PlayerPanel.h"

#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "platforms/linux/AudioPeaks.h"
#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/TransportBar.h"
#include "platforms/linux/WaveformStrip.h"

namespace titrelle {

namespace {

// While the player plays, what shows no frame (a sound without a picture) is followed this often.
constexpr int kSlowRefreshMs = 200;

}  // namespace

PlayerPanel::PlayerPanel(QWidget* parent, MpvPlayer& player) : QWidget(parent), player_(player) {
  setObjectName("PlayerPanel");
  // A click on the picture or the transport gives the panel the focus, and with it the keys.
  setFocusPolicy(Qt::ClickFocus);
  transport_ = new TransportBar(this);
  peaks_ = new AudioPeaksLoader(this);
  auto* strip = new WaveformStrip(this, *peaks_);
  strip_ = strip;
  // Posted, not called: a file is opened from inside the player's own calls.
  connect(peaks_, &AudioPeaksLoader::Changed, this, [this] { Refresh(); }, Qt::QueuedConnection);
  connect(strip, &WaveformStrip::SeekRequested, this,
          [this](double seconds) { Act([this, seconds] { SeekTo(seconds); }); });
  connect(transport_, &TransportBar::PlayPauseClicked, this, [this] { Act([this] { TogglePlay(); }); });
  connect(transport_, &TransportBar::StopClicked, this, [this] { Act([this] { player_.Stop(); }); });
  connect(transport_, &TransportBar::SeekRequested, this,
          [this](double seconds) { Act([this, seconds] { SeekTo(seconds); }); });
  connect(transport_, &TransportBar::VolumeChanged, this, [this](int percent) { player_.SetVolume(percent); });
  connect(transport_, &TransportBar::MuteToggled, this, [this](bool muted) { player_.SetMuted(muted); });
  slowRefresh_.setTimerType(Qt::CoarseTimer);
  slowRefresh_.setInterval(kSlowRefreshMs);
  connect(&slowRefresh_, &QTimer::timeout, this, [this] {
    // While frames come, they set the pace: one picture a frame, no more.
    if (sinceFrame_.isValid() && sinceFrame_.elapsed() < kSlowRefreshMs) return;
    Refresh();
  });
  LayOut();
}

PlayerPanel::~PlayerPanel() {
  // A strip placed elsewhere reads this panel's peaks: it goes first.
  if (stripReleased_) delete strip_.data();
}

WaveformStrip* PlayerPanel::ReleaseStrip() {
  stripReleased_ = true;
  LayOut();
  return strip_;
}

void PlayerPanel::SetPicture(QWidget* picture) {
  picture_ = picture;
  LayOut();
}

void PlayerPanel::SetTimeline(PlayerTimeline* timeline) {
  if (strip_) strip_->SetTimeline(timeline);
}

void PlayerPanel::MediaOpened(const std::filesystem::path& path) { peaks_->Load(path); }

void PlayerPanel::FrameShown() {
  sinceFrame_.start();
  Refresh();
  emit NewFrame();
}

void PlayerPanel::RefreshSoon() {
  if (std::exchange(refreshPosted_, true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        refreshPosted_ = false;
        Refresh();
      },
      Qt::QueuedConnection);
}

void PlayerPanel::Refresh() {
  // The player's calls throw when mpv fails; the panel just shows nothing new then.
  try {
    const bool playing = player_.PlayState() == MediaPlayer::kPlayStatePlaying;
    // Stopped or paused, nothing moves on its own: the panel waits for the player's or the user's next word.
    if (playing && !slowRefresh_.isActive()) slowRefresh_.start();
    if (!playing) slowRefresh_.stop();
    const double position = player_.CurrentPosition();
    transport_->ShowPosition(position, player_.Duration(), playing);
    if (strip_) strip_->ShowPosition(position);
  } catch (const std::exception&) {
  }
}

void PlayerPanel::resizeEvent(QResizeEvent*) { LayOut(); }

void PlayerPanel::LayOut() {
  const int transportTop = std::max(height() - kTransportHeight, 0);
  const int stripTop = stripReleased_ ? transportTop : std::max(transportTop - kStripHeight, 0);
  transport_->setGeometry(0, transportTop, width(), height() - transportTop);
  if (strip_ && !stripReleased_) strip_->setGeometry(0, stripTop, width(), transportTop - stripTop);
  if (picture_) picture_->setGeometry(0, 0, width(), stripTop);
}

void PlayerPanel::keyPressEvent(QKeyEvent* event) {
  // Space, Left and Right are the program's keys, looked up in its key table: they go on to the video
  // panel, whose control hands them to the program, as both desktop programs do.
  QWidget::keyPressEvent(event);
}

void PlayerPanel::Act(const std::function<void()>& action) {
  // A player call that fails (mpv refusing a command) leaves the player as it was; the status line shows
  // what the player reports, as after any other call the program makes. No exception may cross Qt's loop.
  try {
    action();
  } catch (const std::exception&) {
  }
  Refresh();
}

void PlayerPanel::TogglePlay() {
  if (player_.PlayState() == MediaPlayer::kPlayStatePlaying) {
    player_.Pause();
  } else {
    player_.Play();
  }
}

void PlayerPanel::SeekTo(double seconds) {
  const double duration = player_.Duration();
  seconds = std::max(seconds, 0.0);
  if (duration > 0) seconds = std::min(seconds, duration);
  player_.SetCurrentPosition(seconds);
}

}  // namespace titrelle
