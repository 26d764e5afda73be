#pragma once
// TForm1, the main window. One class; its handlers are defined in the folders of their subsystems:
// app/ (start-up, hot keys, resize, close), capture/ (clock, marking, committing), document/ (opening,
// resuming, saving, deriving), editing/ (edit mode), style/ (the font button and the start-up style load).

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/HotKeyRegistration.h"
#include "app/Notices.h"
#include "base/ProgramChange.h"
#include "capture/CaptureSession.h"
#include "capture/CaptureTimeline.h"
#include "capture/SpeechSnapSetting.h"
#include "capture/SubtitleTime.h"
#include "document/FileNames.h"
#include "document/Listing.h"
#include "document/OpenWatch.h"
#include "document/SubtitleDocument.h"
#include "document/SubtitleFile.h"
#include "document/SubtitlePreviewer.h"
#include "document/UserViewDerivation.h"
#include "editing/CaretSubtitle.h"
#include "editing/EditSession.h"
#include "editing/SubtitleTableRows.h"
#include "editing/TypingCommand.h"
#include "media/MediaPlayer.h"
#include "ui/Controls.h"
#include "ui/KeyTable.h"
#include "ui/Window.h"
#include "ui/WindowSystem.h"
#include "ui/WorkbenchBar.h"

// The windows are no plain algorithm's business: see CMakeLists.txt.
#ifdef TITRELLE_PLAIN_ALGORITHMS
#error "a plain algorithm takes the document or a listing, never a window"
#endif

namespace titrelle {

class TFontOptionForm;
class TypingCommand;

// The main window's table: names, kinds, positions, captions, hints, fonts, tab order, instructions.
const WindowTable& MainWindowTable();

class TForm1 {
 public:
  // Builds the window from its table and runs FormCreate.
  explicit TForm1(WindowSystem& windowSystem);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  WindowSystem& Ws;
  std::unique_ptr<Window> Form;

  // Controls of the table.
  Control* Label1 = nullptr;
  Control* Label2 = nullptr;
  Control* Edit1 = nullptr;
  Control* Edit2 = nullptr;
  Control* OpenButton = nullptr;
  Control* BitBtn1 = nullptr;
  Control* StartTimeButton = nullptr;
  Control* EndTimeButton = nullptr;
  Control* InputEdit = nullptr;
  Control* Panel2 = nullptr;
  Control* Panel3 = nullptr;
  Control* EditButton = nullptr;
  Control* ContinueButton = nullptr;
  Control* NoticeLabel = nullptr;
  Control* PreviewCheckBox = nullptr;
  Control* SpeechSnapCheckBox = nullptr;
  UserViewControl* UserRichEdit = nullptr;
  SubtitleDocument Document;  // the file view, the scratch listing, the subtitle file and its save
  std::unique_ptr<MediaPlayer> WP;
  // The workbench's bar (undo, redo, key help), where the window system gives the window one.
  std::unique_ptr<WorkbenchBar> Bar;
  // The position clock: it rings when something is due (capture/ClockPlan.h) and after every event.
  std::unique_ptr<WakeUpTimer> Timer1;

  CaptureSession Session;
  // The video's names, as the system holds them (document/FileNames.h).
  MediaNames Video;
  // What the player panel draws beside the picture: the marks and the lines written (capture/).
  CaptureTimeline Timeline{Session, Document};
  // The subtitle table on the workbench: its rows and what the user does with them (editing/).
  SubtitleTableRows TableRows{*this};
  // F9, F10, F7 and F8 system-wide: their atoms and their registration.
  HotKeyRegistration SystemWideKeys{Ws};

  // A word after each saved line, a failed save or a refused line, gone after a few seconds.
  Notices Notice{Ws, Form->Find("NoticeLabel")};
  void ShowNotice(const std::string& text) { Notice.Show(text); }

