// Resuming an existing subtitle file: it is loaded into both views, edit mode starts, and playback is to
// continue at the end of its last subtitle.
#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/Unit1.h"
#include "base/Error.h"
#include "base/ProgramChange.h"
#include "capture/TimeText.h"
#include "document/LastTimeLine.h"
#include "document/SubtitleFile.h"
#include "document/UserViewDerivation.h"
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

// 正在读取字幕… 45%
std::string ResumeProgressText(int percent) {
  return "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xD7\xD6\xC4\xBB\xA1\xAD " + std::to_string(percent) + "%";
}

// How far a resume in slices has come, by the steps done after the file was read.
constexpr int kPercentDone[] = {10, 35, 60, 80, 90};

// A millisecond's pause, not none, between slices: where a woken loop takes posted messages before it draws
// (Win32), the window still draws the progress between them.
constexpr std::chrono::microseconds kBetweenSlices{1000};

// How much of the file view one slice derives.
constexpr std::size_t kDerivedBytesPerSlice = std::size_t{4} << 20;

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
  if (text.size() >= ResumeInSlicesFromBytes) {
    // A large file goes on between events, so that the window is drawn and answers while it loads. Until
    // it is done nothing may change the document: the mark buttons are off (edit mode keeps them off), and
    // the keys and the other controls that would change it are refused.
    loading.End();
    SlicedResume = std::make_unique<ResumeSlices>(Document.LoadingFile);
    SlicedResume->text = std::move(text);
    for (Control* control : {StartTimeButton, EndTimeButton, EditButton, ContinueButton, BitBtn1})
      control->SetEnabled(false);
    ShowNotice(ResumeProgressText(kPercentDone[0]));
    if (!ResumeSliceTimer) ResumeSliceTimer = Ws.CreateWakeUpTimer([this] { ResumeNextSlice(); });
    ResumeSliceTimer->WakeAfter(kBetweenSlices);
    return;
  }
  try {
    for (int step = 0; !ResumeStep(step, text, loading); ++step) {
    }
  } catch (const std::exception& error) {
    ResumeFailed(loading, error);
    throw;
  }
}

bool TForm1::ResumeStep(int step, std::string& text, ProgramChange<int>& loading) {
  switch (step) {
    case 0:
      // The file view takes the text itself: a file of a hundred megabytes is not held twice while the views
      // are filled.
      Document.TempRichEdit.SwapText(text);
      std::string().swap(text);
      return false;
    // The user view is filled once, with the derived text (the derivation reads the file view alone): on
    // the desktop, filling a text editor is most of a resume. These two steps are DeriveUserView's.
    case 1:
      // In slices the text was derived already, a run of lines a slice.
      if (text.empty()) text = DeriveUserViewText(Document.TempRichEdit.Text());
      Document.Memo2.Clear();
      Document.Memo2.SwapText(text);
      std::string().swap(text);
      return false;
    case 2:
      UserRichEdit->Clear();
      UserRichEdit->SetListingText(Document.Memo2.Text());
      return false;
    case 3:
      Editing.UserViewSnapshot().SetListingText(Document.Memo2.Text());
      return false;
    default:
      EnterEditMode();
      loading.End();
      Session.SeekWhenPlaying();
      Document.OmitClosingTag = 1;
      FindLastTimeLine();
      Label1->SetText(Edit2->Text());
      Session.SetContinuePosition(TimeTextToSeconds(Edit2->Text()));
      return true;
  }
}

void TForm1::ResumeFailed(ProgramChange<int>& loading, const std::exception& error) {
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
}

void TForm1::ResumeNextSlice() {
  if (!SlicedResume) return;
  ResumeSlices& slices = *SlicedResume;
  try {
    if (slices.nextStep == 1 && DeriveSomeLines(slices)) {
      const double derived =
          static_cast<double>(slices.derivedUpTo) /
          static_cast<double>(std::max<std::size_t>(Document.TempRichEdit.Text().size(), 1));
      ShowNotice(ResumeProgressText(kPercentDone[1] +
                                    static_cast<int>(derived * (kPercentDone[2] - kPercentDone[1]))));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
    const int step = slices.nextStep++;
    if (!ResumeStep(step, slices.text, slices.loading)) {
      ShowNotice(ResumeProgressText(kPercentDone[slices.nextStep]));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
  } catch (const std::exception& error) {
    ResumeFailed(slices.loading, error);
    // As when the open ends on an error in one piece: the user may open again.
    OpenButton->SetEnabled(true);
  }
  EndSlicedResume();
}

bool TForm1::DeriveSomeLines(ResumeSlices& slices) {
  const std::string& fileView = Document.TempRichEdit.Text();
  if (slices.derivedUpTo >= fileView.size()) return false;
  if (!slices.derivation) slices.derivation.emplace(fileView);
  // A run of whole lines, some megabytes long: a few tens of milliseconds.
  std::size_t end = slices.derivedUpTo + kDerivedBytesPerSlice;
  if (end >= fileView.size()) {
    end = fileView.size();
  } else {
    const std::size_t lineFeed = fileView.find('\n', end);
    end = lineFeed == std::string::npos ? fileView.size() : lineFeed + 1;
  }
  slices.text += slices.derivation->Derive(
      std::string_view(fileView).substr(slices.derivedUpTo, end - slices.derivedUpTo));
  slices.derivedUpTo = end;
  return true;
}

void TForm1::EndSlicedResume() {
  if (!SlicedResume) return;
  SlicedResume.reset();
  ResumeSliceTimer->Sleep();
  // Edit mode keeps the mark buttons off; the others are back.
  for (Control* control : {EditButton, ContinueButton, BitBtn1}) control->SetEnabled(true);
  NoticeLabel->SetText("");
}

bool TForm1::RefusedWhileResuming() {
  if (!SlicedResume) return false;
  ShowNotice(ResumeProgressText(kPercentDone[SlicedResume->nextStep]));
  return true;
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
