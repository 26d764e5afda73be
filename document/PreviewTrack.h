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

namespace titrelle {

// The events of every subtitle of a file view (code page 936, the program's own layout or any SubRip file),
// one "Dialogue:" line each, in file order; a subtitle whose time line does not read is left out. Times
// are in hundredths of a second, as the script holds them.
std::string PreviewEvents(std::string_view fileViewText);

// One event for the line being typed: its styled text (code page 936, as the file will hold it) from
// `startSeconds` to `endSeconds`. Empty when the times give no span.
std::string PreviewTypedEvent(long double startSeconds, long double endSeconds, std::string_view styledLine);

// The whole script (UTF-8): the header, then the events as given.
std::string PreviewScript(std::string_view events, std::string_view moreEvents = {});

// One subtitle's text lines (UTF-8, standard SubRip markup), as the text of an event: the lines joined by
// "\N", "<b>", "<i>", "<u>", "<s>" and "<font color/face/size>" turned into override codes, anything else as
// it stands.
std::string EventTextFromSubRip(std::string_view textLines);

}  // namespace titrelle