  // The font options dialogs; FontOptionForm is the newest, whose style strings every line writer reads.
  std::vector<std::unique_ptr<TFontOptionForm>> FontOptionForms;
  TFontOptionForm* FontOptionForm = nullptr;
  const std::string& StylePart1() const;
  const std::string& StylePart2() const;

  // app/
  void FormCreate();
  void FormShow();
  void FormResize();
  bool FormCloseQuery();  // false keeps the window open
  void FormClose();
  void HotKeyHandler(int id);
  // A key pressed at `place` (a keyplace bit): the key table's command for it runs, and the key is kept from
  // the control as the table says. True when the table had a command for it here and now.
  bool KeyDown(KeyEvent& key, unsigned place);
  // False when the command does not apply as things stand (the key is then the control's own).
  bool RunKeyCommand(KeyCommand command, unsigned place, KeyEvent& key);
  // Every command but typing's own, an undo and a redo close the typing step still open.
  void HistoryActed();
  // The document's history, from the keys and the workbench's buttons alike.
  void UndoDocument();
  void RedoDocument();
  void ShowHistoryState();  // the buttons follow what can be undone and redone
  void ShowKeyHelp();       // every key of the key table, in the program's words
  // The player, from the keyboard: play or pause; a step back or forward, within the video.
  void TogglePlay();
  void StepPlayer(long double seconds);
  // style/
  void CreateStartupFontOptionForm();
  void LoadStartupStyle();  // FormShow's last step
  void BitBtn1Click();

  // capture/
  void Timer1Timer();
  void ClockRang();  // the tick, then the next ring planned
  // The clock's next ring, from what is due; `previewBehind`: the preview has not yet seen the position.
  void PlanNextTick(bool previewBehind = false);
  void WakeClockAfterEvent();  // an event or the player changed something: a tick comes next
  std::string BuildTimeText();
  void SegmentReplay();
  // F9 and F10; `onSpeech` moves the mark onto where the speech starts (ends) when the sound's peaks say.
  void StartTimeButtonClick(bool onSpeech = true);
  void EndTimeButtonClick(bool onSpeech = true);
  void BeginTextEntry();
  // Text entry runs from F10 to the commit (and edit mode): both mark buttons are disabled then.
  bool EnteringText() const;
  void ResetCaptureDisplay();
  // Whether F9 and F10 land on the speech (the check box under the video), and how late this user's keys
  // come: both kept in the settings.
  SpeechSnapChoice SpeechSnap;
  void LoadSpeechSnapChoice();
  void SpeechSnapCheckBoxClick();
  // The mark a key at `keyed` made, moved onto the speech's start (end) when the sound's peaks say where
  // it is (after `after`): the lag learned from it, the notice; empty leaves the key's own position.
  std::optional<SubtitleTime> MarkOnSpeech(long double keyed, bool start, long double after);
  void InputEditKeyDown(KeyEvent& key);
  void EntryBoxEnter(KeyEvent& key);  // Enter in the entry box: the commit, or the refusal of the line
  void CommitLine();
  void SetUpNextLine();         // the commit's steps after the append
  long double EndBoxSeconds();  // the end box's time, 0 when it holds none

  // document/: the subtitles over the video, following the file view and the line being typed.
  SubtitlePreviewer Preview;
  void LoadPreviewChoice();
  void PreviewCheckBoxClick();
  void RefreshPreview();

