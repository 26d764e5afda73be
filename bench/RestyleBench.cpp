// Restyling a whole document: what the user waits for after saving the font options dialog.

#include <benchmark/benchmark.h>

#include <string>

#include "BenchDocuments.h"
#include "style/Restyle.h"
#include "style/StyleStrings.h"

namespace titrelle::bench {
namespace {

// <font color=#FFFF00>{\fn宋体\fs24\pos(190,270)\}
const std::string kYellowPrefix = "<font color=#FFFF00>{\\fn\xCB\xCE\xCC\xE5\\fs24\\pos(190,270)\\}";
// <font color=#00FFFF>{\fn楷体\fs20\pos(190,250)\}
const std::string kCyanPrefix = "<font color=#00FFFF>{\\fn\xBF\xAC\xCC\xE5\\fs20\\pos(190,250)\\}";

std::string CustomFileViewText(int count) {
  return RestyleText(BenchFileViewText(count), kYellowPrefix, StyleMode::Custom, 0).text;
}

void Restyle(benchmark::State& state, const std::string& text, const std::string& newPrefix, StyleMode mode,
             int omitClosingTag) {
  for (auto _ : state) {
    RestyleResult result = RestyleText(text, newPrefix, mode, omitClosingTag);
    if (!result.changed) state.SkipWithError("the document was not restyled");
    benchmark::DoNotOptimize(result);
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_RestyleDefaultToCustom(benchmark::State& state) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  Restyle(state, text, kYellowPrefix, StyleMode::Custom, 0);
}

void BM_RestyleCustomToDefault(benchmark::State& state) {
  const std::string text = CustomFileViewText(static_cast<int>(state.range(0)));
  Restyle(state, text, DefaultLinePrefix, StyleMode::Default, 1);
}

void BM_RestyleCustomToCustom(benchmark::State& state) {
  const std::string text = CustomFileViewText(static_cast<int>(state.range(0)));
  Restyle(state, text, kCyanPrefix, StyleMode::Custom, 1);
}

BENCHMARK(BM_RestyleDefaultToCustom)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();
BENCHMARK(BM_RestyleCustomToDefault)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();
BENCHMARK(BM_RestyleCustomToCustom)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

}  // namespace
}  // namespace titrelle::bench
