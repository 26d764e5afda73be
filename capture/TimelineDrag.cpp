#include "capture/TimelineDrag.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace titrelle {

namespace {

long long ToMs(double seconds) { return std::llround(seconds * 1000); }

// The target nearest `ms` within `reachMs`, as the distance to move by.
std::optional<long long> SnapBy(long long ms, std::span<const double> targets, double reachMs) {
  std::optional<long long> best;
  for (const double target : targets) {
    const long long by = ToMs(target) - ms;
    if (std::abs(static_cast<double>(by)) > reachMs) continue;
    if (!best || std::abs(by) < std::abs(*best)) best = by;
  }
  return best;
}

}  // namespace

SpanGrab GrabAmong(std::span<const TimelineSpan> spans, double seconds, double secondsPerColumn) {
  SpanGrab grab;
  double nearest = kEdgeGrabColumns * secondsPerColumn;
  bool edge = false;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const TimelineSpan& span = spans[i];
    // Inside a block, its edge's reach stops short of its middle third.
    const double inside =
        std::min(kEdgeGrabColumns * secondsPerColumn, (span.endSeconds - span.startSeconds) / 3);
    const double outside = kEdgeGrabColumns * secondsPerColumn;
    const struct {
      double at;
      double reachBefore;
      double reachAfter;
      TimelineGrab part;
    } edges[] = {{span.startSeconds, outside, inside, TimelineGrab::StartEdge},
                 {span.endSeconds, inside, outside, TimelineGrab::EndEdge}};
    for (const auto& e : edges) {
      const double distance = std::abs(seconds - e.at);
      const double reach = seconds < e.at ? e.reachBefore : e.reachAfter;
      if (distance <= reach && (!edge || distance < nearest)) {
        nearest = distance;
        edge = true;
        grab = {e.part, i};
      }
    }
  }
  if (edge) return grab;
  for (std::size_t i = spans.size(); i-- > 0;) {
    if (spans[i].startSeconds <= seconds && seconds <= spans[i].endSeconds) return {TimelineGrab::Whole, i};
  }
  return grab;
}

DraggedTimes LandDrag(TimelineGrab part, long long startMs, long long endMs, double movedSeconds,
                      std::span<const double> snapTargets, double secondsPerColumn) {
  const long long moved = ToMs(movedSeconds);
  const double reachMs = kSnapColumns * secondsPerColumn * 1000;
  DraggedTimes times{startMs, endMs};
  switch (part) {
    case TimelineGrab::None:
      break;
    case TimelineGrab::StartEdge: {
      times.startMs = startMs + moved;
      times.startMs += SnapBy(times.startMs, snapTargets, reachMs).value_or(0);
      times.startMs = std::max(times.startMs, 0LL);
      break;
    }
    case TimelineGrab::EndEdge: {
      times.endMs = endMs + moved;
      times.endMs += SnapBy(times.endMs, snapTargets, reachMs).value_or(0);
      times.endMs = std::max(times.endMs, 0LL);
      break;
    }
    case TimelineGrab::Whole: {
      long long by = moved;
      const std::optional<long long> byStart = SnapBy(startMs + by, snapTargets, reachMs);
      const std::optional<long long> byEnd = SnapBy(endMs + by, snapTargets, reachMs);
      if (byStart && (!byEnd || std::abs(*byStart) <= std::abs(*byEnd))) {
        by += *byStart;
      } else if (byEnd) {
        by += *byEnd;
      }
      by = std::max(by, -startMs);
      times = {startMs + by, endMs + by};
      break;
    }
  }
  return times;
}

}  // namespace titrelle
