#include "platforms/headless/HeadlessWindowSystem.h"

#include <algorithm>

#include "base/Error.h"
#include "base/Utf8Path.h"
#include "ui/ErrorReport.h"

namespace titrelle {

// ---------------------------------------------------------------------------------------------------------
// Hot keys

std::uint16_t HeadlessHotKeys::FindAtom(const std::string& name) {
  // The local table holds only what this copy added locally; its values are never the global ones.
  return localAtoms_.count(name)
             ? static_cast<std::uint16_t>(0xB000 + std::distance(localAtoms_.begin(), localAtoms_.find(name)))
             : 0;
}

std::uint16_t HeadlessHotKeys::GlobalAddAtom(const std::string& name) {
  const std::uint16_t atom = system_.Desktop().AddAtom(name);
  system_.log.push_back("GlobalAddAtom " + name + " " + std::to_string(atom));
  return atom;
}

void HeadlessHotKeys::GlobalDeleteAtom(std::uint16_t atom) {
  system_.Desktop().DeleteAtom(atom);
  system_.log.push_back("GlobalDeleteAtom " + std::to_string(atom));
}

bool HeadlessHotKeys::RegisterHotKey(int id, unsigned modifiers, int virtualKey) {
  const bool registered = system_.Desktop().RegisterKey(system_, id, modifiers, virtualKey);
  system_.log.push_back("RegisterHotKey " + std::to_string(id) + " " + std::to_string(modifiers) + " " +
                        std::to_string(virtualKey) + (registered ? "" : " failed"));
  return registered;
}

bool HeadlessHotKeys::UnregisterHotKey(int id) {
  const bool unregistered = system_.Desktop().UnregisterKey(system_, id);
  system_.log.push_back("UnregisterHotKey " + std::to_string(id) + (unregistered ? "" : " failed"));
  return unregistered;
}

// ---------------------------------------------------------------------------------------------------------
// Timers

class HeadlessWindowSystem::HeadlessTimer : public Timer {
 public:
  HeadlessTimer(HeadlessWindowSystem& system, int id) : system_(system), id_(id) {}
  ~HeadlessTimer() override { system_.timers_.erase(id_); }

 private:
  HeadlessWindowSystem& system_;
  int id_;
};

class HeadlessWindowSystem::HeadlessWakeUpTimer : public WakeUpTimer {
 public:
  HeadlessWakeUpTimer(HeadlessWindowSystem& system, int id) : system_(system), id_(id) {}
  ~HeadlessWakeUpTimer() override { system_.wakeUps_.erase(id_); }

  void WakeAfter(std::chrono::microseconds delay) override {
    // Virtual time moves in whole milliseconds. A player that changed in this step's first half is heard
    // in the same step, as a system's event would come at once.
    const long long ms = (std::max<long long>(delay.count(), 0) + 999) / 1000;
    system_.wakeUps_[id_].dueMs = system_.nowMs_ + (ms == 0 && !system_.playersMoving_ ? 1 : ms);
  }
  void WakeAtNextFrame() override { system_.wakeUps_[id_].dueMs = system_.nowMs_ + kFrameMs; }
  void Sleep() override { system_.wakeUps_[id_].dueMs.reset(); }
  std::chrono::microseconds FrameInterval() const override { return std::chrono::milliseconds(kFrameMs); }
  void KeepPrecise(bool keep) override { system_.keepingPrecise = keep; }

 private:
  HeadlessWindowSystem& system_;
  int id_;
};

// ---------------------------------------------------------------------------------------------------------
// The window system

HeadlessWindowSystem::HeadlessWindowSystem() : HeadlessWindowSystem(std::make_shared<HeadlessDesktop>()) {}

HeadlessWindowSystem::HeadlessWindowSystem(std::shared_ptr<HeadlessDesktop> desktop)
    : desktop_(std::move(desktop)), hotKeys_(*this) {}

HeadlessWindowSystem::~HeadlessWindowSystem() {
  // A copy that ends loses its hot keys, as a process that exits does.
  desktop_->ReleaseAll(*this);
}

std::unique_ptr<Window> HeadlessWindowSystem::CreateWindow(const WindowTable& entry) {
  return std::make_unique<HeadlessWindow>(*this, entry);
}

void HeadlessWindowSystem::WindowCreated(HeadlessWindow& window) { windows_.push_back(&window); }

void HeadlessWindowSystem::WindowDestroyed(HeadlessWindow& window) { std::erase(windows_, &window); }

HeadlessWindow& HeadlessWindowSystem::FindWindow(const std::string& name) {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->Layout().name == name) return **it;
  }
  throw Error("Window '" + name + "' not found");
}

