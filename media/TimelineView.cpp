#include "media/TimelineView.h"

#include <algorithm>
#include <cmath>

namespace titrelle {

double TimelineView::ColumnsPerSecond() const {
  return columnsPerSecond_ > 0 ? columnsPerSecond_ : std::max(width_, 1) / kWindowSeconds;
}

std::int64_t TimelineView::HeadColumn() const { return std::llround(positionSeconds_ * ColumnsPerSecond()); }

std::int64_t TimelineView::StartColumn() const {
  return following_ ? HeadColumn() - width_ / 2 : startColumn_;
}

bool TimelineView::HeadInView() const {
  const std::int64_t column = HeadColumn() - startColumn_;
  return column >= 0 && column < width_;
}

void TimelineView::ShowPosition(double seconds) {
  positionSeconds_ = std::isfinite(seconds) ? seconds : 0;
  // A view with no width (its window minimised or not laid out yet) shows nothing to leave.
  if (following_ || width_ <= 0) return;
  // A view the user put somewhere stays, until the play head, seen in it, leaves it.
  const bool inView = HeadInView();
  if (headWasInView_ && !inView) following_ = true;
  headWasInView_ = inView;
}

void TimelineView::Wheel(double x, int wheelUnits) {
  if (wheelUnits != 0) ZoomAround(x, std::pow(kZoomPerNotch, wheelUnits / 120.0));
}

void TimelineView::ZoomAround(double x, double factor) {
  const double seconds = SecondsAt(x);
  const double zoomed = std::clamp(ColumnsPerSecond() * factor, std::max(width_, 1) / kLongestViewSeconds,
                                   kMostColumnsPerSecond);
  columnsPerSecond_ = zoomed;
  startColumn_ = std::llround(seconds * zoomed - x);
  following_ = false;
  headWasInView_ = HeadInView();
}

void TimelineView::PressGround() { pressStartColumn_ = StartColumn(); }

void TimelineView::DragGround(double movedColumns) {
  following_ = false;
  startColumn_ = pressStartColumn_ - std::llround(movedColumns);
  headWasInView_ = HeadInView();
}

void TimelineView::Click() {
  startColumn_ = StartColumn();
  following_ = false;
  headWasInView_ = true;
}

}  // namespace titrelle
