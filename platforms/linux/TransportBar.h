#pragma once
// The transport under the picture, as a desktop media player control draws its own: play and pause, stop,
// a seek bar showing the position and the length, the time, muting and the volume. It says what the user
// asked for and shows what it is told; the panel around it talks to the player.

#include <QSlider>
#include <QWidget>

class QLabel;
class QToolButton;

namespace titrelle {

// A seek bar that goes where it is clicked, not a page at a time.
class SeekSlider : public QSlider {
  Q_OBJECT

 public:
  explicit SeekSlider(QWidget* parent);

 signals:
  void Jumped(int value);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class TransportBar : public QWidget {
  Q_OBJECT

 public:
  explicit TransportBar(QWidget* parent);

  // What the player is at. Only what changes on screen is drawn again: the seek bar moves when its handle
  // moves a pixel, the time when its text changes. Nothing moves the bar while the user holds it.
  void ShowPosition(double positionSeconds, double durationSeconds, bool playing);

  // For tests: the parts as the user sees them.
  QToolButton* PlayButton() const { return play_; }
  QToolButton* StopButton() const { return stop_; }
  QToolButton* MuteButton() const { return mute_; }
  SeekSlider* SeekBar() const { return seek_; }
  QSlider* VolumeBar() const { return volume_; }
  QLabel* TimeLabel() const { return time_; }

 signals:
  void PlayPauseClicked();
  void StopClicked();
  void SeekRequested(double seconds);
  void VolumeChanged(int percent);
  void MuteToggled(bool muted);

 private:
  QToolButton* play_;
  QToolButton* stop_;
  SeekSlider* seek_;
  QLabel* time_;
  QToolButton* mute_;
  QSlider* volume_;
  bool playing_ = false;
};

}  // namespace titrelle
