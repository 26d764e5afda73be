#include "platforms/headless/SimulatedPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/Error.h"
#include "base/Utf8Path.h"

namespace titrelle {

namespace {
const std::string kStatusOpening = "\xD5\xFD\xD4\xDA\xB4\xF2\xBF\xAA\xC3\xBD\xCC\xE5...";  // 正在打开媒体...
const std::string kStatusStopped = "\xD2\xD1\xCD\xA3\xD6\xB9";                             // 已停止
const std::string kStatusPlaying = "\xD5\xFD\xD4\xDA\xB2\xA5\xB7\xC5";                     // 正在播放
const std::string kStatusPaused = "\xD2\xD1\xD4\xDD\xCD\xA3";                              // 已暂停
const std::string kStatusEnded = "\xD2\xD1\xBD\xE1\xCA\xF8";                               // 已结束
const std::string kStatusFailed =
    "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xC3\xBD\xCC\xE5\xCE\xC4\xBC\xFE";  // 无法打开媒体文件
}  // namespace

SimulatedPlayer::SimulatedPlayer(const PlayerSettings& settings,
                                 std::function<void(SimulatedPlayer*)> onDestroyed)
    : settings_(settings), onDestroyed_(std::move(onDestroyed)) {}

SimulatedPlayer::~SimulatedPlayer() {
  if (onDestroyed_) onDestroyed_(this);
}

void SimulatedPlayer::Check(Operation operation) {
  auto found = failures_.find(operation);
  if (found == failures_.end()) return;
  const std::string message = found->second.message;
  if (found->second.times > 0 && --found->second.times == 0) failures_.erase(found);
  throw Error(message);
}

void SimulatedPlayer::FailNext(Operation operation, int times, const std::string& message) {
  if (times == 0) {
    failures_.erase(operation);
    return;
  }
  failures_[operation] = {times, message};
}

void SimulatedPlayer::Record(Operation operation, double seconds, const std::string& text) {
  calls_.push_back({operation, seconds, text});
}

std::vector<double> SimulatedPlayer::Seeks() const {
  std::vector<double> seeks;
  for (const Call& call : calls_) {
    if (call.operation == Operation::SetCurrentPosition) seeks.push_back(call.seconds);
  }
  return seeks;
}

int SimulatedPlayer::CountOf(Operation operation) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                        [&](const Call& call) { return call.operation == operation; }));
}

bool SimulatedPlayer::HasMedia() const { return !url_.empty() && !failed_ && openRemainingMs_ == 0; }

double SimulatedPlayer::Position() const {
  if (!HasMedia()) return 0;
  if (playedMs_ == 0) return baseSeconds_;
  return std::min(baseSeconds_ + static_cast<double>(playedMs_) / 1000.0 + settings_.playedOffsetSeconds,
                  durationSeconds_);
}

void SimulatedPlayer::Rebase(double seconds) {
  baseSeconds_ = std::clamp(seconds, 0.0, durationSeconds_);
  playedMs_ = 0;
}

void SimulatedPlayer::SetURL(const std::filesystem::path& media) {
  const std::string path = Utf8FromPath(media);
  Check(Operation::SetURL);
  Record(Operation::SetURL, 0, path);
  url_ = path;
  auto known = settings_.exists.find(path);
  std::error_code error;
  const bool exists =
      known != settings_.exists.end() ? known->second : std::filesystem::is_regular_file(media, error);
  failed_ = !exists;
  auto duration = settings_.durations.find(path);
  durationSeconds_ =
      duration != settings_.durations.end() ? duration->second : settings_.defaultDurationSeconds;
  baseSeconds_ = 0;
  playedMs_ = 0;
  if (failed_) {
    openRemainingMs_ = 0;
    state_ = kPlayStateReady;
    return;
  }
  openRemainingMs_ = std::max(settings_.openDelayMs, 1);
  state_ = kPlayStateTransitioning;
  stateAfterOpening_ = kPlayStatePlaying;  // a desktop player starts new media on its own
}

