#pragma once
// Dragging a line on the timeline: which line and which part of it a press takes, and where it lands when
// the pointer has moved, its edges snapping to the other lines' edges and to the play head. Plain values in
// and out; the window runs the change (editing/Retiming.cpp).

#include <span>
#include <vector>

#include "media/PlayerTimeline.h"

namespace titrelle {

// A press this many columns from a line's edge, inside or outside it, takes the edge; a narrow block keeps
// its middle third for a move.
inline constexpr double kEdgeGrabColumns = 4;
// A dragged edge this many columns from another line's edge or from the play head lands on it.
inline constexpr double kSnapColumns = 6;

struct SpanGrab {
  TimelineGrab part = TimelineGrab::None;
  std::size_t index = 0;  // into the spans given
};

// What a press at `seconds` takes among `spans` (ordered by start): the nearest edge within reach, else the
// block under it (the one that started last, drawn on top), else nothing.
SpanGrab GrabAmong(std::span<const TimelineSpan> spans, double seconds, double secondsPerColumn);

struct DraggedTimes {
  long long startMs = 0;
  long long endMs = 0;
  friend bool operator==(const DraggedTimes&, const DraggedTimes&) = default;
};

// Where a line from `startMs` to `endMs` lands when `part` of it was dragged by `movedSeconds`: an edge
// alone, or both by the same amount. A moved edge within kSnapColumns of one of `snapTargets` (seconds)
// lands on the nearest; a moved line snaps by whichever of its edges is nearer a target. Nothing goes before
// the video's start (a moved line keeps its length). The end may come out not after the start: the caller
// refuses that.
DraggedTimes LandDrag(TimelineGrab part, long long startMs, long long endMs, double movedSeconds,
                      std::span<const double> snapTargets, double secondsPerColumn);

}  // namespace titrelle
