// The workbench's views of the Linux shell over the program on the headless shell, drawn on Qt's offscreen
// platform: a commit at 10,000 subtitles (Enter to the file saved) with and without the table and the
// timeline following it (the model's signals, the view scrolled to the newest line and its visible rows
// drawn, as the screen would show them; the timeline's lines read again and drawn into an image); a screen
// of rows drawn at another place of the document, as a scroll draws it; and the timeline's frame at three
// zooms and a wheel's zoom, each drawn into an image, at 100, 1,000 and 10,000 subtitles. The timeline's
// sound is a generated track (ffmpeg, once) reaching past the documents' middles: its waveform is drawn too.
//
//   build/test/bench/titrelle_table_bench

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchDocuments.h"
#include "platforms/linux/AudioPeaks.h"
#include "platforms/linux/SubtitleTable.h"
#include "platforms/linux/WaveformStrip.h"
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

// The sound the timeline shows: a tone that comes and goes, mono at 1 kHz (the strip keeps a peak every
// 10 ms), long enough for the middle of 10,000 subtitles and ten minutes beside it; decoded once.
const AudioPeaksLoader& Sound() {
  static AudioPeaksLoader* loader = [] {
    Qt();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("titrelle-bench-" + std::to_string(getpid()) + ".wav");
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "\"aevalsrc='0.8*sin(2*PI*50*t)*lt(mod(t,3),1.5)':s=1000:d=" +
        std::to_string(BenchDocumentEndMs(10000) / 2000 + 700) + "\" -c:a pcm_u8 '" + path.string() + "'";
    auto* peaks = new AudioPeaksLoader;
    if (std::system(command.c_str()) == 0) {
      peaks->Load(path);
      while (peaks->Track().state == AudioPeakTrack::State::kReading) QApplication::processEvents();
    }
    std::filesystem::remove(path);
    return peaks;
  }();
  return *loader;
}

// The timeline the size it has under the window at 1366x768, following the program's.
std::unique_ptr<WaveformStrip> Timeline(ScenarioWorld& world) {
  auto strip = std::make_unique<WaveformStrip>(nullptr, Sound());
  strip->resize(1340, 181);
  strip->SetTimeline(&world.Form().Timeline);
  return strip;
}

// The timeline's picture as the screen would get it.
void Draw(WaveformStrip& strip, QImage& image) { strip.render(&image); }

void Commits(benchmark::State& state, bool withViews) {
  const int count = static_cast<int>(state.range(0));
  auto world = ResumedWorld(count);
  std::unique_ptr<SubtitleTable> table = withViews ? ShownTable(*world) : nullptr;
  std::unique_ptr<WaveformStrip> strip = withViews ? Timeline(*world) : nullptr;
  QImage image(1340, 181, QImage::Format_RGB32);
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
    if (strip) {
      strip->ShowPosition(world->Player().Position());
      Draw(*strip, image);
    }
    ++commits;
  }
  if (table && table->model()->rowCount() != count + commits) state.SkipWithError("the table missed a line");
  if (strip && strip->SpansShown() == 0) state.SkipWithError("the timeline showed no line");
}

void BM_CommitWithoutViews(benchmark::State& state) { Commits(state, false); }
void BM_CommitWithTableAndTimeline(benchmark::State& state) { Commits(state, true); }

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

// A frame of the timeline in the middle of the document, `range(1)` seconds across: the position 40 ms on,
// the lines in view asked for, drawn.
void BM_TimelineFrame(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = ResumedWorld(count);
  auto strip = Timeline(*world);
  const double middle = static_cast<double>(BenchSubtitleStartMs(count / 2)) / 1000.0;
  strip->ShowPosition(middle);
  strip->ZoomAround(strip->width() / 2.0, strip->ViewSeconds() / static_cast<double>(state.range(1)));
  QImage image(strip->size(), QImage::Format_RGB32);
  int frame = 0;
  for (auto _ : state) {
    strip->ShowPosition(middle + (frame++ % 100) * 0.04);
    Draw(*strip, image);
  }
  state.counters["lines"] = static_cast<double>(strip->SpansShown());
  if (Sound().Track().state != AudioPeakTrack::State::kReady) state.SkipWithError("no sound decoded");
}

// A wheel's notch on the timeline: zoomed around the pointer, in and out in turn, and drawn.
void BM_TimelineZoom(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto world = ResumedWorld(count);
  auto strip = Timeline(*world);
  strip->ShowPosition(static_cast<double>(BenchSubtitleStartMs(count / 2)) / 1000.0);
  strip->ZoomAround(strip->width() / 2.0, strip->ViewSeconds() / 60.0);
  QImage image(strip->size(), QImage::Format_RGB32);
  int notch = 0;
  for (auto _ : state) {
    strip->ZoomAround(strip->width() / 3.0, notch++ % 2 == 0 ? 1.25 : 0.8);
    Draw(*strip, image);
  }
}

}  // namespace

BENCHMARK(BM_CommitWithoutViews)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitWithTableAndTimeline)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableScreenAfterScroll)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimelineFrame)
    ->ArgsProduct({{100, 1000, 10000}, {10, 60, 600}})
    ->ArgNames({"subtitles", "seconds"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimelineZoom)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace titrelle::bench
