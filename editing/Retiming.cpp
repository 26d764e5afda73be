// Re-timing and deleting the subtitle under the user view's caret from the keyboard, in edit mode, and moving
// the edges of the lines selected in the table onto the speech: each one command of the document's history.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "capture/SnapLag.h"
#include "editing/CaretSubtitle.h"
#include "editing/SubtitleEditCommand.h"

namespace titrelle {

namespace {

// 终止时间须晚于起始时间。(the commit refuses such a line with the same words)
const std::string kEndNotAfterStart =
    "\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xD0\xEB\xCD\xED\xD3\xDA\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xA1\xA3";

// 没有找到可对齐的语音
const std::string kNoSpeechToSnapTo =
    "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xBF\xC9\xB6\xD4\xC6\xEB\xB5\xC4\xD3\xEF\xD2\xF4";

}  // namespace

void TForm1::RetimeCaretSubtitleFromPosition(bool end) {
  const std::optional<CaretSubtitle> subtitle =
      FindCaretSubtitle(Document.TempRichEdit, UserRichEdit->CaretLine());
  if (!subtitle) return;
  // The position as F9 and F10 write it; none while the player has no position.
  const std::optional<SubtitleTime> position = SubtitleTime::Read(BuildTimeText());
  if (!position) return;
  const long long delta =
      position->Milliseconds() - (end ? subtitle->times.end : subtitle->times.start).Milliseconds();
  RetimeCaretSubtitle(end, delta);
}

void TForm1::RetimeCaretSubtitle(bool end, long long byMs) {
  const std::optional<CaretSubtitle> subtitle =
      FindCaretSubtitle(Document.TempRichEdit, UserRichEdit->CaretLine());
  if (!subtitle || byMs == 0) return;
  SubtitleTimes times = subtitle->times;
  SubtitleTime& edge = end ? times.end : times.start;
  // Never before the video's start.
  const std::optional<SubtitleTime> moved =
      SubtitleTime::FromMilliseconds(std::max(edge.Milliseconds() + byMs, 0LL));
  if (!moved || *moved == edge) return;
  edge = *moved;
  RetimeSubtitle(*subtitle, times);
}

void TForm1::RetimeDraggedSubtitle(int timeLine, const DraggedTimes& times) {
  if (RefusedWhileResuming()) return;
  // The line dragged is the group whose time line stands there, as long as it still holds the times shown.
  const std::optional<CaretSubtitle> subtitle = FindCaretSubtitle(Document.TempRichEdit, timeLine);
  if (!subtitle || subtitle->timeLine != timeLine) return;
  const std::optional<SubtitleTime> start = SubtitleTime::FromMilliseconds(times.startMs);
  const std::optional<SubtitleTime> end = SubtitleTime::FromMilliseconds(times.endMs);
  if (!start || !end) return;
  RetimeSubtitle(*subtitle, SubtitleTimes{*start, *end});
}

bool TForm1::SnapshotHoldsTheFileViewsLines() {
  // The two views must hold their lines at the same places; a snapshot that missed a change is read anew.
  if (Editing.UserViewSnapshot().PieceCount() != Document.TempRichEdit.PieceCount())
    RefreshUserViewSnapshot();
  return Editing.UserViewSnapshot().PieceCount() == Document.TempRichEdit.PieceCount();
}

namespace {

// `subtitle` given new times by a command done and returned.
std::unique_ptr<DocumentCommand> RetimeAt(TForm1& form, const CaretSubtitle& subtitle,
                                          const SubtitleTimes& times) {
  std::string line;
  AppendTimeLine(line, times, TimeLayout::Program);
  // F8 goes on where the last subtitle now ends.
  long double continuePosition = form.Session.ContinuePosition();
  std::string continueStartText = form.Session.ContinueStartText();
  if (times.end != subtitle.times.end && IsLastSubtitle(form.Document.TempRichEdit, subtitle)) {
    continuePosition = times.end.Seconds();
    continueStartText = times.end.Text(TimeLayout::Program);
  }
  auto command = std::make_unique<SubtitleEditCommand>(form, subtitle.timeLine, 1);
  command->Do(line, line, continuePosition, continueStartText);
  return command;
}

}  // namespace

void TForm1::RetimeSubtitle(const CaretSubtitle& subtitle, const SubtitleTimes& times) {
  if (times == subtitle.times || !SnapshotHoldsTheFileViewsLines()) return;
  if (times.end.Milliseconds() <= times.start.Milliseconds()) {
    ShowNotice(kEndNotAfterStart);
    return;
  }
  Document.History.Done(RetimeAt(*this, subtitle, times));
  HistoryActed();
}

namespace {

// The subtitle whose group holds `line`, deleted by a command done and returned (null when there is none).
std::unique_ptr<DocumentCommand> DeleteSubtitleAt(TForm1& form, int line) {
  const Listing& fileView = form.Document.TempRichEdit;
  if (!form.SnapshotHoldsTheFileViewsLines()) return nullptr;
  const std::optional<CaretSubtitle> subtitle = FindCaretSubtitle(fileView, line);
  if (!subtitle) return nullptr;
  // The group goes with its blank line: the first line after it takes its place, or, at the end, the text
  // ends where the group began.
  const bool followed = subtitle->end < fileView.PieceCount();
  const int count = subtitle->end - subtitle->first + (followed ? 1 : 0);
  const std::string fileViewText =
      followed ? std::string(fileView.PiecesView(subtitle->end, 1)) : std::string();
  const std::string userViewText =
      followed ? std::string(form.Editing.UserViewSnapshot().PiecesView(subtitle->end, 1)) : std::string();
  auto command = std::make_unique<SubtitleEditCommand>(form, subtitle->first, count);
  command->Do(fileViewText, userViewText, form.Session.ContinuePosition(), form.Session.ContinueStartText());
  return command;
}

// Several commands done one after another, undone and redone as one.
class CommandGroup : public DocumentCommand {
 public:
  void Add(std::unique_ptr<DocumentCommand> command) { commands_.push_back(std::move(command)); }
  bool Empty() const { return commands_.empty(); }
  void Undo() override {
    for (auto it = commands_.rbegin(); it != commands_.rend(); ++it) (*it)->Undo();
  }
  void Redo() override {
    for (auto& command : commands_) command->Redo();
  }

