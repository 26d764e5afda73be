// Following the caret in the user view: the key guard, and the replay of the line the caret stands on.
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "capture/TimeText.h"
#include "editing/UserViewLines.h"

namespace titrelle {

// Runs on key down and on key up alike; only swallowing on key down keeps a key from the view.
void TForm1::UserRichEditKeyDown(KeyEvent& key) {
  CloseTypingOffItsLine();
  Editing.SetCaretLine(UserRichEdit->CaretLine());
  const std::size_t lineBytes = UserViewLine(*UserRichEdit, Editing.CaretLine()).size();
  const bool erasing = key.key == vk::Back || key.key == vk::Delete;
  // A line of one or two bytes (a number below 100, a single character) keeps the group's shape.
  if (erasing && lineBytes <= 2) key.swallowed = true;
  // Joining or splitting lines would shift every later line against the file view. A selection inside one
  // line, wherever it starts, is erased as the user asks.
  const bool nothingSelected = UserRichEdit->SelectionEmpty();
  const int column = UserRichEdit->CaretColumn();
  if (key.key == vk::Delete && nothingSelected && column == static_cast<int>(lineBytes)) key.swallowed = true;
  if (key.key == vk::Back && nothingSelected && column == 0) key.swallowed = true;
  if (erasing && SelectionSpansLineBreak()) key.swallowed = true;
  if (key.key == vk::Return) key.swallowed = true;
  FollowCaret();
}

// A character typed over a selection that holds a line break would join lines too.
void TForm1::UserRichEditKeyPress(KeyPressEvent& key) {
  if (SelectionSpansLineBreak()) key.character = 0;
}

bool TForm1::SelectionSpansLineBreak() const {
  return UserRichEdit->SelectionEndLine() != UserRichEdit->CaretLine();
}

void TForm1::UserRichEditMouseDown() {
  CloseTypingOffItsLine();
  FollowCaret();
}

void TForm1::FollowCaret() {
  // The table goes where the user takes the caret, without the replay a row chosen there starts. (A command
  // that moves the caret leaves the table's selection as it is: a delete leaves nothing selected.)
  if (UserRichEdit->Visible())
    TableRows.CaretInRow(Document.Subtitles().SubtitleOfLine(UserRichEdit->CaretLine()));
  // Following is a convenience: a line whose times do not parse, or a player that fails, leaves what was
  // done so far and nothing more.
  try {
    TakeCaretLine(true);
    const long double before = WP->CurrentPosition();
    if (Session.MarkStart() >= before) {
      const long double after = WP->CurrentPosition();
      if (Session.MarkEnd() <= after) {
        WP->Pause();
        return;
      }
    }
    WP->Play();
  } catch (const std::exception&) {
  }
}

}  // namespace titrelle

namespace titrelle {

void TForm1::TakeCaretLine(bool seek) {
  Editing.SetCaretLine(UserRichEdit->CaretLine());
  // An empty line is a group's blank line, where nothing may be typed; below a time line it is the text line
  // of a subtitle added empty, waiting for its text.
  const bool textLine = Editing.CaretLine() > 0 && UserViewTimeLine(*UserRichEdit, Editing.CaretLine() - 1);
  const std::string_view text = UserViewLine(*UserRichEdit, Editing.CaretLine());
  UserRichEdit->SetReadOnly(text.empty() && !textLine);
  Editing.SetCaretLineText(text);
  if (Editing.CaretLineHoldsArrow()) {
    const TimeLineColumns columns = ReadTimeLineColumns(text);
    Edit1->SetText(columns.start);
    Session.SetMarkStart(TimeTextToSeconds(columns.start));
    if (seek) WP->SetCurrentPosition(static_cast<double>(Session.MarkStart()));
    Edit2->SetText(columns.end);
    Session.SetMarkEnd(TimeTextToSeconds(columns.end));
  }
}

}  // namespace titrelle

namespace titrelle {

void TForm1::CaretToSubtitle(int subtitle) {
  if (subtitle < 0 || subtitle >= Document.Subtitles().Count()) return;
  // The user view holds its lines where the file view does.
  UserRichEdit->CaretToLine(Document.Subtitles().TimeLine(subtitle));
  FollowCaret();
}

}  // namespace titrelle
