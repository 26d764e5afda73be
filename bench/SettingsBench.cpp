// The settings file at start-up: the style values the program reads, from a file that also holds many values
// of other programs' or earlier versions' making.

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "platforms/posix/RegistryFile.h"
#include "style/StyleSettingsStore.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle::bench {
namespace {

void BM_ReadStyleValuesFromASettingsFile(benchmark::State& state) {
  TemporaryFolder folder("settings-bench");
  const std::string path = (folder / "registry").string();
  std::vector<RegistryFile::Entry> entries;
  for (int i = 0; i < state.range(0); ++i) {
    entries.push_back(
        {"other" + std::to_string(i), "sz", "\xBA\xDA\xCC\xE5 " + std::to_string(i)});  // 黑体 i
  }
  entries.push_back({"srtDefault", "sz", "1"});
  std::ofstream(path, std::ios::binary) << RegistryFile::Format(entries);
  RegistryFile file(path);
  StyleSettingsStore store(file);
  const char* names[] = {"srtDefault",   "srtFontColorD", "srtFontNameD", "srtFontSizeD", "srtFontPosLD",
                         "srtFontPosUD", "srtFontColor",  "srtFontName",  "srtFontSize"};
  for (auto _ : state) {
    for (const char* name : names) benchmark::DoNotOptimize(store.ReadStyleValue(name));
  }
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_ReadStyleValuesFromASettingsFile)
    ->RangeMultiplier(10)
    ->Range(100, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
}  // namespace titrelle::bench
