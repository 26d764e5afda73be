#pragma once
// The mouse on the timeline under the picture, as the program takes it, whichever shell draws the strip:
// the strip reports the mouse in times and this hands them to the program's timeline (PlayerTimeline.h).
// A press and a release may change the document: they run through the window system's dispatch (error
// report, what is due next) when the strip has one. A look at what a press would take and a drag's move
// change nothing: a failure there leaves the pointer and the picture as they were. No exception crosses a
// shell's event loop from here.

#include <functional>
#include <utility>

#include "media/PlayerTimeline.h"

namespace titrelle {

class TimelineMouse {
 public:
  using Dispatch = std::function<void(const std::function<void()>&)>;

  explicit TimelineMouse(Dispatch dispatch = {}) : dispatch_(std::move(dispatch)) {}
  void SetDispatch(Dispatch dispatch) { dispatch_ = std::move(dispatch); }
  void SetTimeline(PlayerTimeline* timeline) { timeline_ = timeline; }
  PlayerTimeline* Timeline() const { return timeline_; }

  // Each does nothing without a timeline; a column of the view is `secondsPerColumn` wide.
  // What a press at `seconds` would take (the pointer's shape shows it); nothing when the timeline fails.
  TimelineGrab GrabAt(double seconds, double secondsPerColumn) const;
  // A press: true when it took a line, which is then dragged until the release.
  bool PressAt(double seconds, double secondsPerColumn) const;
  void DragTo(double seconds) const;
  void ReleaseAt(double seconds) const;
  void CancelDrag() const {
    if (timeline_ != nullptr) timeline_->CancelDrag();
  }

 private:
  // Through the dispatch, or called as it stands with what it throws swallowed.
  void Run(const std::function<void()>& handler) const;

  Dispatch dispatch_;
  PlayerTimeline* timeline_ = nullptr;
};

}  // namespace titrelle
