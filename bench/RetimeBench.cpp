// Correcting in edit mode, on the headless shell: one re-time of the subtitle under the caret from the
// keyboard (Alt+Shift+Right: key down, the command, both views, the save, key up), one delete
// (Ctrl+Shift+Delete) and one re-time by a drag on the timeline (the press, a move, the release: the
// command, both views, the save), on documents of 100, 1,000 and 10,000 subtitles, the file in a real folder.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchDocuments.h"
#include "tests/scenario/ScenarioWorld.h"
#include "ui/ErrorReport.h"

namespace titrelle::bench {
namespace {

// The program in edit mode on a resumed file of `count` subtitles, the caret on the middle one's text.
std::unique_ptr<ScenarioWorld> EditingMiddleSubtitle(int count) {
  auto world = std::make_unique<ScenarioWorld>();
  world->WriteFile("movie.srt", BenchFileViewText(count, false));
  world->OpenVideo("movie.avi", ScenarioWorld::kYes);
  world->WaitUntilOpened();
  world->WaitMs(10);
  world->ClickUserViewLine((count / 2) * 4 + 2, 0);
  return world;
}

constexpr unsigned kAltShift = modifier::Alt | modifier::Shift;

void BM_RetimeByKey(benchmark::State& state) {
  auto world = EditingMiddleSubtitle(static_cast<int>(state.range(0)));
  const std::string before = world->FileBytes("movie.srt");
  for (auto _ : state) {
    world->PressInUserView(vk::Right, kAltShift);
    state.PauseTiming();
    world->PressInUserView(vk::Left, kAltShift);
    world->Player().ClearCalls();
    state.ResumeTiming();
  }
  if (world->FileBytes("movie.srt") != before) state.SkipWithError("the re-times did not cancel out");
}

void BM_DeleteByKey(benchmark::State& state) {
  auto world = EditingMiddleSubtitle(static_cast<int>(state.range(0)));
  const std::string before = world->FileBytes("movie.srt");
  for (auto _ : state) {
    world->PressInUserView(vk::Delete, modifier::Ctrl | modifier::Shift);
    state.PauseTiming();
    world->PressInUserView('Z', modifier::Ctrl);
    world->Player().ClearCalls();
    state.ResumeTiming();
  }
  if (world->FileBytes("movie.srt") != before) state.SkipWithError("the undo did not give the file back");
}

// The middle line's end dragged 300 ms later and back; only the drag later is timed.
void BM_RetimeByDrag(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = EditingMiddleSubtitle(count);
  const std::string before = world->FileBytes("movie.srt");
  // The middle line's end, as the file says (BenchDocuments.h lays the lines out).
  std::vector<TimelineSpan> spans;
  world->Form().Timeline.SpansBetween(0, 1e9, spans);
  const TimelineSpan middle = spans[static_cast<std::size_t>(count / 2)];
  PlayerTimeline& timeline = world->Form().Timeline;
  constexpr double kSecondsPerColumn = 0.01;
  const auto drag = [&](double from, double to) {
    DispatchEvent(world->ws, [&] {
      timeline.PressAt(from, kSecondsPerColumn);
      timeline.DragTo(to);
      timeline.ReleaseAt(to);
    });
  };
  for (auto _ : state) {
    drag(middle.endSeconds, middle.endSeconds + 0.3);
    state.PauseTiming();
    drag(middle.endSeconds + 0.3, middle.endSeconds);
    world->Player().ClearCalls();
    state.ResumeTiming();
  }
  if (world->FileBytes("movie.srt") != before) state.SkipWithError("the drags did not cancel out");
}

}  // namespace

BENCHMARK(BM_RetimeByDrag)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetimeByKey)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteByKey)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
