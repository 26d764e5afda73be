// Which stretch of time the timeline shows as the position moves and the user zooms, scrolls and clicks.
#include "media/TimelineView.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace titrelle {
namespace {

TEST(TimelineView, FollowsThePositionUntilTheUserMovesItThenStaysUntilThePositionLeavesIt) {
  const struct Step {
    const char* what;
    std::function<void(TimelineView&)> act;
    std::int64_t startColumn;
    double columnsPerSecond;
  } steps[] = {
      // 1000 columns: ten seconds across, the play head in the middle.
      {"at 5 s", [](TimelineView& v) { v.ShowPosition(5); }, 0, 100},
      {"at 20 s", [](TimelineView& v) { v.ShowPosition(20); }, 1500, 100},
      // A notch closer with the pointer at column 250 (17.5 s): 17.5 s stays at 250.
      {"a notch in", [](TimelineView& v) { v.Wheel(250, 120); }, 1938, 125},
      {"played on inside the view", [](TimelineView& v) { v.ShowPosition(23); }, 1938, 125},
      {"played past its edge: following again", [](TimelineView& v) { v.ShowPosition(24); }, 2500, 125},
      // A drag on empty ground 200 columns to the right goes back in time.
      {"pressed on the ground", [](TimelineView& v) { v.PressGround(); }, 2500, 125},
      {"dragged right", [](TimelineView& v) { v.DragGround(200); }, 2300, 125},
      // A view with no width (its window minimised) stays where the user put it.
      {"no width",
       [](TimelineView& v) {
         v.SetWidth(0);
         v.ShowPosition(24);
       },
       2300, 125},
      {"its width back",
       [](TimelineView& v) {
         v.SetWidth(1000);
         v.ShowPosition(24);
       },
       2300, 125},
      {"a seek out of the view: following again", [](TimelineView& v) { v.ShowPosition(100); }, 12000, 125},
      // A click leaves the view where it is, even when the click's seek lands near its edge.
      {"a click", [](TimelineView& v) { v.Click(); }, 12000, 125},
      {"the click's seek", [](TimelineView& v) { v.ShowPosition(103.9); }, 12000, 125},
      // The zoom stops at ten minutes across and at a millisecond a column, 96 s staying at the left edge.
      {"far out", [](TimelineView& v) { v.Wheel(0, 120 * -40); }, 160, 1000.0 / 600},
      {"far in", [](TimelineView& v) { v.ZoomAround(0, 1e9); }, 96000, 1000},
  };
  TimelineView view;
  view.SetWidth(1000);
  for (const Step& step : steps) {
    step.act(view);
    EXPECT_EQ(view.StartColumn(), step.startColumn) << step.what;
    EXPECT_DOUBLE_EQ(view.ColumnsPerSecond(), step.columnsPerSecond) << step.what;
  }
}

}  // namespace
}  // namespace titrelle