  // document/
  void ShowSaveFailing(bool failing);  // the caption's mark while saves fail
  void ShowCaption();                  // the title, and marks for a document opened read-only or not saved
  // Another writer changed the subtitle file since this document last read or wrote it: the user chooses.
  SubtitleDocument::OtherWriterAnswer AskAboutOtherWriter(bool removed);
  // The clock's first step: the other writer's version the user kept is loaded, as a resume loads a file.
  void ServePendingReload();
  // Another running copy has the subtitle file open: true when the user opens it for reading only.
  bool MayOpenReadOnly();
  // While saves fail, asks whether to try the save again, go on and lose what the disk lacks (goOnMeaning
  // says what going on does), or cancel; true when nothing is lost or the user goes on.
  bool MayDropUnsavedLines(const std::string& goOnMeaning);
  void FinishUnfinishedSaves();  // the open's first look at the subtitle file: what a killed save left
  void DeriveUserView();
  void OpenButtonClick();
  void OpenVideo(const std::filesystem::path& mediaPath);  // the open sequence after the dialog
  // The clock's look at the open: a file the player cannot open gives the open button back, with a word.
  void WatchOpen();
  // A video named on the command line or by the desktop: opened as if chosen in the dialog; a missing one is
  // reported and the program goes on as usual.
  void OpenVideoGivenAtStart(const std::filesystem::path& mediaPath);
  void OpenSubtitleFile();
  void ResumeSubtitleFile();
  void FindLastTimeLine();
  // A file of at least this many bytes is resumed in slices, one between events, with its progress in the
  // notice line; a smaller one in one piece.
  std::size_t ResumeInSlicesFromBytes = std::size_t{8} << 20;
  // A resume in slices is under way: what would change the document waits until it is done.
  bool ResumeLoading() const { return SlicedResume != nullptr; }
  // Refuses what is asked while a resume loads, saying how far it has come; false when nothing is loading.
  bool RefusedWhileResuming();
  void DeclineSubtitleFile();

  // editing/
  void EditButtonClick();
  void EnterEditMode();
  void UserRichEditKeyDown(KeyEvent& key);
  void UserRichEditKeyPress(KeyPressEvent& key);
  bool SelectionSpansLineBreak() const;
  void UserRichEditMouseDown();
  void FollowCaret();
  // The caret's line taken up: the boxes and the marks show a time line's times, and with `seek` the player
  // goes to its start.
  void TakeCaretLine(bool seek);
  // The subtitle under the caret, re-timed: one edge moved by `byMs`, or set to the player's position.
  void RetimeCaretSubtitle(bool end, long long byMs);
  void RetimeCaretSubtitleFromPosition(bool end);
  // The line dragged on the timeline (its time line at `timeLine`) re-timed to where it landed.
  void RetimeDraggedSubtitle(int timeLine, const DraggedTimes& times);
  // One subtitle's new times as one command; an end not after the start is refused with a word.
  void RetimeSubtitle(const CaretSubtitle& subtitle, const SubtitleTimes& times);
  // The subtitle under the caret, gone from both views and the file; the others keep their numbers.
  void DeleteCaretSubtitle();
  // An empty subtitle after the one under the caret, timed in the gap to the next; the caret on its text.
  void InsertSubtitleAfterCaret();
  // The same after the row chosen in the subtitle table (after the caret's when none is).
  void InsertSubtitleAfterTableRow();
  // The same after the subtitle whose group holds line `line`.
  void InsertSubtitleAfter(int line);
  // The rows selected in the subtitle table, deleted as one change.
  void DeleteTableRows();
  // The edges of the subtitles selected in the table (`tableRows`), or of the one under the caret, moved
  // onto the speech's starts and ends, as one change.
  void SnapSubtitlesToSpeech(bool tableRows);
  // The user view's caret to subtitle `subtitle`'s time line, and that line followed as a click there does.
  void CaretToSubtitle(int subtitle);
  void UserRichEditChange();
  // What a key did to the snapshot's line, when the last key's write-back still holds (EditSession::
  // WrittenBack): its splice, where the snapshot's line as it was stands in the file view's line, and the
  // line's first arrow now.
  struct KnownKey {
    LineSplice splice;
    std::size_t fileViewAt = 0;
    std::size_t lineSize = 0;
    std::size_t arrowAt = 0;
  };
  struct WrittenKey {
    std::uint64_t snapshotRevision = 0;  // the snapshot's count of changes after the key
    std::optional<KnownKey> known;
  };
  // The user view's line under the caret written into the file view, through `step` (whose line it is),
  // which takes the change in; `key` (none for a change the snapshot did not follow) lets the next key go
  // by what this one wrote. True when that line of the file view reads otherwise after it.
  bool WriteBackEdit(TypingCommand& step, const WrittenKey* key);
  // An accepted key that `changed` either view's line, into the history: it went into the typing step still
  // open, or into `fresh`, a new step that joins the history now.
  void RecordTyping(bool changed, std::unique_ptr<TypingCommand> fresh);
  void CloseTyping();            // a pause, an undo, another command: the next key starts another step
  void CloseTypingOffItsLine();  // the caret left the open step's line
  void ContinueButtonClick();
  // The caret's line, the user view's snapshot and the typing step (editing/EditSession.h).
  EditSession Editing{Ws, Document.History};
  void RefreshUserViewSnapshot();  // from the whole view, for changes the snapshot cannot follow
  // Before a command replaces lines of both views: whether the snapshot holds as many lines as the file view
  // (read anew from the view when it does not).
  bool SnapshotHoldsTheFileViewsLines();

