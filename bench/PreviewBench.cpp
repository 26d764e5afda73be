// The preview over the video: what the program does on the tick after a change before it hands the script
// to the player. A change of the file view reads its time lines and converts the subtitles of the three
// minutes around the position (the whole file's conversion, BM_PreviewEvents, for comparison); a typed
// character of a new line only puts the script together again with its one event.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchDocuments.h"
#include "document/Listing.h"
#include "document/PreviewTrack.h"
#include "document/SubtitleIndex.h"
#include "style/StyleStrings.h"

namespace titrelle::bench {
namespace {

void BM_PreviewEvents(benchmark::State& state) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(PreviewEvents(text));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// What a change of the file view costs: the times of every subtitle (kept by the document's index), the
// subtitles of the three minutes around the position (a minute in).
void BM_PreviewEventsBetween(benchmark::State& state) {
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(static_cast<int>(state.range(0))));
  const SubtitleIndex subtitles(fileView);
  for (auto _ : state) benchmark::DoNotOptimize(PreviewEventsBetween(subtitles, 0, 180000));
  state.SetComplexityN(state.range(0));
}

void BM_PreviewScriptWithTypedLine(benchmark::State& state) {
  const std::vector<PreviewEvent> events = PreviewEvents(BenchFileViewText(static_cast<int>(state.range(0))));
  const std::string styled = ComposeStyledLine(DefaultStylePart1, DefaultStylePart2, BenchSubtitleText(1), 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(PreviewScript(events, 0, 180000, PreviewTypedEvent(1.5L, 3.25L, styled)));
  }
  state.SetComplexityN(state.range(0));
}

#define DOCUMENT_SIZES RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond)->Complexity()

BENCHMARK(BM_PreviewEvents)->DOCUMENT_SIZES;
BENCHMARK(BM_PreviewEventsBetween)->DOCUMENT_SIZES;
BENCHMARK(BM_PreviewScriptWithTypedLine)->DOCUMENT_SIZES;

}  // namespace
}  // namespace titrelle::bench
