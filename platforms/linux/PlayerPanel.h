#pragma once
// The player control as the program's video panel holds it: the picture, under it the timeline (the
// waveform strip), and under that the transport. The picture takes what the parts under it leave; the
// control keeps the place and size it is given. A window with room for it takes the timeline out to a place
// of its own (ReleaseStrip); the panel still feeds it. The strip's peaks are decoded on a worker thread when
// the player opens a file.
//
// While the panel (or the picture in it) has the focus, its keys go on to the video panel and so to the
// program's key table (Space pauses and plays, Left and Right step). Everything here talks to the player
// through the calls the program uses too, so the program reads the position as before: a seek during the
// segment replay is brought back by the replay at the end mark, as a seek with the control's own bar would
// be.
//
// The panel follows the player at the pace of the frames it shows (at most once a frame), and looks again
// when the player's state changes or the program has handled a user's event (a pause, a mark); while the
// player plays, also a few times a second, for a sound without a picture. Stopped or paused, it sleeps. Each
// part draws again only when its picture changes.

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "media/PlayerTimeline.h"
#include "platforms/linux/WaveformStrip.h"

namespace titrelle {

class AudioPeaksLoader;
class MpvPlayer;
class TransportBar;

class PlayerPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTransportHeight = 26;
  static constexpr int kStripHeight = 48;

  PlayerPanel(QWidget* parent, MpvPlayer& player);
  ~PlayerPanel() override;

  // The widget the player draws into: placed above the parts under it.
  void SetPicture(QWidget* picture);
  void SetTimeline(PlayerTimeline* timeline);
  // The player opens `path` (empty: nothing, or a file that is not there).
  void MediaOpened(const std::filesystem::path& path);
  // A frame has been handed to the screen: the panel shows what moved, then says so (NewFrame).
  void FrameShown();
  // Reads the player and shows what changed.
  void Refresh();
  // The same, once, when the events now waiting have been handled (however often it is asked for).
  void RefreshSoon();
  // Whether the panel looks at the player on a timer (only while it plays).
  bool FollowsOnATimer() const { return slowRefresh_.isActive(); }

  // Hands the strip to a window that places it elsewhere: the picture takes its room. The strip stays the
  // panel's: it goes with the panel.
  WaveformStrip* ReleaseStrip();

  TransportBar* Transport() const { return transport_; }
  WaveformStrip* Strip() const { return strip_; }
  AudioPeaksLoader* Peaks() const { return peaks_; }
  QWidget* Picture() const { return picture_; }

 signals:
  // After the panel has shown a frame's position: what else follows the frames goes along with it.
  void NewFrame();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void LayOut();
  // Runs what the user asked for, then shows the player as it is.
  void Act(const std::function<void()>& action);
  void TogglePlay();
  void SeekTo(double seconds);

  MpvPlayer& player_;
  QPointer<QWidget> picture_;
  TransportBar* transport_;
  AudioPeaksLoader* peaks_;
  QPointer<WaveformStrip> strip_;
  bool stripReleased_ = false;
  QTimer slowRefresh_;  // runs only while the player plays
  bool refreshPosted_ = false;
  QElapsedTimer sinceFrame_;  // since the last frame was shown
};

}  // namespace titrelle
