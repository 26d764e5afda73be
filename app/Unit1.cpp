// The main window's life: building it from its table, wiring its events, the hot keys, resizing, closing;
// and the application's start-up.
#include "app/Unit1.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "base/Error.h"
#include "style/FontOptionUnit.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// The video panel never moves or changes size, so its table entry is its size.
const ControlEntry& VideoPanelEntry() {
  for (const ControlEntry& control : MainWindowTable().controls) {
    if (control.name == "Panel2") return control;
  }
  throw Error("Control 'Panel2' not found");
}

}  // namespace

TForm1::TForm1(WindowSystem& windowSystem)
    : Ws(windowSystem), Form(windowSystem.CreateWindow(MainWindowTable())), Document(windowSystem.Files()) {
  Label1 = &Form->Find("Label1");
  Label2 = &Form->Find("Label2");
  Edit1 = &Form->Find("Edit1");
  Edit2 = &Form->Find("Edit2");
  NoticeLabel = &Form->Find("NoticeLabel");
  PreviewCheckBox = &Form->Find("PreviewCheckBox");
  SpeechSnapCheckBox = &Form->Find("SpeechSnapCheckBox");
  OpenButton = &Form->Find("OpenButton");
  BitBtn1 = &Form->Find("BitBtn1");
  StartTimeButton = &Form->Find("StartTimeButton");
  EndTimeButton = &Form->Find("EndTimeButton");
  InputEdit = &Form->Find("InputEdit");
  Panel2 = &Form->Find("Panel2");
  Panel3 = &Form->Find("Panel3");
  EditButton = &Form->Find("EditButton");
  ContinueButton = &Form->Find("ContinueButton");
  UserRichEdit = &Form->FindUserView("UserRichEdit");

  Form->OnShow = [this] { FormShow(); };
  Form->OnResize = [this] { FormResize(); };
  Form->OnCloseQuery = [this] { return FormCloseQuery(); };
  Form->OnClose = [this] { FormClose(); };
  BitBtn1->OnClick = [this] { BitBtn1Click(); };
  StartTimeButton->OnClick = [this] { StartTimeButtonClick(); };
  EndTimeButton->OnClick = [this] { EndTimeButtonClick(); };
  OpenButton->OnClick = [this] { OpenButtonClick(); };
  EditButton->OnClick = [this] { EditButtonClick(); };
  ContinueButton->OnClick = [this] { ContinueButtonClick(); };
  InputEdit->OnKeyDown = [this](KeyEvent& key) { InputEditKeyDown(key); };
  // Every control hands its keys to the key table, saying where they were pressed; the video panel's come
  // from the player drawn in it. The entry box and the user view do it in their own handlers.
  for (Control* control : {OpenButton, BitBtn1, StartTimeButton, EndTimeButton, EditButton, ContinueButton,
                           Edit1, Edit2, PreviewCheckBox, SpeechSnapCheckBox})
    control->OnKeyDown = [this](KeyEvent& key) { KeyDown(key, keyplace::OtherControls); };
  Panel2->OnKeyDown = [this](KeyEvent& key) { KeyDown(key, keyplace::PlayerPanel); };
  InputEdit->OnChange = [this] { Preview.EntryBoxChanged(); };
  InputEdit->OnCharactersRefused = [this] { Notice.CharactersRefused(); };
  PreviewCheckBox->OnClick = [this] { PreviewCheckBoxClick(); };
  SpeechSnapCheckBox->OnClick = [this] { SpeechSnapCheckBoxClick(); };
  Document.OnSaveFailingChanged = [this](bool failing) { ShowSaveFailing(failing); };
  Document.OnAutomaticSaveFailed = [this](const std::string& message) { ShowErrorReport(Ws, message); };
  Document.OnOtherWriter = [this](bool removed) { return AskAboutOtherWriter(removed); };
  // The preview's events are made again on the next tick after the subtitles changed.
  Document.ListenToSubtitles([this](const SubtitleChange&) { Preview.SubtitlesChanged(); });
  // One handler for key down and key up, and one for mouse down and mouse up.
  UserRichEdit->OnKeyDown = [this](KeyEvent& key) {
    if (!KeyDown(key, keyplace::UserView)) UserRichEditKeyDown(key);
  };
  UserRichEdit->OnKeyUp = [this](KeyEvent& key) { UserRichEditKeyDown(key); };
  UserRichEdit->OnKeyPress = [this](KeyPressEvent& key) { UserRichEditKeyPress(key); };
  UserRichEdit->OnMouseDown = [this] { UserRichEditMouseDown(); };
  UserRichEdit->OnMouseUp = [this] { UserRichEditMouseDown(); };
  UserRichEdit->OnChange = [this] { UserRichEditChange(); };
  UserRichEdit->OnCharactersRefused = [this] { Notice.CharactersRefused(); };
  Ws.HotKeySystem().OnHotKey = [this](int id) { HotKeyHandler(id); };

  WP = Ws.CreatePlayer(*Form, "WP");
  Timeline.OnDragged = [this](int timeLine, const DraggedTimes& times) {
    RetimeDraggedSubtitle(timeLine, times);
  };
  Timeline.PlayHead = [this]() -> std::optional<double> {
    try {
      return WP->CurrentPosition();
    } catch (const std::exception&) {
      return std::nullopt;
    }
  };
  WP->SetTimeline(&Timeline);
  Bar = Ws.CreateWorkbenchBar(*Form);
  if (Bar) {
    Bar->OnUndo = [this] { UndoDocument(); };
    Bar->OnRedo = [this] { RedoDocument(); };
    Bar->OnKeyHelp = [this] { ShowKeyHelp(); };
  }
  Document.History.OnChanged = [this] { ShowHistoryState(); };
  ShowHistoryState();
  Ws.ShowSubtitleTable(*Form, &TableRows);
  Timer1 = Ws.CreateWakeUpTimer([this] { ClockRang(); });
  WP->SetOnStateChange([this] { WakeClockAfterEvent(); });
  Ws.AfterEachEvent = [this] {
    if (std::exchange(ClockJustRang, false)) return;
    if (WP) WP->TimelineMayHaveChanged();
    WakeClockAfterEvent();
  };
  Timer1->WakeAfter(std::chrono::microseconds(0));

  FormCreate();
}

