// Resuming an existing subtitle file: it is loaded into both views, edit mode starts, and playback is to
// continue at the end of its last subtitle.
#include <exception>

#include "app/Unit1.h"
#include "capture/TimeText.h"
#include "document/LastTimeLine.h"
#include "document/SubtitleFile.h"
#include "ui/Error.h"
#include "ui/ErrorReport.h"

namespace titrelle {

void TForm1::ResumeSubtitleFile() {
  try {
    Session.LoadingFile = 1;
    TempRichEdit.SetListingText(ReadSubtitleFile(Session.SubtitlePath));
    UserRichEdit->SetListingText(TempRichEdit.Text());
    DeriveUserView();
    RefreshUserViewSnapshot();
    EnterEditMode();
    Session.LoadingFile = 0;
    Session.PendingSeek = 1;
    Session.OmitClosingTag = 1;
    FindLastTimeLine();
    Label1->SetText(Edit2->Text());
    Session.ContinuePosition = TimeTextToSeconds(Edit2->Text());
  } catch (const std::exception& error) {
    // Saves and write-backs must not stay stopped, yet what the views now hold may be only part of the
    // file: no save of this document may replace it. Nor should a stale pending seek start the video.
    Session.LoadingFile = 0;
    Session.PendingSeek = 0;
    Session.ProtectedSubtitlePath = Session.SubtitlePath;
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
  const LastTimeLineBoxes boxes = titrelle::FindLastTimeLine(TempRichEdit.Text(), TempRichEdit.Count());
  if (!boxes.found) throw Error("No time line in file \"" + Session.SubtitlePath + "\"");
  Edit1->SetText(boxes.startBoxText);
  Edit2->SetText(boxes.endBoxText);
  Session.ContinueStartText = Edit2->Text();
}

}  // namespace titrelle
