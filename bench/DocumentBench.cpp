// The document operations a user waits for: every keystroke in edit mode saves and brings the subtitle index
// up to date, a resume reads, derives, reads the subtitles and finds the last time line.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "BenchDocuments.h"
#include "document/LastTimeLine.h"
#include "document/Listing.h"
#include "document/SubtitleFile.h"
#include "document/SubtitleIndex.h"
#include "document/UserViewDerivation.h"
#include "document/WrittenSpans.h"
#include "platforms/posix/PosixFileSystem.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle::bench {
namespace {

void Finish(benchmark::State& state, std::size_t bytes) {
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

// The save of every change: atomic for a file of one name, in place for a hard-linked one.
void SaveSubtitleFile(benchmark::State& state, bool hardLinked) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  TemporaryFolder folder("bench");
  PosixFileSystem files;
  const std::filesystem::path path = folder / "video.srt";
  files.Save(path, text);
  if (hardLinked) std::filesystem::create_hard_link(path, folder / "second name.srt");
  for (auto _ : state) files.Save(path, text);
  Finish(state, text.size());
}
void BM_SaveSubtitleFile(benchmark::State& state) { SaveSubtitleFile(state, false); }
void BM_SaveSubtitleFileInPlace(benchmark::State& state) { SaveSubtitleFile(state, true); }

void BM_ReadSubtitleFile(benchmark::State& state) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  TemporaryFolder folder("bench");
  PosixFileSystem files;
  const std::filesystem::path path = folder / "video.srt";
  files.Save(path, text);
  for (auto _ : state) benchmark::DoNotOptimize(NormalizeLineBreaks(files.ReadWhole(path)));
  Finish(state, text.size());
}

void BM_DeriveUserView(benchmark::State& state) {
  const std::string text = BenchFileViewText(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(DeriveUserViewText(text));
  Finish(state, text.size());
}

void BM_FindLastTimeLine(benchmark::State& state) {
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(FindLastTimeLine(fileView.Text(), fileView.Count()));
  Finish(state, fileView.Text().size());
}

// The lines written, read again for the player panel's strip after the document told of a change (once a
// frame at most, while the user types in edit mode): from the times the document's subtitle index keeps,
// with the index by start made from them.
void BM_ReadWrittenSpans(benchmark::State& state) {
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(static_cast<int>(state.range(0))));
  const SubtitleIndex subtitles(fileView);
  WrittenSpanIndex index;
  for (auto _ : state) {
    index.Assign(ReadWrittenSpans(subtitles));
    benchmark::DoNotOptimize(index.Size());
  }
  Finish(state, fileView.Text().size());
}

// The document's subtitles read from a whole text, as after a resume or a restyle.
void BM_SubtitleIndexFromScratch(benchmark::State& state) {
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const SubtitleIndex subtitles(fileView);
    benchmark::DoNotOptimize(subtitles.Count());
  }
  Finish(state, fileView.Text().size());
}

// One edited line written back into the file view, with the subtitle index taking up the change (compare
// BM_ReplaceListingLine, the same change without the index).
void BM_SubtitleIndexAfterOneChange(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(count));
  SubtitleIndex subtitles(fileView);
  SubtitleChange told;
  fileView.OnPiecesChanged = [&](const ListingChange& change) { told = subtitles.Update(change); };
  const int line = (count / 2) * 4 + 2;
  const std::string lines[] = {kBenchDefaultPrefix + BenchSubtitleText(1) + "</b>",
                               kBenchDefaultPrefix + BenchSubtitleText(123456) + "</b>"};
  int turn = 0;
  for (auto _ : state) {
    fileView.ReplaceLine(line, lines[turn]);
    turn ^= 1;
  }
  if (told.changed != 1) state.SkipWithError("the change was not told");
  Finish(state, fileView.Text().size());
}

// Every subtitle as a value (its lines copied), as a table of them reads them when it is filled.
void BM_ReadAllSubtitles(benchmark::State& state) {
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(static_cast<int>(state.range(0))));
  const SubtitleIndex subtitles(fileView);
  for (auto _ : state) benchmark::DoNotOptimize(subtitles.All());
  Finish(state, fileView.Text().size());
}

// Writing one edited line back into the file view: the text line of the middle subtitle.
void BM_ReplaceListingLine(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Listing fileView;
  fileView.SetListingText(BenchFileViewText(count));
  const int line = (count / 2) * 4 + 2;
  const std::string lines[] = {kBenchDefaultPrefix + BenchSubtitleText(1) + "</b>",
                               kBenchDefaultPrefix + BenchSubtitleText(123456) + "</b>"};
  int turn = 0;
  for (auto _ : state) {
    fileView.ReplaceLine(line, lines[turn]);
    turn ^= 1;
  }
  Finish(state, fileView.Text().size());
}

#define DOCUMENT_SIZES RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond)->Complexity()

BENCHMARK(BM_SaveSubtitleFile)->DOCUMENT_SIZES;
BENCHMARK(BM_SaveSubtitleFileInPlace)->DOCUMENT_SIZES;
BENCHMARK(BM_ReadSubtitleFile)->DOCUMENT_SIZES;
BENCHMARK(BM_DeriveUserView)->DOCUMENT_SIZES;
BENCHMARK(BM_FindLastTimeLine)->DOCUMENT_SIZES;
BENCHMARK(BM_ReadWrittenSpans)->DOCUMENT_SIZES;
BENCHMARK(BM_ReplaceListingLine)->DOCUMENT_SIZES;
BENCHMARK(BM_SubtitleIndexFromScratch)->DOCUMENT_SIZES;
BENCHMARK(BM_SubtitleIndexAfterOneChange)->DOCUMENT_SIZES;
BENCHMARK(BM_ReadAllSubtitles)->DOCUMENT_SIZES;

}  // namespace
}  // namespace titrelle::bench