void SimulatedPlayer::Stop() {
  Check(Operation::Stop);
  Record(Operation::Stop);
  if (openRemainingMs_ > 0) {
    stateAfterOpening_ = kPlayStateStopped;
    return;
  }
  if (!HasMedia()) return;
  state_ = kPlayStateStopped;
  Rebase(0);
}

void SimulatedPlayer::Play() {
  Check(Operation::Play);
  Record(Operation::Play);
  if (openRemainingMs_ > 0) {
    stateAfterOpening_ = kPlayStatePlaying;
    return;
  }
  if (!HasMedia()) return;
  if (state_ == kPlayStateMediaEnded) Rebase(0);
  state_ = kPlayStatePlaying;
}

void SimulatedPlayer::Pause() {
  Check(Operation::Pause);
  Record(Operation::Pause);
  if (openRemainingMs_ > 0) {
    stateAfterOpening_ = kPlayStatePaused;
    return;
  }
  if (!HasMedia()) return;
  if (state_ == kPlayStatePlaying) state_ = kPlayStatePaused;
}

double SimulatedPlayer::CurrentPosition() {
  Check(Operation::CurrentPosition);
  return Position();
}

void SimulatedPlayer::SetCurrentPosition(double seconds) {
  Check(Operation::SetCurrentPosition);
  Record(Operation::SetCurrentPosition, seconds);
  if (!HasMedia()) return;  // nothing to seek in yet
  Rebase(seconds);
  if (state_ == kPlayStateMediaEnded) state_ = kPlayStatePaused;
}

void SimulatedPlayer::Place(double seconds) {
  if (!HasMedia()) return;
  Rebase(seconds);
  StateChanged();  // the player's own slider: the player tells, as of any seek
}

std::string SimulatedPlayer::CurrentPositionString() {
  Check(Operation::CurrentPositionString);
  if (!HasMedia()) return {};
  const long long total = static_cast<long long>(std::floor(Position()));
  char text[32];
  if (total < 3600) {
    std::snprintf(text, sizeof text, "%02lld:%02lld", total / 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  }
  return text;
}

int SimulatedPlayer::PlayState() {
  Check(Operation::PlayState);
  return state_;
}

std::string SimulatedPlayer::Status() {
  Check(Operation::Status);
  if (url_.empty()) return {};
  if (failed_) return kStatusFailed;
  if (openRemainingMs_ > 0) return kStatusOpening;
  switch (state_) {
    case kPlayStatePlaying:
      return kStatusPlaying;
    case kPlayStatePaused:
      return kStatusPaused;
    case kPlayStateMediaEnded:
      return kStatusEnded;
    default:
      return kStatusStopped;
  }
}

void SimulatedPlayer::SetInPlaceRect(int left, int top, int right, int bottom, int clipRight,
                                     int clipBottom) {
  Check(Operation::SetInPlaceRect);
  rect_ = {left, top, right, bottom, clipRight, clipBottom};
  ++rectCount_;
}

void SimulatedPlayer::ShowSubtitles(const std::string& assScript) {
  Check(Operation::ShowSubtitles);
  Record(Operation::ShowSubtitles);
  subtitles_ = assScript;
  showingSubtitles_ = true;
}

void SimulatedPlayer::ShowNothing() {
  Check(Operation::ShowNothing);
  Record(Operation::ShowNothing);
  subtitles_.clear();
  showingSubtitles_ = false;
}

void SimulatedPlayer::AdvanceOneMs() {
  if (openRemainingMs_ > 0) {
    if (--openRemainingMs_ == 0) {
      state_ = stateAfterOpening_;
      StateChanged();
    }
    return;
  }
  if (state_ != kPlayStatePlaying) return;
  ++playedMs_;
  if (Position() >= durationSeconds_) {
    Rebase(durationSeconds_);
    state_ = kPlayStateMediaEnded;
    StateChanged();
  }
}

}  // namespace titrelle
