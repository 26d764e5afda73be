#pragma once
// The subtitles as the player's own renderer draws them over the video. The file's lines carry their look as
// markup: "{\fn..\fs..\bord..\shad..\3c..\pos(..)}" override blocks and "<b>", "<font color=..>" tags. A
// player's SubRip reader keeps only some of it (the tags; of the blocks only the alignment), while the
// renderers our users' players are built on honour all of it. So the preview hands the player the same
// lines as an Advanced SubStation Alpha script: the standard SubRip copy (document/SubRipExport.h), each
// subtitle one event, its override blocks as they stand and its tags as the override codes they stand for,
// on the 384 x 288 script size and default style a SubRip reader gives a file.

#include <string>
#include <string_view>
#include <vector>

namespace titrelle {

class SubtitleIndex;

// One subtitle as the script holds it: its "Dialogue:" line (times in hundredths of a second) and its span.
struct PreviewEvent {
  long long startMs = 0;
  long long endMs = 0;
  std::string line;  // with its "\n"
};

// The events of every subtitle of a file view (code page 936, the program's own layout or any SubRip file),
// in file order; a subtitle whose time line does not read is left out.
std::vector<PreviewEvent> PreviewEvents(std::string_view fileViewText);

// The same for the subtitles of a file view that show at some time from `fromMs` to `toMs`: only their
// text is converted, so that a change of a large file costs a pass over the times its index holds and the
// few subtitles around the position, not the whole file.
std::vector<PreviewEvent> PreviewEventsBetween(const SubtitleIndex& subtitles, long long fromMs,
                                               long long toMs);

// One event for the line being typed: its styled text (code page 936, as the file will hold it) from
// `startSeconds` to `endSeconds`. Empty when the times give no span.
std::string PreviewTypedEvent(long double startSeconds, long double endSeconds, std::string_view styledLine);

// The whole script (UTF-8): the header, the events that show at some time from `fromMs` to `toMs`, in
// their order, then `moreEvents` as given. The player reads a script in time proportional to its events
// (a tenth of a second for 10,000): the program hands it the stretch around the position, not the whole
// file.
std::string PreviewScript(const std::vector<PreviewEvent>& events, long long fromMs, long long toMs,
                          std::string_view moreEvents = {});

// A line of a file view (code page 936) as the preview hands it to the player: whole up to a screen's worth
// of bytes; a longer one cut on a character's start, before any "{" or "<" the cut would leave open, with
// "…" where it goes on. The player lays a line out whole on every frame that shows it, so a line of a
// megabyte would keep it busy for seconds; the file keeps every line whole.
std::string PreviewLine(std::string_view line);
inline constexpr std::size_t kPreviewLineBytes = 600;

// One subtitle's text lines (UTF-8, standard SubRip markup), as the text of an event: the lines joined by
// "\N", "<b>", "<i>", "<u>", "<s>" and "<font color/face/size>" turned into override codes, anything else as
// it stands.
std::string EventTextFromSubRip(std::string_view textLines);

}  // namespace titrelle
