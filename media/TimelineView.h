#pragma once
// Which stretch of time the timeline under the picture shows, whichever shell paints it. It shows ten
// seconds across its width, following the position with the play head in the middle, until the user zooms
// (the wheel, around the pointer) or scrolls (a drag on empty ground); from then on it stays where the user
// put it, until the position leaves it (played past its edge, or a seek elsewhere), when it follows again.
// A click leaves the view where it is and puts the position where it points. Times are seconds; places are
// columns, counted from the media's start at the current scale.

#include <cstdint>

namespace titrelle {

class TimelineView {
 public:
  static constexpr double kWindowSeconds = 10;           // across the width until the user zooms
  static constexpr double kLongestViewSeconds = 600;     // zoomed out furthest
  static constexpr double kMostColumnsPerSecond = 1000;  // zoomed in furthest: a millisecond a column
  static constexpr double kZoomPerNotch = 1.25;          // a wheel's notch (120 of its units)

  void SetWidth(int columns) { width_ = columns; }
  int Width() const { return width_; }
  // The position moved (or was read again).
  void ShowPosition(double seconds);
  double PositionSeconds() const { return positionSeconds_; }

  double ColumnsPerSecond() const;
  std::int64_t StartColumn() const;  // the view's left edge
  std::int64_t HeadColumn() const;   // the position
  double StartSeconds() const { return static_cast<double>(StartColumn()) / ColumnsPerSecond(); }
  double SecondsAt(double x) const { return (static_cast<double>(StartColumn()) + x) / ColumnsPerSecond(); }

  // A wheel turned by `wheelUnits` (120 a notch, away from the user: closer) with the pointer at column `x`:
  // the time there stays there.
  void Wheel(double x, int wheelUnits);
  // Zooms by `factor` (above 1: closer) keeping the time at column `x` where it is.
  void ZoomAround(double x, double factor);
  // A drag on empty ground: pressed, then moved `movedColumns` from where it was pressed (to the right: the
  // view goes back in time).
  void PressGround();
  void DragGround(double movedColumns);
  // A click: the view stays where it is while the position goes where the user pointed.
  void Click();

 private:
  bool HeadInView() const;

  int width_ = 0;
  double positionSeconds_ = 0;
  double columnsPerSecond_ = 0;  // 0: not zoomed, the default span across the width
  bool following_ = true;        // the view keeps the play head in the middle
  bool headWasInView_ = true;
  std::int64_t startColumn_ = 0;  // the view's left edge while it does not follow
  std::int64_t pressStartColumn_ = 0;
};

}  // namespace titrelle
