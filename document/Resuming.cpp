// Resuming an existing subtitle file: it is loaded into both views, edit mode starts, and playback is to
// continue at the end of its last subtitle.
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "base/Error.h"
#include "base/ProgramChange.h"
#include "capture/TimeText.h"
#include "document/LastTimeLine.h"
#include "document/SubtitleFile.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// 字幕文件“%s”不是 GBK 编码，而是 %s 编码，本程序无法编辑它。文件保持原样，不会被改写；重新打开视频并回答
// “否”，可以把它留作备份并新建字幕文件。
std::string ForeignEncodingMessage(const std::string& shownPath, FileEncoding encoding) {
  return "\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xA1\xB0" + shownPath +
         "\xA1\xB1\xB2\xBB\xCA\xC7 GBK \xB1\xE0\xC2\xEB\xA3\xAC\xB6\xF8\xCA\xC7 " +
         (encoding == FileEncoding::Utf8 ? "UTF-8" : "UTF-16") +
         " \xB1\xE0\xC2\xEB\xA3\xAC\xB1\xBE\xB3\xCC\xD0\xF2\xCE\xDE\xB7\xA8\xB1\xE0\xBC\xAD\xCB\xFC\xA1\xA3"
         "\xCE\xC4"
         "\xBC\xFE\xB1\xA3\xB3\xD6\xD4\xAD\xD1\xF9\xA3\xAC\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xC4\xD0\xB4\xA3\xBB"
         "\xD6\xD8"
         "\xD0\xC2\xB4\xF2\xBF\xAA\xCA\xD3\xC6\xB5\xB2\xA2\xBB\xD8\xB4\xF0\xA1\xB0\xB7\xF1\xA1\xB1\xA3\xAC"
         "\xBF\xC9"
         "\xD2\xD4\xB0\xD1\xCB\xFC\xC1\xF4\xD7\xF7\xB1\xB8\xB7\xDD\xB2\xA2\xD0\xC2\xBD\xA8\xD7\xD6\xC4\xBB"
         "\xCE\xC4"
         "\xBC\xFE\xA1\xA3";
}

}  // namespace

void TForm1::ResumeSubtitleFile() {
  // Loading is the program's own change: no save, no write-back, until the user view is derived.
  ProgramChange loading(Document.LoadingFile);
  std::string text;
  try {
    // A file that cannot be read completely, or one in another encoding, is left exactly as it is: no
    // save of this document may replace it, since the views do not hold what it holds.
    // What is read is what the next save compares the file with: a change after this read is another
    // writer's.
    const std::string bytes = Ws.Files().ReadWhole(Document.SubtitlePath, &Document.KnownStamp);
    const FileEncoding encoding = DetectFileEncoding(bytes);
    if (encoding != FileEncoding::Cp936) {
      Document.Protect("it is not in code page 936");
      throw Error(ForeignEncodingMessage(Ws.Files().DisplayName(Document.SubtitlePath), encoding));
    }
    text = NormalizeLineBreaks(bytes);
  } catch (const std::exception& error) {
    loading.End();
    if (Document.ProtectedSubtitlePath.empty()) Document.Protect("it could not be loaded");
    ShowErrorReport(Ws, error.what());
    throw;
  }
  try {
    // The file view takes the text itself: a file of a hundred megabytes is not held twice while the views
    // are filled.
    Document.TempRichEdit.SwapText(text);
    text.clear();
    text.shrink_to_fit();
    // The user view is filled once, with the derived text (the derivation reads the file view alone): on
    // the desktop, filling a text editor is most of a resume.
    DeriveUserView();
    Editing.UserViewSnapshot().SetListingText(Document.Memo2.Text());
    EnterEditMode();
    loading.End();
    Session.SeekWhenPlaying();
    Document.OmitClosingTag = 1;
    FindLastTimeLine();
    Label1->SetText(Edit2->Text());
    Session.SetContinuePosition(TimeTextToSeconds(Edit2->Text()));
  } catch (const std::exception& error) {
    // The file was read whole: the views hold all of it, and it stays an ordinary document whose edits and
    // commits save. Only a stale pending seek must not start the video.
    loading.End();
    Session.CancelPendingSeek();
    // The views may hold the file's text underived: an edit joining its lines is undone back to that.
    try {
      RefreshUserViewSnapshot();
    } catch (const std::exception&) {
    }
    ShowErrorReport(Ws, error.what());
    throw;
  }
}

void TForm1::FindLastTimeLine() {
  const LastTimeLineBoxes boxes =
      titrelle::FindLastTimeLine(Document.TempRichEdit.Text(), Document.TempRichEdit.Count());
  if (!boxes.found)
    throw Error("No time line in file \"" + Ws.Files().DisplayName(Document.SubtitlePath) + "\"");
  Edit1->SetText(boxes.startBoxText);
  Edit2->SetText(boxes.endBoxText);
  Session.SetContinueStartText(Edit2->Text());
}

}  // namespace titrelle
