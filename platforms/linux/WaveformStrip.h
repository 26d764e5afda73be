#pragma once
// The strip under the picture: about ten seconds of the sound's waveform around the position, the play head
// in the middle, the marks of the line being timed and the lines already written, numbered. What it shows of
// the capture comes from the program's timeline (media/PlayerTimeline.h); it only draws. A click puts the
// position where it points.
//
// It draws again only when its picture changes: when the position moves a pixel, a mark or a line changes,
// or more of the sound is decoded where it looks.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "media/PlayerTimeline.h"
#include "platforms/linux/AudioPeaks.h"

namespace titrelle {

class WaveformStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kWindowSeconds = 10;

  WaveformStrip(QWidget* parent, const AudioPeaksLoader& peaks);

  void SetTimeline(PlayerTimeline* timeline) { timeline_ = timeline; }
  // Shows the strip around `positionSeconds`, and whatever else changed.
  void ShowPosition(double positionSeconds);

  // The time at the left edge and the column of a time, in the picture shown now.
  double WindowStartSeconds() const;
  int ColumnOf(double seconds) const;
  // How many times it has been drawn, for tests and measurements.
  std::uint64_t PaintCount() const { return paintCount_; }

 signals:
  void SeekRequested(double seconds);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Everything the picture is made of: when this is the same, so is the picture.
  struct Picture {
    std::int64_t startColumn = 0;  // the position in columns, less half the width
    AudioPeakTrack::State state = AudioPeakTrack::State::kNone;
    std::size_t peaksInView = 0;
    int progressPercent = 0;
    bool framesSkipped = false;  // the sound's damaged stamps left some of it out: a word says so
    TimelineMarks marks;
    std::vector<TimelineSpan> spans;
    bool operator==(const Picture&) const = default;
  };
  double ColumnsPerSecond() const;
  Picture Compose(double positionSeconds);
  void DrawWaveform(QPainter& painter, double startSeconds) const;

  const AudioPeaksLoader& peaks_;
  PlayerTimeline* timeline_ = nullptr;
  Picture shown_;
  bool stale_ = true;  // the size changed since the picture was made
  std::vector<TimelineSpan> spansScratch_;
  std::uint64_t paintCount_ = 0;
};

}  // namespace titrelle
