#pragma once
// The timeline of the video: a ruler of the time, the sound's waveform, the marks of the line being timed
// and every line already written as a block with its number and text. What it shows of the capture comes
// from the program's timeline (media/PlayerTimeline.h); it only draws, and only what is in view: the lines
// are asked for by the stretch of time shown.
//
// It shows ten seconds across its width until the user zooms: the wheel zooms around the pointer, a drag
// scrolls, a click puts the position where it points. A press on a line's edge or middle drags that line
// instead: the strip reports the mouse in times to the program's timeline, which decides what it takes and
// where it lands, and draws the line where the timeline says it would land; the pointer's shape shows what
// a press would take. The view follows the position, the play head in the
// middle, until the user zooms or scrolls; from then on it stays where the user put it, until the position
// leaves it (played past its edge, or a seek elsewhere), when it follows again.
//
// It draws again only when its picture changes: when the view or the position moves a pixel, a mark or a
// line changes, or more of the sound is decoded where it looks. The window's own picture is what it keeps:
// a play head that moves repaints its old and new columns, a view that follows it scrolls what the window
// shows (the window system moves the pixels) and draws only the columns it brings in, the ruler's labels
// that come and go at the left edge and the lines' labels held at the view's edges. A paint draws only
// what meets the area it was asked for.

#include <QRect>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "media/PlayerTimeline.h"
#include "media/TimelineDrawing.h"
#include "media/TimelineMouse.h"
#include "media/TimelineView.h"
#include "platforms/linux/AudioPeaks.h"

namespace titrelle {

class WaveformStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kWindowSeconds = TimelineView::kWindowSeconds;
  static constexpr double kLongestViewSeconds = TimelineView::kLongestViewSeconds;
  static constexpr int kRulerHeight = 16;
  static constexpr int kLabelHeight = 16;  // the band under the ruler with the lines' numbers and texts

  WaveformStrip(QWidget* parent, const AudioPeaksLoader& peaks);

  void SetTimeline(PlayerTimeline* timeline);
  // How the program's handlers are run: a release that changes the document goes through the window
  // system's dispatch (error report, what is due next). Without one they are called as they stand.
  using Dispatch = TimelineMouse::Dispatch;
  void SetDispatch(Dispatch dispatch) { mouse_.SetDispatch(std::move(dispatch)); }
  // Shows the timeline at `positionSeconds`, and whatever else changed.
  void ShowPosition(double positionSeconds);

  // The time at the left edge, the time a column stands for, and the column of a time, in the picture
  // shown now.
  double WindowStartSeconds() const;
  double ViewSeconds() const { return width() / ColumnsPerSecond(); }
  int ColumnOf(double seconds) const;
  double SecondsAt(double x) const;
  // Zooms by `factor` (above 1: closer) keeping the time at column `x` where it is, as a wheel turn does.
  void ZoomAround(double x, double factor);
  // How many times it has been drawn, and how many lines the last drawing asked for, for tests and
  // measurements.
  std::uint64_t PaintCount() const { return paintCount_; }
  // How many pixels its paints have covered, in all.
  std::uint64_t PixelsDrawn() const { return pixelsDrawn_; }
  std::size_t SpansShown() const { return shown_.spans.size(); }

 signals:
  void SeekRequested(double seconds);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Everything the picture is made of: when this is the same, so is the picture.
  struct Picture {
    double columnsPerSecond = 1;
    std::int64_t startColumn = 0;  // the view's left edge, in columns from the media's start
    std::int64_t headColumn = 0;   // the position, in the same columns
    AudioPeakTrack::State state = AudioPeakTrack::State::kNone;
    std::size_t peaksInView = 0;
    int progressPercent = 0;
    bool framesSkipped = false;  // the sound's damaged stamps left some of it out: a word says so
    TimelineMarks marks;
    std::vector<TimelineSpan> spans;
    bool operator==(const Picture&) const = default;
  };
  double ColumnsPerSecond() const;
  Picture Compose();
  // Composes the picture again and asks for a paint when it changed.
  void Recompose();
  // What must be drawn again of the picture shown when the view moved `shift` columns from `before` to
  // `after` (and what was shown moved over with it) and nothing else changed; false when the whole of it
  // must.
  bool ShiftedDamage(const Picture& before, const Picture& after, std::int64_t shift, QRegion& damage) const;
  // Everything but the play head and the words over it, as far as it meets `area`.
  void DrawUnderHead(QPainter& painter, const QRegion& area);
  // Where the word that stands instead of a waveform is drawn, with room around it; none without one.
  QRect WordArea(AudioPeakTrack::State state) const;
  void DrawRuler(QPainter& painter, const QRegion& area) const;
  void DrawWaveform(QPainter& painter, const QRegion& area, int top, int height);
  void ShowGrab(double x);  // the pointer's shape for what a press at column x would take
  void EndSpanDrag();

  TimelineMouse mouse_;  // the program's timeline and how the mouse's handlers run
  const AudioPeaksLoader& peaks_;
  Picture shown_;
  bool stale_ = true;  // the size changed since the picture was made
  int rulerLabelReach_ = 0;  // the widest a ruler label can reach right of its tick
  int noAudioWidth_ = 0;     // the words that stand instead of a waveform
  int unreadableWidth_ = 0;
  std::vector<TimelineSpan> spansScratch_;
  std::vector<const TimelineSpan*> spansMet_;  // those of shown_ a paint meets
  std::vector<QRect> blocksScratch_;
  std::vector<QRect> draggedScratch_;
  std::vector<QRect> labelsScratch_;
  std::vector<QRect> edgesScratch_;
  std::vector<WaveColumn> columnsScratch_;
  std::vector<QRect> waveScratch_;  // the waveform's, one a column
  std::uint64_t paintCount_ = 0;
  std::uint64_t pixelsDrawn_ = 0;

  TimelineView view_;  // which stretch of time it shows
  // A press of the left button: a click when it is released where it was pressed, else a drag.
  bool pressed_ = false;
  bool dragging_ = false;
  bool draggingSpan_ = false;  // the press took a line: the timeline drags it
  double pressX_ = 0;
};

}  // namespace titrelle