 private:
  bool ClockJustRang = false;  // the event that has just ended was the clock's own ring
  OpenWatch Opened;            // the player's answer to the open still awaited

  // A resume's state while it goes on between events (document/Resuming.cpp): the flag that keeps saves
  // and write-backs away, the file being read and looked at, its text until the views take it, and the next
  // of the steps. The file view takes the text, and the user view's text is derived, a run of lines a slice.
  struct ResumeSlices {
    explicit ResumeSlices(int& loadingFile) : loading(loadingFile) {}
    ProgramChange<int> loading;
    std::unique_ptr<FileReading> reading;  // until the whole file is read
    std::uint64_t fileBytes = 0;
    std::string bytes;  // the file's bytes as they come, while their breaks are made CR LF
    FileTextScan scan;
    std::size_t normalizedUpTo = 0;  // bytes whose breaks are made CR LF in `text`
    bool read = false;               // the whole file is read and its text made
    std::string text;                // the file's text, then the user view's as it is derived
    std::size_t viewedUpTo = 0;      // bytes of the text the file view took so far
    int nextStep = 0;
    std::optional<UserViewDerivation> derivation;
    std::size_t derivedUpTo = 0;      // bytes of the file view derived so far
    std::size_t filledUpTo = 0;       // bytes of the derived text the user view took so far
    std::string noticeBefore;         // the notice line when the load began, shown again after it
    std::vector<bool> enabledBefore;  // the controls the load turns off, as they were
  };
  std::unique_ptr<ResumeSlices> SlicedResume;
  std::unique_ptr<WakeUpTimer> ResumeSliceTimer;
  // One piece of the file read and looked at, or its breaks made CR LF; false once that is done.
  bool ReadSomeOfTheFile(ResumeSlices& slices);
  static int ReadPercent(const ResumeSlices& slices);
  bool ResumeStep(int step, std::string& text, ProgramChange<int>& loading);  // true after the last
  void ResumeFailed(ProgramChange<int>& loading, const std::exception& error);
  void ResumeNextSlice();
  bool ViewSomeLines(ResumeSlices& slices);    // false when the file view holds the whole text
  bool DeriveSomeLines(ResumeSlices& slices);  // false when all is derived
  bool FillSomeLines(ResumeSlices& slices);    // false when the user view holds the derived text
  void EndSlicedResume();                      // done, failed, or given up for another video
};

// Start-up: the application title, the main window, the hidden font options dialog, then the window shown.
class Application {
 public:
  explicit Application(WindowSystem& windowSystem);
  ~Application();
  void Start();  // creates the windows and shows the main window; the shell then runs its loop
  TForm1& Form1() { return *form1_; }

 private:
  WindowSystem& windowSystem_;
  std::unique_ptr<TForm1> form1_;
};

}  // namespace titrelle
