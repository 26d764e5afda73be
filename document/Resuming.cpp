// Resuming an existing subtitle file: it is loaded into both views, edit mode starts, and playback is to
// continue at the end of its last subtitle.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <limits>
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

// How far a resume in slices has come, by the steps done after the file was read (reading it is the first
// tenth).
constexpr int kPercentDone[] = {10, 35, 60, 80, 90};

// A millisecond's pause, not none, between slices: where a woken loop takes posted messages before it draws
// (Win32), the window still draws the progress between them.
constexpr std::chrono::microseconds kBetweenSlices{1000};

// How much of the file one slice reads and looks at, makes CR LF, or hands the file view; and how much of
// the file view one slice derives. Each a few tens of milliseconds at most.
constexpr std::size_t kReadBytesPerSlice = std::size_t{8} << 20;
constexpr std::size_t kNormalizedBytesPerSlice = std::size_t{16} << 20;
constexpr std::size_t kViewedBytesPerSlice = std::size_t{8} << 20;
constexpr std::size_t kDerivedBytesPerSlice = std::size_t{4} << 20;
constexpr int kSpansPerSlice = 100000;

// The end of a run of whole lines from `from` on, some `bytes` long: just after the first line feed from
// there, or the text's end.
std::size_t WholeLinesEnd(std::string_view text, std::size_t from, std::size_t bytes) {
  if (bytes >= text.size() - from) return text.size();
  const std::size_t lineFeed = text.find('\n', from + bytes);
  return lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
}

}  // namespace

// Reading the file is the first tenth of a resume in slices.
int TForm1::ReadPercent(const ResumeSlices& slices) {
  if (slices.read || slices.fileBytes == 0) return kPercentDone[0];
  return static_cast<int>(kPercentDone[0] * slices.scan.Scanned() / slices.fileBytes);
}

void TForm1::ResumeSubtitleFile() {
  // Loading is the program's own change: no save, no write-back, until the user view is derived.
  auto slices = std::make_unique<ResumeSlices>(Document.LoadingFile);
  bool inSlices = false;
  try {
    // A file that cannot be read completely, or one in another encoding, is left exactly as it is: no
    // save of this document may replace it, since the views do not hold what it holds.
    slices->reading = Ws.Files().StartReading(Document.SubtitlePath);
    slices->fileBytes = slices->reading->SizeBytes();
    slices->bytes.reserve(static_cast<std::size_t>(slices->fileBytes));
    inSlices = slices->fileBytes >= ResumeInSlicesFromBytes;
    // A small file is read whole here; a large one the first piece here, the rest between events.
    while (ReadSomeOfTheFile(*slices) && !inSlices) {
    }
  } catch (const std::exception& error) {
    slices->loading.End();
    if (Document.ProtectedSubtitlePath.empty()) Document.Protect("it could not be loaded");
    ShowErrorReport(Ws, error.what());
    throw;
  }
  if (inSlices) {
    // A large file goes on between events, so that the window is drawn and answers while it loads. Until
    // it is done nothing may change the document: the mark buttons are off (edit mode keeps them off), and
    // the keys and the other controls that would change it are refused. A notice shown before (a save
    // completed at the open) comes back once the progress is done with the line.
    slices->noticeBefore = NoticeLabel->Text();
    for (Control* control : {StartTimeButton, EndTimeButton, EditButton, ContinueButton, BitBtn1}) {
      slices->enabledBefore.push_back(control->Enabled());
      control->SetEnabled(false);
    }
    ShowNotice(ResumeProgressText(ReadPercent(*slices)));
    SlicedResume = std::move(slices);
    if (!ResumeSliceTimer) ResumeSliceTimer = Ws.CreateWakeUpTimer([this] { ResumeNextSlice(); });
    ResumeSliceTimer->WakeAfter(kBetweenSlices);
    return;
  }
  try {
    for (int step = 0; !ResumeStep(step, slices->text, slices->loading); ++step) {
    }
  } catch (const std::exception& error) {
    ResumeFailed(slices->loading, error);
    throw;
  }
}

