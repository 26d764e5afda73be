#pragma once
// The world of a scenario: a temporary folder, the headless shell, and the program started on it, with the
// user's actions as one-line helpers. Scenario.h wraps it as a GoogleTest fixture; benchmarks may use it as
// it is (it needs no test framework).
//
//   ScenarioWorld world;                 // started: title set, main window shown
//   world.OpenVideo("movie.avi");        // creates the video file, picks it in the open dialog
//   world.WaitMs(500);                   // virtual time: the player opens, ticks run
//   world.PressF9(); world.WaitMs(2000); world.PressF10();
//   world.TypeInInput("Hello"); world.PressEnter();
//   world.FileBytes("movie.srt");        // the subtitle file's bytes
//
// Texts are code page 936 bytes, as the program holds them; Gbk("黑体") converts a UTF-8 literal.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "base/Cp936.h"
#include "base/Utf8Path.h"
#include "platforms/headless/HeadlessWindowSystem.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle {

class ScenarioWorld {
 public:
  // Answers of the question whether to edit an existing subtitle file.
  static constexpr int kYes = 0;
  static constexpr int kNo = 1;

  // A copy of the program on a desktop of its own, or on `desktop` beside other copies. With start false the
  // program is not started yet: set up the registry or the player first, then call Start().
  explicit ScenarioWorld(bool start = true, std::shared_ptr<HeadlessDesktop> desktop = nullptr)
      : desktop_(desktop ? std::move(desktop) : std::make_shared<HeadlessDesktop>()), ws(desktop_) {
    // Every scenario runs where our users' videos are: in a folder with a Chinese name (视频 文件夹).
    folder = root_.Path() / PathFromUtf8("\xE8\xA7\x86\xE9\xA2\x91 \xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xB9");
    std::filesystem::create_directory(folder);
    if (start) Start();
  }
  ~ScenarioWorld() { app.reset(); }
  ScenarioWorld(const ScenarioWorld&) = delete;
  ScenarioWorld& operator=(const ScenarioWorld&) = delete;

  void Start() {
    app = std::make_unique<Application>(ws);
    app->Start();
  }

  // --- Where things are ---
  std::shared_ptr<HeadlessDesktop> Desktop() const { return desktop_; }
  TForm1& Form() { return app->Form1(); }
  CaptureSession& Session() { return Form().Session; }
  HeadlessWindow& Window() { return ws.FindWindow("Form1"); }
  HeadlessControl& Control(const std::string& name) { return Window().Get(name); }
  HeadlessUserView& UserView() { return Window().UserView("UserRichEdit"); }
  SimulatedPlayer& Player() {
    if (!ws.Player()) throw std::runtime_error("the player is gone");
    return *ws.Player();
  }
  // The file `name` (UTF-8) in the folder, as UTF-8 text, the way the open dialog's answers give it.
  std::string Path(const std::string& name) const { return Utf8FromPath(File(name)); }
  std::filesystem::path File(const std::string& name) const { return folder / PathFromUtf8(name); }
  // The path as the program's messages show it (code page 936).
  std::string Shown(const std::string& name) const { return Cp936FromUtf8(Path(name)); }

