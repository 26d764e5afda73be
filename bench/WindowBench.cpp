// What the user waits for in the main window, on the headless shell: committing a line, one character typed
// in edit mode (key down, change, write-back, save, key up), undoing a commit and resuming a subtitle file,
// on documents of 100, 1,000 and 10,000 subtitles. The subtitle file is written to a real folder, as on the
// desktop.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "tests/scenario/ScenarioWorld.h"

namespace titrelle::bench {
namespace {

// The program with a video whose subtitle file holds `count` subtitles written without the closing tag, as
// a resumed document writes them: a typed and erased character leaves the file as it was. The video runs an
// hour past the document's last subtitle: room for every line a benchmark commits after it.
std::unique_ptr<ScenarioWorld> WorldWithSubtitles(int count) {
  auto world = std::make_unique<ScenarioWorld>();
  world->WriteFile("movie.srt", BenchFileViewText(count, false));
  world->WriteFile("movie.avi", "");
  world->ws.playerSettings.durations[world->Path("movie.avi")] =
      static_cast<double>(BenchDocumentEndMs(count)) / 1000.0 + 3600.0;
  return world;
}

void Resume(ScenarioWorld& world) { world.OpenVideo("movie.avi", ScenarioWorld::kYes); }

void BM_Resume(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto world = WorldWithSubtitles(count);
    state.ResumeTiming();
    Resume(*world);
    state.PauseTiming();
    if (world->UserView().Count() != count * 4 || !world->ErrorReports().empty()) {
      state.SkipWithError("the file was not resumed");
    }
    world.reset();
    state.ResumeTiming();
  }
}

void BM_TypeCharacterInEditMode(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = WorldWithSubtitles(count);
  Resume(*world);
  world->WaitUntilOpened();
  world->WaitMs(10);
  // The text line of the subtitle in the middle of the document, caret at its end.
  world->ClickUserViewLine((count / 2) * 4 + 2, 1000);
  const std::string before = world->FileBytes("movie.srt");
  for (auto _ : state) {
    world->TypeInUserView("a");
    state.PauseTiming();
    world->PressInUserView(vk::Back);
    world->Player().ClearCalls();
    state.ResumeTiming();
  }
  if (world->FileBytes("movie.srt") != before) state.SkipWithError("the edit was not written back");
}

// One character typed at the end of a line of `state.range(0)` bytes, the second of four subtitles.
void BM_TypeCharacterOnAHugeLine(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0));
  ScenarioWorld world;
  world.WriteFile("movie.srt", BenchFileViewTextWithHugeLine(4, 2, bytes, false));
  world.WriteFile("movie.avi", "");
  world.ws.playerSettings.durations[world.Path("movie.avi")] = 3600.0;
  Resume(world);
  world.WaitUntilOpened();
  world.WaitMs(10);
  world.ClickUserViewLine(6, static_cast<int>(BenchHugeText(bytes).size()));
  const std::string before = world.FileBytes("movie.srt");
  for (auto _ : state) {
    world.TypeInUserView("a");
    state.PauseTiming();
    world.PressInUserView(vk::Back);
    world.Player().ClearCalls();
    state.ResumeTiming();
  }
  if (world.FileBytes("movie.srt") != before) state.SkipWithError("the edit was not written back");
}

void BM_Commit(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = WorldWithSubtitles(count);
  Resume(*world);
  world->WaitUntilOpened();
  world->WaitMs(10);
  world->PressF8();
  world->PressF9();
  const int linesBefore = world->Form().Document.TempRichEdit.Count();
  int commits = 0;
  for (auto _ : state) {
    state.PauseTiming();
    world->WaitMs(20);
    world->PressF10();
    world->WaitMs(5);
    world->TypeInInput(BenchSubtitleText(count + commits + 1));
    world->Player().ClearCalls();
    state.ResumeTiming();
    world->PressEnter();
    ++commits;
  }
  if (world->Form().Document.TempRichEdit.Count() != linesBefore + 4 * commits ||
      world->FileBytes("movie.srt") != world->Form().Document.TempRichEdit.Text()) {
    state.SkipWithError("a line was not committed");
  }
}

// Ctrl+Z after Enter: the line leaves both views and the file (the redo that puts it back is not timed).
void BM_UndoCommit(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = WorldWithSubtitles(count);
  Resume(*world);
  world->WaitUntilOpened();
  world->WaitMs(10);
  world->PressF8();
  world->PressF9();
  world->WaitMs(20);
  world->PressF10();
  world->WaitMs(5);
  world->TypeInInput(BenchSubtitleText(count + 1));
  world->PressEnter();
  const std::string committed = world->FileBytes("movie.srt");
  HeadlessControl& input = world->Control("InputEdit");
  for (auto _ : state) {
    input.PressKey('Z', modifier::Ctrl);
    state.PauseTiming();
    input.PressKey('Y', modifier::Ctrl);
    state.ResumeTiming();
  }
  if (world->FileBytes("movie.srt") != committed) state.SkipWithError("the line did not come back");
}

}  // namespace

BENCHMARK(BM_UndoCommit)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Commit)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeCharacterInEditMode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeCharacterOnAHugeLine)->Arg(1000000)->Arg(5000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resume)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
