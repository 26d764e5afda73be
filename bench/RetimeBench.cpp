// Correcting from the keyboard in edit mode, on the headless shell: one re-time of the subtitle under the
// caret (Alt+Shift+Right: key down, the command, both views, the save, key up) and one delete
// (Ctrl+Shift+Delete), on documents of 100, 1,000 and 10,000 subtitles, the file in a real folder.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "tests/scenario/ScenarioWorld.h"

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

}  // namespace

BENCHMARK(BM_RetimeByKey)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteByKey)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
