// Arbitrary bytes through the document core: a subtitle file made elsewhere may hold anything.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Cp936.h"
#include "base/Error.h"
#include "capture/SubtitleTime.h"
#include "capture/TimeText.h"
#include "document/Cp936Decoder.h"
#include "document/LastTimeLine.h"
#include "document/Listing.h"
#include "document/PreviewTrack.h"
#include "document/SubRipExport.h"
#include "document/SubtitleFile.h"
#include "document/SubtitleIndex.h"
#include "document/TimeLine.h"
#include "document/UserViewDerivation.h"
#include "document/WrittenSpans.h"
#include "style/Restyle.h"

namespace {

using titrelle::IsLeadByte;

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

std::size_t CountBreaks(std::string_view text) {
  std::size_t breaks = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2))
    ++breaks;
  return breaks;
}

// The aligned matches worked out the slow way: every character start, in order, without overlap.
std::vector<std::size_t> SlowAlignedMatches(std::string_view text, std::string_view pattern) {
  std::vector<std::size_t> matches;
  if (pattern.empty()) return matches;
  std::size_t next = 0;  // no match may start before this
  for (std::size_t i = 0; i < text.size(); i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
    if (i >= next && text.substr(i, pattern.size()) == pattern) {
      matches.push_back(i);
      next = i + pattern.size();
    }
  }
  return matches;
}

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>
const std::string kDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
// <font color=#FF0000>{\fn宋体\fs24\pos(190,270)\}
const std::string kCustomPrefix = "<font color=#FF0000>{\\fn\xCB\xCE\xCC\xE5\\fs24\\pos(190,270)\\}";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Reading: every break becomes CR LF, and a second pass changes nothing.
  const std::string text = titrelle::NormalizeLineBreaks(bytes);
  Require(titrelle::NormalizeLineBreaks(text) == text, "normalizing twice changes the text");

  // Deriving keeps every line, on a loaded text and on raw bytes alike.
  Require(CountBreaks(titrelle::DeriveUserViewText(text)) == CountBreaks(text),
          "derivation changed the lines");
  Require(CountBreaks(titrelle::DeriveUserViewText(bytes)) == CountBreaks(bytes),
          "derivation changed raw lines");

  titrelle::Listing fileView;
  fileView.SetListingText(text);
  const titrelle::LastTimeLineBoxes boxes = titrelle::FindLastTimeLine(text, fileView.Count());
  Require(boxes.startBoxText.size() <= 13 && boxes.endBoxText.size() <= 13, "a box holds more than 13 bytes");
  Require(boxes.found || (boxes.startBoxText.empty() && boxes.endBoxText.empty()), "boxes without an arrow");
  titrelle::FindLastTimeLine(bytes, static_cast<int>(size));

  // The time lines as the one reader reads them; each time written in either layout reads back the same, and
  // caret following's columns read or throw the program's error, nothing else.
  std::vector<titrelle::SubtitleTimes> timeLines;
  for (int i = 0; i < fileView.Count(); ++i) {
    const std::string_view line = fileView.LineView(i);
    if (!titrelle::IsTimeLine(line)) continue;
    const titrelle::TimeLineColumns columns = titrelle::ReadTimeLineColumns(line);
    try {
      titrelle::TimeTextToSeconds(columns.start);
      titrelle::TimeTextToSeconds(columns.end);
    } catch (const titrelle::Error&) {
    }
    const std::optional<titrelle::SubtitleTimes> times = titrelle::ReadTimeLine(line);
    if (!times) continue;
    timeLines.push_back(*times);
    for (const titrelle::SubtitleTime time : {times->start, times->end}) {
      for (const titrelle::TimeLayout layout :
           {titrelle::TimeLayout::Program, titrelle::TimeLayout::Standard})
        Require(titrelle::SubtitleTime::Read(time.Text(layout)) == time, "a time written does not read back");
    }
  }

  // The lines written, as the player panel's strip reads them: the time lines the reader reads, with its
  // times, and every span the index holds is found again in a stretch that covers it.
  const std::vector<titrelle::TimelineSpan> spans = titrelle::ReadWrittenSpans(text);
  Require(spans.size() == timeLines.size(), "the strip reads other time lines");
  for (std::size_t i = 0; i < spans.size(); ++i) {
    Require(spans[i].startSeconds == static_cast<double>(timeLines[i].start.Seconds()) &&
                spans[i].endSeconds == static_cast<double>(timeLines[i].end.Seconds()),
            "the strip reads other times");
  }
  titrelle::WrittenSpanIndex index;
  index.Assign(spans);
  std::vector<titrelle::TimelineSpan> found;
  for (const titrelle::TimelineSpan& span : spans) {
    Require(span.startSeconds >= 0 && span.endSeconds >= 0 && span.number >= 0, "a span before the start");
    index.Between(span.startSeconds, span.startSeconds, found);
    Require(!found.empty() || span.endSeconds < span.startSeconds, "a span the index does not find");
  }

  // The preview's events of the whole file: one for each time line that reads, with its times, through the
  // standard copy and back.
  titrelle::SubtitleIndex subtitles(fileView);
  const std::vector<titrelle::PreviewEvent> events = titrelle::PreviewEventsBetween(subtitles, 0, 1LL << 60);
  Require(events.size() == timeLines.size(), "the preview reads other time lines");
  for (std::size_t i = 0; i < events.size(); ++i) {
    Require(events[i].startMs == timeLines[i].start.Milliseconds() &&
                events[i].endMs == timeLines[i].end.Milliseconds() && !events[i].line.empty(),
            "a preview event out of shape");
  }

  // The subtitle index, kept up to date by changes the input asks for (each byte of its tail one change,
  // with lines taken from its head), is the text read from scratch after each.
  fileView.OnPiecesChanged = [&subtitles](const titrelle::ListingChange& change) {
    subtitles.Update(change);
  };
  const std::string_view head = bytes.substr(0, std::min<std::size_t>(size, 64));
  for (std::size_t i = size > 8 ? size - 8 : 0; i < size; ++i) {
    const int pieces = fileView.PieceCount();
    const int at = static_cast<int>(data[i] >> 3) % pieces;
    const std::string_view line = head.substr(0, data[i] % (head.size() + 1));
    switch (data[i] & 7) {
      case 0:
        fileView.Add(line);
        break;
      case 1:
        fileView.AddLines({line, "00:00:01:000 --> 00:00:02:000", line});
        break;
      case 2:
        if (at < fileView.Count()) fileView.Delete(at);
        break;
      case 3:
        if (at < fileView.Count()) fileView.ReplaceLine(at, line);
        break;
      default:
        fileView.ReplacePieces(at, 1 + (data[i] & 1) * (pieces - at - 1), line);
        break;
    }
    titrelle::Listing again;
    again.SetListingText(fileView.Text());
    Require(subtitles.All() == titrelle::SubtitleIndex(again).All(),
            "the index differs from the text read anew");
  }
  fileView.OnPiecesChanged = nullptr;

  const int omitClosingTag = size > 0 ? data[0] & 1 : 0;
  titrelle::RestyleText(text, kDefaultPrefix, titrelle::StyleMode::Default, omitClosingTag);
  titrelle::RestyleText(text, kCustomPrefix, titrelle::StyleMode::Custom, omitClosingTag);

  // The linear aligned search agrees with the slow one; the pattern is a piece of the input itself.
  if (size > 1) {
    const std::size_t patternLength = 1 + data[0] % 4;
    const std::string_view pattern = bytes.substr(1, patternLength);
    const std::string_view haystack = bytes.substr(1 + pattern.size());
    std::vector<std::size_t> matches;
    titrelle::ForEachCharacterAligned(haystack, pattern,
                                      [&](std::size_t start) { matches.push_back(start); });
    Require(matches == SlowAlignedMatches(haystack, pattern), "aligned search differs from the slow one");
    const std::size_t first = titrelle::FindCharacterAligned(haystack, pattern);
    Require(first == (matches.empty() ? std::string_view::npos : matches.front()),
            "first aligned match differs");
  }

  // The codec at the shells' edges takes anything, and the whole-document decoder agrees with it.
  bool lossy = false;
  const std::string utf8 = titrelle::Utf8FromCp936(text.substr(0, 512));
  titrelle::Cp936FromUtf8(utf8, &lossy);
  Require(titrelle::Utf8FromCp936Document(text.substr(0, 512)) == utf8, "the document decoder differs");

  // The standard SubRip copy: subtitles, or an error about a line the file has.
  try {
    const titrelle::SubRipExport standard = titrelle::ExportStandardSubRip(bytes, omitClosingTag);
    Require(standard.subtitleCount > 0 && standard.utf8.ends_with("\r\n\r\n"), "a copy without subtitles");
  } catch (const titrelle::SubRipExportError& error) {
    Require(error.Line() >= 0 && static_cast<std::size_t>(error.Line()) <= CountBreaks(text) + 1,
            "an export error about a line the file does not have");
  }
  return 0;
}