bool HeadlessWindowSystem::HasWindow(const std::string& name) const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [&](const HeadlessWindow* window) { return window->Layout().name == name; });
}

std::unique_ptr<MediaPlayer> HeadlessWindowSystem::CreatePlayer(Window& window,
                                                                const std::string& panelName) {
  auto& panel = dynamic_cast<HeadlessWindow&>(window).Get(panelName);
  if (panel.Kind() != ControlKind::MediaPanel)
    throw Error("Control '" + panelName + "' is not a media panel");
  // The player tells its own end, so that the record shows where in a shutdown it came.
  auto player = std::make_unique<SimulatedPlayer>(playerSettings, [this](SimulatedPlayer* self) {
    log.push_back("player destroyed");
    players_.erase(self);
    if (player_ == self) player_ = nullptr;
  });
  players_.insert(player.get());
  player_ = player.get();
  return player;
}

std::unique_ptr<Timer> HeadlessWindowSystem::StartTimer(int intervalMs, std::function<void()> onTick) {
  const int id = nextTimerId_++;
  timers_[id] = {std::max(intervalMs, 1), nowMs_, std::move(onTick)};
  return std::make_unique<HeadlessTimer>(*this, id);
}

std::unique_ptr<WakeUpTimer> HeadlessWindowSystem::CreateWakeUpTimer(std::function<void()> onWake) {
  const int id = nextWakeUpId_++;
  wakeUps_[id].onWake = std::move(onWake);
  return std::make_unique<HeadlessWakeUpTimer>(*this, id);
}

void HeadlessWindowSystem::AdvanceMs(long long ms) {
  for (long long step = 0; step < ms; ++step) {
    ++nowMs_;
    const std::vector<SimulatedPlayer*> players(players_.begin(), players_.end());
    playersMoving_ = true;
    for (SimulatedPlayer* player : players) {
      if (players_.count(player)) player->AdvanceOneMs();
    }
    playersMoving_ = false;
    std::vector<int> ringing;
    for (const auto& [id, alarm] : wakeUps_) {
      // An alarm whose ring is still being handled (time passing inside a dialog it opened) waits for it.
      if (alarm.dueMs && *alarm.dueMs <= nowMs_ && !alarm.ringing) ringing.push_back(id);
    }
    for (int id : ringing) {
      auto found = wakeUps_.find(id);
      if (found == wakeUps_.end() || !found->second.dueMs || *found->second.dueMs > nowMs_) continue;
      found->second.dueMs.reset();
      found->second.ringing = true;
      ++wakeUpRings;
      const std::function<void()> onWake = found->second.onWake;
      DispatchEvent(*this, onWake);
      found = wakeUps_.find(id);
      if (found != wakeUps_.end()) found->second.ringing = false;
    }
    std::vector<int> due;
    for (const auto& [id, timer] : timers_) {
      if ((nowMs_ - timer.startMs) % timer.intervalMs == 0) due.push_back(id);
    }
    for (int id : due) {
      auto found = timers_.find(id);
      if (found == timers_.end()) continue;  // stopped by an earlier tick of this millisecond
      const std::function<void()> onTick = found->second.onTick;
      DispatchEvent(*this, onTick);
    }
  }
}

std::optional<std::filesystem::path> HeadlessWindowSystem::ChooseFileToOpen() {
  ++openDialogCount;
  if (openDialogAnswers.empty()) return std::nullopt;
  std::optional<std::string> answer = openDialogAnswers.front();
  openDialogAnswers.pop_front();
  if (!answer) return std::nullopt;
  return PathFromUtf8(*answer);
}

int HeadlessWindowSystem::ShowMessageBox(const MessageBoxRequest& entry) {
  messageBoxes.push_back(entry);
  if (messageBoxAnswers.empty()) return entry.defaultButton;
  const std::function<int(const MessageBoxRequest&)> answer = std::move(messageBoxAnswers.front());
  messageBoxAnswers.pop_front();
  return answer(entry);
}

std::optional<unsigned> HeadlessWindowSystem::PickColor(unsigned initial) {
  colorPickerStarts.push_back(initial);
  if (colorAnswers.empty()) return std::nullopt;
  std::optional<unsigned> answer = colorAnswers.front();
  colorAnswers.pop_front();
  return answer;
}

void HeadlessWindowSystem::DeliverHotKey(int id) {
  DispatchEvent(*this, [&] {
    if (hotKeys_.OnHotKey) hotKeys_.OnHotKey(id);
  });
}

}  // namespace titrelle
