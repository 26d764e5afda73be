// The standard SubRip copy: the conversion alone, and the whole command as a user runs it (read the file,
// convert, write the copy atomically with its fsync).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchDocuments.h"
#include "document/SubRipExport.h"
#include "document/SubRipExportCommand.h"
#include "platforms/posix/PosixFileSystem.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle::bench {
namespace {

void BM_ExportStandardSubRip(benchmark::State& state) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ExportStandardSubRip(text));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ExportSrtCommand(benchmark::State& state) {
  const TemporaryFolder temporary("bench");
  const std::filesystem::path& folder = temporary.Path();
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  std::ofstream(folder / "video.srt", std::ios::binary) << text;
  const std::vector<std::string> arguments = {(folder / "video.srt").string()};
  std::ostringstream out;
  std::ostringstream errors;
  PosixFileSystem files;
  for (auto _ : state) {
    if (RunExportSrtCommand(files, arguments, out, errors) != 0) {
      state.SkipWithError("the export failed");
      break;
    }
    out.str("");
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

#define DOCUMENT_SIZES RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond)->Complexity()

BENCHMARK(BM_ExportStandardSubRip)->DOCUMENT_SIZES;
BENCHMARK(BM_ExportSrtCommand)->DOCUMENT_SIZES;

}  // namespace
}  // namespace titrelle::bench