 private:
  std::vector<std::unique_ptr<DocumentCommand>> commands_;
};

}  // namespace

void TForm1::DeleteCaretSubtitle() {
  std::unique_ptr<DocumentCommand> command = DeleteSubtitleAt(*this, UserRichEdit->CaretLine());
  if (!command) return;
  Document.History.Done(std::move(command));
  HistoryActed();
}

void TForm1::DeleteTableRows() {
  // From the last row up: the lines of the rows above stay where they are.
  const std::vector<int> rows = TableRows.SelectedRows();
  auto group = std::make_unique<CommandGroup>();
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (*row < 0 || *row >= Document.Subtitles().Count()) continue;
    if (auto command = DeleteSubtitleAt(*this, Document.Subtitles().TimeLine(*row)))
      group->Add(std::move(command));
  }
  if (group->Empty()) return;
  Document.History.Done(std::move(group));
  HistoryActed();
}

void TForm1::SnapSubtitlesToSpeech(bool tableRows) {
  if (!SnapshotHoldsTheFileViewsLines()) return;
  std::vector<int> timeLines;
  if (tableRows) {
    for (const int row : TableRows.SelectedRows()) {
      if (row >= 0 && row < Document.Subtitles().Count())
        timeLines.push_back(Document.Subtitles().TimeLine(row));
    }
  } else if (const std::optional<CaretSubtitle> subtitle =
                 FindCaretSubtitle(Document.TempRichEdit, UserRichEdit->CaretLine())) {
    timeLines.push_back(subtitle->timeLine);
  }
  // A re-time changes no line's place: each time line stays where it was found.
  auto group = std::make_unique<CommandGroup>();
  int moved = 0;
  for (const int timeLine : timeLines) {
    const std::optional<CaretSubtitle> subtitle = FindCaretSubtitle(Document.TempRichEdit, timeLine);
    if (!subtitle) continue;
    const std::optional<SubtitleTimes> times = TimesOnSpeech(WP->DecodedPeaks(), subtitle->times);
    if (!times) continue;
    group->Add(RetimeAt(*this, *subtitle, *times));
    ++moved;
  }
  if (group->Empty()) {
    ShowNotice(kNoSpeechToSnapTo);
    return;
  }
  Document.History.Done(std::move(group));
  HistoryActed();
  // 已对齐语音：N 句
  ShowNotice("\xD2\xD1\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4\xA3\xBA" + std::to_string(moved) + " \xBE\xE4");
}

}  // namespace titrelle