TForm1::~TForm1() {
  // Nothing may reach this window once it is gone.
  if (WP) WP->SetTimeline(nullptr);
  Document.History.OnChanged = nullptr;
  Bar.reset();
  Ws.ShowSubtitleTable(*Form, nullptr);
  if (WP) WP->SetOnStateChange(nullptr);
  Ws.AfterEachEvent = nullptr;
  Ws.HotKeySystem().OnHotKey = nullptr;
  SystemWideKeys.StopRetrying();
  Notice.Stop();
  Timer1.reset();
}

void TForm1::FormCreate() { SystemWideKeys.Register(); }

void TForm1::FormShow() {
  Session.Restart();
  Document.LoadingFile = 0;
  Document.OmitClosingTag = 0;
  LoadPreviewChoice();
  LoadSpeechSnapChoice();
  LoadStartupStyle();
}

void TForm1::FormResize() {
  // The video panel keeps its size and place; only the player is placed again inside it.
  if (!WP) return;
  const ControlEntry& panel = VideoPanelEntry();
  WP->SetInPlaceRect(0, 0, panel.width, panel.height, 32767, 32767);
}

bool TForm1::FormCloseQuery() {
  // The file is always saved, unless saves fail: then closing would lose what the disk lacks.
  // 继续：仍然关闭，这些修改将丢失。
  return MayDropUnsavedLines(
      "\xBC\xCC\xD0\xF8\xA3\xBA\xC8\xD4\xC8\xBB\xB9\xD8\xB1\xD5\xA3\xAC\xD5\xE2\xD0\xA9\xD0\xDE\xB8\xC4\xBD\xAB\xB6\xAA"
      "\xCA\xA7\xA1\xA3");
}

void TForm1::FormClose() {
  // The player goes first, before anything it might still call back into.
  WP.reset();
  SystemWideKeys.StopRetrying();
  Notice.Stop();
  SystemWideKeys.Release();
  // Another copy may open the subtitle file for writing from now on.
  Document.EditingLock.reset();
  // The window ends here, and its clock with it.
  EndSlicedResume();
  ResumeSliceTimer.reset();
  Timer1.reset();
}

void TForm1::HotKeyHandler(int id) {
  SystemWideKeys.PressKeysOf(id, [this](int virtualKey) {
    KeyEvent key{virtualKey, 0, false};
    KeyDown(key, keyplace::SystemWide);
  });
}

Application::Application(WindowSystem& windowSystem) : windowSystem_(windowSystem) {}

Application::~Application() = default;

void Application::Start() {
  windowSystem_.SetApplicationTitle("Titrelle");
  form1_ = std::make_unique<TForm1>(windowSystem_);
  // The dialog must exist before the first show, whose start-up load fills it.
  form1_->CreateStartupFontOptionForm();
  form1_->Form->Show();
}

}  // namespace titrelle