  // --- Files ---
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  bool FileExists(const std::string& name) const { return std::filesystem::is_regular_file(File(name)); }
  std::string FileBytes(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    if (!in) return {};
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Takes the right to write away from the file (its owner's included: the read-only attribute on Windows),
  // or gives it back.
  void SetReadOnly(const std::string& name, bool readOnly) {
    using std::filesystem::perms;
    std::filesystem::permissions(File(name), readOnly ? perms::owner_read | perms::group_read | perms::others_read
                                                      : perms::owner_read | perms::owner_write | perms::group_read |
                                                            perms::others_read);
  }

  // --- Opening a video ---
  // Picks `name` (in the folder; created empty when missing) in the open dialog and tells whether the
  // program asked whether to edit an existing subtitle file. `answer` answers that question (kYes, kNo, or
  // any button index); unset, a question that comes anyway gets its default button (shown in MessageBoxes()).
  bool OpenVideo(const std::string& name, std::optional<int> answer = std::nullopt) {
    if (answer) return OpenVideo(name, [value = *answer](const MessageBoxRequest&) { return value; });
    return OpenVideo(name, std::function<int(const MessageBoxRequest&)>());
  }
  // The same, with an answer that may act while the question is open (press hot keys, let time pass).
  // An answer the program did not ask for is dropped, so it cannot answer a later box.
  bool OpenVideo(const std::string& name, std::function<int(const MessageBoxRequest&)> answer) {
    if (!FileExists(name)) WriteFile(name, "");
    ws.openDialogAnswers.push_back(Path(name));
    const std::size_t boxesBefore = ws.messageBoxes.size();
    const bool scripted = static_cast<bool>(answer);
    if (scripted) ws.messageBoxAnswers.push_back(std::move(answer));
    const std::size_t answersBefore = ws.messageBoxAnswers.size();
    Control("OpenButton").Click();
    if (scripted && ws.messageBoxAnswers.size() == answersBefore) ws.messageBoxAnswers.pop_back();
    for (std::size_t i = boxesBefore; i < ws.messageBoxes.size(); ++i) {
      if (ws.messageBoxes[i].icon == MessageIcon::Information) return true;
    }
    return false;
  }
  // Lets virtual time pass until the player has opened its media.
  void WaitUntilOpened() {
    for (int i = 0; i < 100000 && Player().Opening(); ++i) WaitMs(1);
  }

  // --- Time and keys ---
  void WaitMs(long long ms) { ws.AdvanceMs(ms); }
  // As long as the screen takes to show `frames` frames: what a user sees while the video plays is this fresh.
  void WaitFrames(int frames) { ws.AdvanceMs(frames * HeadlessWindowSystem::kFrameMs); }
  // The system-wide keys: false when no copy holds the key.
  bool PressF9() { return desktop_->PressKey(vk::F9); }
  bool PressF10() { return desktop_->PressKey(vk::F10); }
  bool PressF7() { return desktop_->PressKey(vk::F7); }
  bool PressF8() { return desktop_->PressKey(vk::F8); }
  // Typing into the entry box, as the user does after clicking into it (no click events).
  void TypeInInput(const std::string& text) { Control("InputEdit").Type(text); }
  void PressEnter() { Control("InputEdit").PressKey(vk::Return); }
  // A line timed and written as a user does: F9, `lengthMs` of video, F10, `text` typed, Enter.
  void CommitLine(const std::string& text, long long lengthMs = 1234) {
    PressF9();
    WaitMs(lengthMs);
    PressF10();
    WaitMs(5);
    TypeInInput(text);
    PressEnter();
  }

  // --- The user view ---
  std::vector<std::string> UserViewLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < UserView().Count(); ++i) lines.push_back(UserView().Line(i));
    return lines;
  }
  bool ClickUserViewLine(int line, int column = 0) { return UserView().ClickAt(line, column); }
  bool TypeInUserView(const std::string& text) { return UserView().Type(text); }
  bool PressInUserView(int key, unsigned shift = 0) { return UserView().PressKey(key, shift); }

  // --- Message boxes ---
  const std::vector<MessageBoxRequest>& MessageBoxes() const { return ws.messageBoxes; }
  // The texts of the error reports shown so far.
  std::vector<std::string> ErrorReports() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : ws.messageBoxes) {
      if (box.icon == MessageIcon::Error) texts.push_back(box.text);
    }
    return texts;
  }

  // UTF-8 to the program's code page 936.
  static std::string Gbk(const std::string& utf8) { return Cp936FromUtf8(utf8); }
  // {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>, the default style before every text, as the tests expect it.
  static std::string DefaultPrefix() { return Gbk("{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>"); }
  // The pieces of a listing's text between CR LF breaks, the one after the last break included.
  static std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
      lines.push_back(text.substr(start, at - start));
      start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
  }

  std::filesystem::path folder;

 private:
  TemporaryFolder root_{"scenario"};
  std::shared_ptr<HeadlessDesktop> desktop_;

 public:
  HeadlessWindowSystem ws;
  std::unique_ptr<Application> app;
};

}  // namespace titrelle
