// Adding an empty subtitle after the one under the user view's caret, or after the row chosen in the
// subtitle table, in edit mode: one command of the document's history.
#include <memory>
#include <optional>
#include <string>

#include "app/Unit1.h"
#include "capture/TimeText.h"
#include "editing/CaretSubtitle.h"
#include "editing/SubtitleEditCommand.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// The number the caret's subtitle carries on its number line; else its place among the time lines.
int SubtitleNumber(const Listing& fileView, const CaretSubtitle& subtitle) {
  if (subtitle.first < subtitle.timeLine) {
    const std::string_view line = TrimmedView(fileView.LineView(subtitle.timeLine - 1));
    if (IsNumberLine(line) && line.size() <= 9) return std::stoi(std::string(line));
  }
  int place = 0;
  for (int line = 0; line <= subtitle.timeLine; ++line) {
    if (IsTimeLine(fileView.LineView(line))) ++place;
  }
  return place;
}

}  // namespace

void TForm1::InsertSubtitleAfterCaret() { InsertSubtitleAfter(UserRichEdit->CaretLine()); }

void TForm1::InsertSubtitleAfterTableRow() {
  const int row = TableRows.ChosenRow();
  if (row < 0 || row >= Document.Subtitles().Count()) {
    InsertSubtitleAfterCaret();
    return;
  }
  InsertSubtitleAfter(Document.Subtitles().TimeLine(row));
}

void TForm1::InsertSubtitleAfter(int line) {
  const Listing& fileView = Document.TempRichEdit;
  if (!SnapshotHoldsTheFileViewsLines()) return;
  const std::optional<CaretSubtitle> subtitle = FindCaretSubtitle(fileView, line);
  if (!subtitle) return;
  const std::optional<CaretSubtitle> next = NextSubtitle(fileView, *subtitle);
  const std::optional<SubtitleTimes> times =
      InsertedSubtitleTimes(subtitle->times, next ? std::optional(next->times) : std::nullopt);
  if (!times) return;

  std::string group = std::to_string(SubtitleNumber(fileView, *subtitle) + 1) + "\r\n";
  AppendTimeLine(group, *times, TimeLayout::Program);
  group += "\r\n";
  const std::string styledText = ComposeStyledLine(StylePart1(), StylePart2(), "", Document.OmitClosingTag);
  // The new group goes before the line that follows the caret's group (the next group's first, or the empty
  // piece after the final break); a group that ends the text without its blank line gets one first.
  const int pieces = fileView.PieceCount();
  const bool followed = subtitle->end < pieces;
  const int at = followed ? subtitle->end : pieces - 1;
  const int groupFirst = followed ? at : at + (fileView.PiecesView(at, 1).empty() ? 1 : 2);
  const auto lines = [&](const Listing& listing, const std::string& text) {
    const std::string old(listing.PiecesView(at, 1));
    if (followed) return group + text + "\r\n\r\n" + old;
    return old + (old.empty() ? "\r\n" : "\r\n\r\n") + group + text + "\r\n\r\n";
  };
  const std::string fileViewText = lines(fileView, styledText);
  const std::string userViewText = lines(Editing.UserViewSnapshot(), "");
  // F8 goes on after the new subtitle when it is the last.
  long double continuePosition = Session.ContinuePosition();
  std::string continueStartText = Session.ContinueStartText();
  if (!next && IsLastSubtitle(fileView, *subtitle)) {
    continuePosition = times->end.Seconds();
    continueStartText = times->end.Text(TimeLayout::Program);
  }
  // The caret lands on the new subtitle's text line, for its text to be typed.
  auto command = std::make_unique<SubtitleEditCommand>(*this, at, 1, groupFirst + 2);
  command->Do(fileViewText, userViewText, continuePosition, continueStartText);
  Document.History.Done(std::move(command));
  HistoryActed();
}

}  // namespace titrelle