bool TForm1::ReadSomeOfTheFile(ResumeSlices& slices) {
  if (slices.read) return false;
  if (slices.reading) {
    const bool more = slices.reading->ReadMore(slices.bytes, kReadBytesPerSlice);
    slices.scan.Scan(slices.bytes, !more);
    if (more) return true;
    // What is read is what the next save compares the file with: a change after this read is another
    // writer's.
    Document.KnownStamp = slices.reading->Stamp();
    slices.reading.reset();
    const FileEncoding encoding = slices.scan.Encoding(slices.bytes);
    if (encoding != FileEncoding::Cp936) {
      Document.Protect("it is not in code page 936");
      throw Error(ForeignEncodingMessage(Ws.Files().DisplayName(Document.SubtitlePath), encoding));
    }
    if (slices.scan.BreaksAreCrLf()) {
      // Nearly every file: its bytes are its text as they are.
      slices.text.swap(slices.bytes);
      slices.read = true;
      return true;
    }
    slices.text.reserve(slices.bytes.size() + slices.bytes.size() / 16);
  }
  // Pieces of whole lines: a CR LF never falls between two of them.
  const std::size_t end = WholeLinesEnd(slices.bytes, slices.normalizedUpTo, kNormalizedBytesPerSlice);
  slices.text += NormalizeLineBreaks(
      std::string_view(slices.bytes).substr(slices.normalizedUpTo, end - slices.normalizedUpTo));
  slices.normalizedUpTo = end;
  if (end == slices.bytes.size()) {
    std::string().swap(slices.bytes);
    slices.read = true;
  }
  return true;
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
      // The snapshot takes the scratch listing's text and lines as they are: at a million lines a copy and a
      // new reading of them would be a tenth of a gigabyte and a tenth of a second.
      Editing.UserViewSnapshot().TakeText(Document.Memo2);
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
    if (ReadSomeOfTheFile(slices)) {
      ShowNotice(ResumeProgressText(ReadPercent(slices)));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
    // The timeline's spans are read before edit mode, the last step, ends the load.
    if (slices.nextStep == 4 && Timeline.ReadSomeSpans(kSpansPerSlice)) {
      ShowNotice(ResumeProgressText(kPercentDone[4]));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
    // Steps done a run of lines a slice: the file view filled, the user view's text derived, the user view
    // filled.
    const int step = slices.nextStep;
    if ((step == 0 && ViewSomeLines(slices)) || (step == 1 && DeriveSomeLines(slices)) ||
        (step == 2 && FillSomeLines(slices))) {
      // The text handed to the file view is let go once it is all there.
      const std::size_t doneBytes[] = {slices.viewedUpTo, slices.derivedUpTo, slices.filledUpTo};
      const std::size_t allBytes[] = {slices.text.empty() ? slices.viewedUpTo : slices.text.size(),
                                      Document.TempRichEdit.Text().size(), Document.Memo2.Text().size()};
      const double done = static_cast<double>(doneBytes[step]) /
                          static_cast<double>(std::max<std::size_t>(allBytes[step], 1));
      ShowNotice(ResumeProgressText(kPercentDone[step] +
                                    static_cast<int>(done * (kPercentDone[step + 1] - kPercentDone[step]))));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
    slices.nextStep = step + 1;
    if (!ResumeStep(step, slices.text, slices.loading)) {
      ShowNotice(ResumeProgressText(kPercentDone[slices.nextStep]));
      ResumeSliceTimer->WakeAfter(kBetweenSlices);
      return;
    }
  } catch (const std::exception& error) {
    // A file that could not be read whole is left as it is, as when it is read in one piece.
    if (!slices.read && Document.ProtectedSubtitlePath.empty()) Document.Protect("it could not be loaded");
    ResumeFailed(slices.loading, error);
    // As when the open ends on an error in one piece: the user may open again.
    OpenButton->SetEnabled(true);
  }
  EndSlicedResume();
}

bool TForm1::ViewSomeLines(ResumeSlices& slices) {
  const std::string& text = slices.text;
  if (slices.viewedUpTo >= text.size()) return false;
  Listing& fileView = Document.TempRichEdit;
  if (slices.viewedUpTo == 0) {
    fileView.Clear();
    const auto lineFeeds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    fileView.Reserve(text.size(),
                     static_cast<int>(std::min<std::size_t>(
                         lineFeeds + 1, static_cast<std::size_t>(std::numeric_limits<int>::max()))));
  }
  // A run of whole lines appended after the last break (where the empty last piece stands): the lines and
  // the subtitles are read for it alone.
  const std::size_t end = WholeLinesEnd(text, slices.viewedUpTo, kViewedBytesPerSlice);
  fileView.ReplacePieces(fileView.PieceCount() - 1, 1,
                         std::string_view(text).substr(slices.viewedUpTo, end - slices.viewedUpTo));
  slices.viewedUpTo = end;
  if (end == text.size()) {
    std::string().swap(slices.text);
    slices.nextStep = 1;
  }
  return true;
}

bool TForm1::FillSomeLines(ResumeSlices& slices) {
  const std::string& derived = Document.Memo2.Text();
  if (slices.filledUpTo >= derived.size()) return false;
  if (slices.filledUpTo == 0) {
    UserRichEdit->Clear();
    UserRichEdit->ReserveText(derived.size(), Document.Memo2.PieceCount());
  }
  // A run of whole lines after the last break, as the user view would have had them set at once.
  const std::size_t end = WholeLinesEnd(derived, slices.filledUpTo, kViewedBytesPerSlice);
  UserRichEdit->AppendLines(derived.substr(slices.filledUpTo, end - slices.filledUpTo));
  slices.filledUpTo = end;
  if (end == derived.size()) slices.nextStep = 3;
  return true;
}

bool TForm1::DeriveSomeLines(ResumeSlices& slices) {
  const std::string& fileView = Document.TempRichEdit.Text();
  if (slices.derivedUpTo >= fileView.size()) return false;
  if (!slices.derivation) slices.derivation.emplace(fileView);
  // A run of whole lines, some megabytes long: a few tens of milliseconds.
  const std::size_t end = WholeLinesEnd(fileView, slices.derivedUpTo, kDerivedBytesPerSlice);
  slices.text += slices.derivation->Derive(
      std::string_view(fileView).substr(slices.derivedUpTo, end - slices.derivedUpTo));
  slices.derivedUpTo = end;
  return true;
}

void TForm1::EndSlicedResume() {
  if (!SlicedResume) return;
  const std::unique_ptr<ResumeSlices> slices = std::move(SlicedResume);
  ResumeSliceTimer->Sleep();
  // The controls come back as they were; edit mode keeps the mark buttons off.
  Control* const controls[] = {StartTimeButton, EndTimeButton, EditButton, ContinueButton, BitBtn1};
  for (std::size_t k = 0; k < slices->enabledBefore.size(); ++k) {
    const bool markButton = controls[k] == StartTimeButton || controls[k] == EndTimeButton;
    if (!markButton || !Session.InEditMode()) controls[k]->SetEnabled(slices->enabledBefore[k]);
  }
  if (!slices->noticeBefore.empty()) {
    ShowNotice(slices->noticeBefore);
  } else {
    NoticeLabel->SetText("");
  }
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
