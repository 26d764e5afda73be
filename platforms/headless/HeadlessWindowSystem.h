#pragma once
// The headless shell: every test runs the program on it. Windows and controls live in memory
// (HeadlessControls.h), time is a virtual clock moved on by AdvanceMs, the player is simulated
// (SimulatedPlayer.h), dialogs answer from a script, and hot keys live on a HeadlessDesktop that several
// instances may share, as several running copies of the program share one desktop.
//
// Every event reaches the program through DispatchEvent (ui/ErrorReport.h): an exception a handler lets out
// becomes the error report message box, which is recorded like every other box.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platforms/headless/HeadlessControls.h"
#include "platforms/headless/HeadlessDesktop.h"
#include "platforms/headless/MemoryRegistry.h"
#include "platforms/headless/SimulatedPlayer.h"
#ifdef _WIN32
#include "platforms/windows/WindowsFileSystem.h"
#else
#include "platforms/posix/PosixFileSystem.h"
#endif
#include "ui/WindowSystem.h"

namespace titrelle {

class HeadlessWindowSystem;

// The hot keys and atoms of one running copy: its local atom table, and its registrations on the desktop.
class HeadlessHotKeys : public HotKeys {
 public:
  explicit HeadlessHotKeys(HeadlessWindowSystem& system) : system_(system) {}
  std::uint16_t FindAtom(const std::string& name) override;
  std::uint16_t GlobalAddAtom(const std::string& name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
  bool RegisterHotKey(int id, unsigned modifiers, int virtualKey) override;
  bool UnregisterHotKey(int id) override;

  // Tests: an atom in this copy's local table (the program itself adds none).
  void AddLocalAtom(const std::string& name) { localAtoms_.insert(name); }

 private:
  HeadlessWindowSystem& system_;
  std::set<std::string> localAtoms_;
};

class HeadlessWindowSystem : public WindowSystem {
 public:
  // A copy of the program alone on a desktop of its own, or sharing `desktop` with other copies.
  HeadlessWindowSystem();
  explicit HeadlessWindowSystem(std::shared_ptr<HeadlessDesktop> desktop);
  ~HeadlessWindowSystem() override;

  // WindowSystem
  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  std::unique_ptr<Window> CreateWindow(const WindowTable& entry) override;
  std::unique_ptr<MediaPlayer> CreatePlayer(Window& window, const std::string& panelName) override;
  std::unique_ptr<Timer> StartTimer(int intervalMs, std::function<void()> onTick) override;
  std::unique_ptr<WakeUpTimer> CreateWakeUpTimer(std::function<void()> onWake) override;
  std::optional<std::filesystem::path> ChooseFileToOpen() override;
  int ShowMessageBox(const MessageBoxRequest& entry) override;
  std::optional<unsigned> PickColor(unsigned initial) override;
  std::vector<std::string> ScreenFontFamilies() override { return fontFamilies; }
  HotKeys& HotKeySystem() override { return hotKeys_; }
  SettingsRegistry& Registry() override { return registry; }
  FileSystem& Files() override { return files; }

  // --- The clock ---
  // Moves virtual time on by `ms` milliseconds: each millisecond the players move on, then every timer that
  // is due ticks (a 1 ms timer every millisecond). May be called from inside a dialog's answer.
  void AdvanceMs(long long ms);
  long long NowMs() const { return nowMs_; }
  // An alarm rings in the first millisecond step at or after its time; a frame of the screen is 16 ms.
  static constexpr int kFrameMs = 16;
  long long wakeUpRings = 0;  // how often the alarms have rung
  bool keepingPrecise = false;  // what the last alarm set was told

  // --- Windows ---
  // The window of that name created last and not yet destroyed; throws Error when there is none.
  HeadlessWindow& FindWindow(const std::string& name);
  bool HasWindow(const std::string& name) const;

  // --- The player ---
  PlayerSettings playerSettings;
  SimulatedPlayer* Player() const { return player_; }  // the player created last, while it lives

  // --- Dialogs ---
  // Answers of the open dialog, in order; with none left the user cancels.
  std::deque<std::optional<std::string>> openDialogAnswers;
  int openDialogCount = 0;
  // Message boxes are answered in order by these; each may act while its box is open (press hot keys, let
  // time pass) and returns the index of the button pressed. With none left the default button is pressed.
  std::deque<std::function<int(const MessageBoxRequest&)>> messageBoxAnswers;
  std::vector<MessageBoxRequest> messageBoxes;  // every box shown, error reports included
  // Answers of the colour picker, in order; with none left the user cancels.
  std::deque<std::optional<unsigned>> colorAnswers;
  std::vector<unsigned> colorPickerStarts;  // the colour each picker was opened on
  std::vector<std::string> fontFamilies;

  // --- Hot keys ---
  HeadlessDesktop& Desktop() { return *desktop_; }
  HeadlessHotKeys& HeadlessHotKeySystem() { return hotKeys_; }
  // Delivers WM_HOTKEY with `id` to the program (the desktop calls this for the holder of a pressed key).
  void DeliverHotKey(int id);

  // --- The settings store ---
  MemoryRegistry registry;
  // Files are real, through the system's own edge: the tests read the bytes the program wrote.
#ifdef _WIN32
  WindowsFileSystem files;
#else
  PosixFileSystem files;
#endif

  // --- What happened, in order: player destroyed, hot keys and atoms released, for tests of the order ---
  std::vector<std::string> log;

  // Called by the windows themselves.
  void WindowCreated(HeadlessWindow& window);
  void WindowDestroyed(HeadlessWindow& window);

 private:
  class HeadlessTimer;
  class HeadlessWakeUpTimer;
  struct WakeUpEntry {
    std::optional<long long> dueMs;
    bool ringing = false;
    std::function<void()> onWake;
  };
  std::map<int, WakeUpEntry> wakeUps_;
  int nextWakeUpId_ = 1;
  bool playersMoving_ = false;  // within a step, before the alarms are looked at
  struct TimerEntry {
    int intervalMs = 1;
    long long startMs = 0;
    std::function<void()> onTick;
  };

  std::shared_ptr<HeadlessDesktop> desktop_;
  HeadlessHotKeys hotKeys_;
  std::string title_;
  long long nowMs_ = 0;
  std::vector<HeadlessWindow*> windows_;
  std::set<SimulatedPlayer*> players_;
  SimulatedPlayer* player_ = nullptr;
  std::map<int, TimerEntry> timers_;
  int nextTimerId_ = 1;
  friend class HeadlessHotKeys;
};

}  // namespace titrelle
