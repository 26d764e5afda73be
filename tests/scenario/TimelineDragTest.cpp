// Dragging the lines on the timeline, in edit mode and while capturing: an edge re-times, the middle moves,
// edges snap to the neighbours and the play head, an end not after the start is refused; each drag one
// command of the history.
#include <string>

#include "Scenario.h"
#include "ui/ErrorReport.h"

namespace titrelle {
namespace {

const std::string kPrefix = ScenarioWorld::DefaultPrefix();

std::string Group(const std::string& number, const std::string& timeLine, const std::string& text) {
  return number + "\r\n" + timeLine + "\r\n" + kPrefix + text + "</b>\r\n\r\n";
}

const std::string kOne = Group("1", "00:00:01:000 --> 00:00:02:500", "One");
const std::string kTwo = Group("2", "00:00:03:000 --> 00:00:04:000", "Two");
const std::string kThree = Group("3", "00:00:05:000 --> 00:00:06:000", "Three");
const std::string kFile = kOne + kTwo + kThree;
constexpr double kSecondsPerColumn = 0.01;  // snapping reaches 60 ms, an edge is taken from 40 ms

TEST(TimelineDrag, ADragReTimesOrMovesTheLineAndIsOneCommand) {
  const struct {
    const char* name;
    double from;
    double to;
    double playHead;
    const char* twoAfter;  // empty: the file stays as it was
  } cases[] = {
      {"the end edge, later", 4.0, 4.5, 0, "00:00:03:000 --> 00:00:04:500"},
      {"the start edge, taken from just outside", 2.97, 2.77, 0, "00:00:02:800 --> 00:00:04:000"},
      {"the start edge snaps to the previous end", 3.0, 2.54, 0, "00:00:02:500 --> 00:00:04:000"},
      {"the end edge snaps to the play head", 4.0, 4.3, 4.333, "00:00:03:000 --> 00:00:04:333"},
      {"the middle moves both times", 3.5, 3.7, 0, "00:00:03:200 --> 00:00:04:200"},
      {"a moved line snaps by its end to the next start", 3.5, 4.45, 0, "00:00:04:000 --> 00:00:05:000"},
      {"a start dragged past the end is refused", 3.0, 4.5, 0, ""},
      {"a move before the video's start stops at it", 3.5, 0.2, 0, "00:00:00:000 --> 00:00:01:000"},
  };
  for (const bool capturing : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (capturing ? ", capturing" : ", editing"));
      ScenarioWorld world;
      world.WriteFile("movie.srt", kFile);
      world.OpenVideo("movie.avi", ScenarioWorld::kYes);
      world.WaitUntilOpened();
      world.WaitMs(1);
      if (capturing) world.PressF8();
      const std::string edit1 = world.Control("Edit1").Text();
      world.Player().Pause();
      world.Player().Place(c.playHead);
      PlayerTimeline& timeline = world.Form().Timeline;
      bool pressed = false;
      // Through the shell's dispatch, as the strip reports the mouse.
      DispatchEvent(world.ws, [&] { pressed = timeline.PressAt(c.from, kSecondsPerColumn); });
      ASSERT_TRUE(pressed);
      DispatchEvent(world.ws, [&] { timeline.DragTo((c.from + c.to) / 2); });
      DispatchEvent(world.ws, [&] { timeline.DragTo(c.to); });
      DispatchEvent(world.ws, [&] { timeline.ReleaseAt(c.to); });

      const std::string twoAfter = *c.twoAfter ? c.twoAfter : "00:00:03:000 --> 00:00:04:000";
      const std::string after = kOne + Group("2", twoAfter, "Two") + kThree;
      EXPECT_EQ(world.FileBytes("movie.srt"), after);
      EXPECT_EQ(world.UserView().Line(5), twoAfter);
      EXPECT_EQ(world.Form().Editing.UserViewSnapshot().Text(), world.UserView().Text());
      if (!*c.twoAfter) {
        EXPECT_EQ(world.Control("NoticeLabel").Text(), world.Gbk("终止时间须晚于起始时间。"));
        EXPECT_FALSE(world.Form().Document.History.CanUndo());
        continue;
      }
      // Capturing, the boxes keep the line being captured.
      if (capturing) {
        EXPECT_EQ(world.Control("Edit1").Text(), edit1);
      }
      const auto press = [&](int key) {
        return capturing ? world.Control("InputEdit").PressKey(key, modifier::Ctrl)
                         : world.PressInUserView(key, modifier::Ctrl);
      };
      EXPECT_TRUE(press('Z'));
      EXPECT_EQ(world.FileBytes("movie.srt"), kFile);
      EXPECT_EQ(world.UserView().Line(5), "00:00:03:000 --> 00:00:04:000");
      EXPECT_TRUE(press('Y'));
      EXPECT_EQ(world.FileBytes("movie.srt"), after);
      if (capturing) {
        EXPECT_EQ(world.Control("Edit1").Text(), edit1);
      }
    }
  }
}

TEST(TimelineDrag, APressOffTheLinesIsTheViewsAndTheDraggedLineShowsWhereItWouldLand) {
  ScenarioWorld world;
  world.WriteFile("movie.srt", kFile);
  world.OpenVideo("movie.avi", ScenarioWorld::kYes);
  world.WaitUntilOpened();
  PlayerTimeline& timeline = world.Form().Timeline;
  EXPECT_EQ(timeline.GrabAt(2.75, kSecondsPerColumn), TimelineGrab::None);
  EXPECT_FALSE(timeline.PressAt(2.75, kSecondsPerColumn));
  EXPECT_EQ(timeline.GrabAt(3.02, kSecondsPerColumn), TimelineGrab::StartEdge);
  EXPECT_EQ(timeline.GrabAt(3.5, kSecondsPerColumn), TimelineGrab::Whole);
  EXPECT_EQ(timeline.GrabAt(4.03, kSecondsPerColumn), TimelineGrab::EndEdge);

  ASSERT_TRUE(timeline.PressAt(3.5, kSecondsPerColumn));
  timeline.DragTo(5.8);  // past the third line's start
  std::vector<TimelineSpan> spans;
  timeline.SpansBetween(0, 10, spans);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[2].number, 2);
  EXPECT_TRUE(spans[2].dragged);
  EXPECT_DOUBLE_EQ(spans[2].startSeconds, 5.3);
  EXPECT_EQ(spans[2].text, "Two");
  // Taken away, the drag leaves the line where it was.
  timeline.CancelDrag();
  timeline.SpansBetween(0, 10, spans);
  EXPECT_DOUBLE_EQ(spans[1].startSeconds, 3.0);
  EXPECT_EQ(world.FileBytes("movie.srt"), kFile);
}

}  // namespace
}  // namespace titrelle
