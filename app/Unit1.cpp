// The main window's life: building it from its table, wiring its events, the hot keys, resizing, closing;
// and the application's start-up.
#include "app/Unit1.h"

#include "style/FontOptionUnit.h"
#include "ui/Error.h"

namespace titrelle {

namespace {

// The four system-wide keys, in the order the window keeps their atoms.
struct HotKeyName {
  const char* atomName;
  int virtualKey;
};
constexpr HotKeyName kHotKeys[] = {
    {"MrvHotKeyLeft", vk::F9},
    {"MrvHotKeyRight", vk::F10},
    {"MrvHotKeyF7", vk::F7},
    {"MrvHotKeyF8", vk::F8},
};
enum HotKeyIndex { kF9, kF10, kF7, kF8 };

// The video panel never moves or changes size, so its table entry is its size.
const ControlEntry& VideoPanelEntry() {
  for (const ControlEntry& control : MainWindowTable().controls) {
    if (control.name == "Panel2") return control;
  }
  throw Error("Control 'Panel2' not found");
}

}  // namespace

TForm1::TForm1(WindowSystem& windowSystem)
    : Ws(windowSystem), Form(windowSystem.CreateWindow(MainWindowTable())) {
  Label1 = &Form->Find("Label1");
  Label2 = &Form->Find("Label2");
  Edit1 = &Form->Find("Edit1");
  Edit2 = &Form->Find("Edit2");
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
  Form->OnClose = [this] { FormClose(); };
  BitBtn1->OnClick = [this] { BitBtn1Click(); };
  StartTimeButton->OnClick = [this] { StartTimeButtonClick(); };
  EndTimeButton->OnClick = [this] { EndTimeButtonClick(); };
  OpenButton->OnClick = [this] { OpenButtonClick(); };
  EditButton->OnClick = [this] { EditButtonClick(); };
  ContinueButton->OnClick = [this] { ContinueButtonClick(); };
  InputEdit->OnKeyDown = [this](KeyEvent& key) { InputEditKeyDown(key); };
  TempRichEdit.OnChange = [this] { TempRichEditChange(); };
  // One handler for key down and key up, and one for mouse down and mouse up.
  UserRichEdit->OnKeyDown = [this](KeyEvent& key) { UserRichEditKeyDown(key); };
  UserRichEdit->OnKeyUp = [this](KeyEvent& key) { UserRichEditKeyDown(key); };
  UserRichEdit->OnKeyPress = [this](KeyPressEvent& key) { UserRichEditKeyPress(key); };
  UserRichEdit->OnMouseDown = [this] { UserRichEditMouseDown(); };
  UserRichEdit->OnMouseUp = [this] { UserRichEditMouseDown(); };
  UserRichEdit->OnChange = [this] { UserRichEditChange(); };
  Ws.HotKeySystem().OnHotKey = [this](int id) { HotKeyHandler(id); };

  WP = Ws.CreatePlayer(*Form, "WP");
  Timer1 = Ws.StartTimer(1, [this] { Timer1Timer(); });

  FormCreate();
}

TForm1::~TForm1() {
  // Nothing may reach this window once it is gone.
  Ws.HotKeySystem().OnHotKey = nullptr;
  Timer1.reset();
}

void TForm1::FormCreate() {
  HotKeys& hotKeys = Ws.HotKeySystem();
  // The program adds no local atoms, so a name found locally means the key stays unnamed (0).
  for (int i = 0; i < 4; ++i) {
    if (hotKeys.FindAtom(kHotKeys[i].atomName) == 0)
      HotKeyAtoms[i] = hotKeys.GlobalAddAtom(kHotKeys[i].atomName);
  }
  // A key that another program or a second copy holds stays inert here; its button still works by mouse.
  for (int i = 0; i < 4; ++i) hotKeys.RegisterHotKey(HotKeyAtoms[i], 0, kHotKeys[i].virtualKey);
}

void TForm1::FormShow() {
  Session.LineCount = 0;
  Session.LoadingFile = 0;
  Session.PendingSeek = 0;
  Session.EditMode = 0;
  Session.OmitClosingTag = 0;
  LoadStartupStyle();
}

void TForm1::FormResize() {
  // The video panel keeps its size and place; only the player is placed again inside it.
  if (!WP) return;
  const ControlEntry& panel = VideoPanelEntry();
  WP->SetInPlaceRect(0, 0, panel.width, panel.height, 32767, 32767);
}

void TForm1::FormClose() {
  // The player goes first, before anything it might still call back into.
  WP.reset();
  HotKeys& hotKeys = Ws.HotKeySystem();
  for (std::uint16_t atom : HotKeyAtoms) hotKeys.UnregisterHotKey(atom);
  for (std::uint16_t atom : HotKeyAtoms) hotKeys.GlobalDeleteAtom(atom);
  // The window ends here, and its clock with it.
  Timer1.reset();
}

void TForm1::HotKeyHandler(int id) {
  // Every key whose atom matches acts: with unnamed keys (0) one press may click several buttons.
  if (id == HotKeyAtoms[kF9] && StartTimeButton->Enabled()) {
    StartTimeButtonClick();
    StartTimeButton->SetFocus();
  }
  if (id == HotKeyAtoms[kF10] && EndTimeButton->Enabled()) EndTimeButtonClick();
  if (id == HotKeyAtoms[kF7]) EditButtonClick();
  if (id == HotKeyAtoms[kF8]) ContinueButtonClick();
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
