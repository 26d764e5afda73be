#include "media/TimelineMouse.h"

#include <exception>

namespace titrelle {

TimelineGrab TimelineMouse::GrabAt(double seconds, double secondsPerColumn) const {
  if (timeline_ == nullptr) return TimelineGrab::None;
  try {
    return timeline_->GrabAt(seconds, secondsPerColumn);
  } catch (const std::exception&) {
    return TimelineGrab::None;
  }
}

bool TimelineMouse::PressAt(double seconds, double secondsPerColumn) const {
  bool took = false;
  if (timeline_ != nullptr) Run([&] { took = timeline_->PressAt(seconds, secondsPerColumn); });
  return took;
}

void TimelineMouse::DragTo(double seconds) const {
  if (timeline_ == nullptr) return;
  try {
    timeline_->DragTo(seconds);
  } catch (const std::exception&) {
  }
}

void TimelineMouse::ReleaseAt(double seconds) const {
  if (timeline_ != nullptr) Run([&] { timeline_->ReleaseAt(seconds); });
}

void TimelineMouse::Run(const std::function<void()>& handler) const {
  if (dispatch_) {
    dispatch_(handler);
    return;
  }
  try {
    handler();
  } catch (const std::exception&) {
  }
}

}  // namespace titrelle
