// The subtitle table at 10,000 subtitles: a commit (Enter to the file saved) with and without the table
// following it (the model's signals, the view scrolled to the newest line and its visible rows drawn into an
// image, as the screen would show them), and a screen of rows drawn at another place of the document, as a
// scroll draws it. The program runs on the headless shell; the table is the Linux shell's own, drawn on Qt's
// offscreen platform.
//
//   build/test/bench/titrelle_table_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "platforms/linux/SubtitleTable.h"
#include "tests/scenario/ScenarioWorld.h"

namespace titrelle::bench {
namespace {

QApplication& Qt() {
  static int argc = 1;
  static char name[] = "titrelle_table_bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

std::unique_ptr<ScenarioWorld> ResumedWorld(int count) {
  auto world = std::make_unique<ScenarioWorld>();
  world->WriteFile("movie.srt", BenchFileViewText(count, false));
  world->WriteFile("movie.avi", "");
  world->ws.playerSettings.durations[world->Path("movie.avi")] =
      static_cast<double>(BenchDocumentEndMs(count)) / 1000.0 + 3600.0;
  world->OpenVideo("movie.avi", ScenarioWorld::kYes);
  world->WaitUntilOpened();
  world->WaitMs(10);
  return world;
}

// A table the size it has on a 1366x768 screen, shown.
std::unique_ptr<SubtitleTable> ShownTable(ScenarioWorld& world) {
  Qt();
  auto table = std::make_unique<SubtitleTable>(world.ws, world.Form().TableRows, nullptr);
  table->resize(560, 500);
  table->show();
  table->viewport()->grab();
  return table;
}

void Commits(benchmark::State& state, bool withTable) {
  const int count = static_cast<int>(state.range(0));
  auto world = ResumedWorld(count);
  std::unique_ptr<SubtitleTable> table = withTable ? ShownTable(*world) : nullptr;
  world->PressF8();
  world->PressF9();
  int commits = 0;
  for (auto _ : state) {
    state.PauseTiming();
    world->WaitMs(20);
    world->PressF10();
    world->WaitMs(5);
    world->TypeInInput(BenchSubtitleText(count + commits + 1));
    state.ResumeTiming();
    world->PressEnter();
    if (table) table->viewport()->grab();
    ++commits;
  }
  if (table && table->model()->rowCount() != count + commits) state.SkipWithError("the table missed a line");
}

void BM_CommitWithoutTable(benchmark::State& state) { Commits(state, false); }
void BM_CommitWithTable(benchmark::State& state) { Commits(state, true); }

// One screen of rows drawn at a place far from the last: every row read anew.
void BM_TableScreenAfterScroll(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = ResumedWorld(count);
  auto table = ShownTable(*world);
  QScrollBar* bar = table->verticalScrollBar();
  int step = 0;
  for (auto _ : state) {
    bar->setValue(bar->maximum() * (step % 7) / 7);
    table->viewport()->grab();
    ++step;
  }
}

}  // namespace

BENCHMARK(BM_CommitWithoutTable)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitWithTable)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableScreenAfterScroll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
