#pragma once
// A media player on the headless shell's virtual clock. It keeps the promises the program relies on (a read
// right after a seek returns the new position; "MM:SS" below an hour, "HH:MM:SS" from an hour on, empty with
// no position; play state 3 while playing) and behaves like a desktop player in the rest:
// - opening takes openDelayMs of virtual time; until then there is no position, seeks are ignored and the
// play
//   state is 9 (transitioning); the media then starts playing on its own unless Stop or Pause came first;
// - a file that does not exist fails to open: the status says so and there is never a position;
// - playing runs the position on with virtual time and stops at the media's end (play state 8).
// Any operation can be made to fail (throw titrelle::Error) for a number of calls, and every command
// (open, play, pause, stop, seek) is recorded.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "media/MediaPlayer.h"

namespace titrelle {

struct PlayerSettings {
  int openDelayMs = 200;
  double defaultDurationSeconds = 7200;     // two hours, so any scenario fits
  std::map<std::string, double> durations;  // by path, for media of another length
  std::map<std::string, bool> exists;       // by path, overriding the file system's answer
  // A media clock does not tick in step with the program's timer: once playback has run since the last seek,
  // the position lies this far past the whole milliseconds played. 0 (exact millisecond positions, so that
  // whole seconds do occur) unless a test asks for it, e.g. 0.0004.
  double playedOffsetSeconds = 0;
  // The sound's peaks, served for any media once it is open; none unless a test gives some.
  std::vector<AudioPeak> peaks;
};

class SimulatedPlayer : public MediaPlayer {
 public:
  enum class Operation {
    SetURL,
    Stop,
    Play,
    Pause,
    CurrentPosition,
    SetCurrentPosition,
    CurrentPositionString,
    PlayState,
    Status,
    SetInPlaceRect,
    ShowSubtitles,
    ShowNothing,
  };
  struct Call {
    Operation operation;
    double seconds = 0;  // seeks: the position asked for
    std::string text;    // open: the path
  };
  struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0, clipRight = 0, clipBottom = 0;
  };

  static constexpr int kPlayStateUndefined = 0;
  static constexpr int kPlayStateStopped = 1;
  static constexpr int kPlayStatePaused = 2;
  static constexpr int kPlayStateMediaEnded = 8;
  static constexpr int kPlayStateTransitioning = 9;
  static constexpr int kPlayStateReady = 10;

  // `onDestroyed` runs in the destructor (the shell keeps a record of what happened in which order).
  SimulatedPlayer(const PlayerSettings& settings, std::function<void(SimulatedPlayer*)> onDestroyed);
  ~SimulatedPlayer() override;

  // MediaPlayer
  void SetURL(const std::filesystem::path& media) override;
  bool DrawsSubtitles() const override { return true; }
  bool CannotOpen() override { return failed_; }
  void Stop() override;
  void Play() override;
  void Pause() override;
  double CurrentPosition() override;
  void SetCurrentPosition(double seconds) override;
  std::string CurrentPositionString() override;
  int PlayState() override;
  std::string Status() override;
  void SetInPlaceRect(int left, int top, int right, int bottom, int clipRight, int clipBottom) override;
  void ShowSubtitles(const std::string& assScript) override;
  void ShowNothing() override;

  // The virtual clock moves on by one millisecond.
  void AdvanceOneMs();

  // Tests.
  // The next `times` calls of `operation` throw Error(message); times < 0: every call from now on.
  void FailNext(Operation operation, int times = 1, const std::string& message = "Player call failed");
  void ClearFailures() { failures_.clear(); }
  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<double> Seeks() const;  // positions asked for, in order
  int CountOf(Operation operation) const;
  void ClearCalls() { calls_.clear(); }
  const Rect& InPlaceRect() const { return rect_; }
  int InPlaceRectCount() const { return rectCount_; }
  const std::string& URL() const { return url_; }
  bool Opening() const { return openRemainingMs_ > 0; }
  bool Playing() const { return state_ == kPlayStatePlaying; }
  double Position() const;  // without going through the failing interface
  double Duration() const override { return durationSeconds_; }
  std::span<const AudioPeak> DecodedPeaks() const override {
    return HasMedia() ? std::span<const AudioPeak>(settings_.peaks) : std::span<const AudioPeak>();
  }
  // The script drawn over the video now; empty when nothing is (the calls record only that it was given:
  // a large document's script is megabytes).
  const std::string& Subtitles() const { return subtitles_; }
  bool ShowingSubtitles() const { return showingSubtitles_; }
  // Moves the position as the user would with the player's own slider (no seek is recorded).
  void Place(double seconds);

 private:
  void Check(Operation operation);
  void Record(Operation operation, double seconds = 0, const std::string& text = {});
  void Rebase(double seconds);
  bool HasMedia() const;

  const PlayerSettings& settings_;
  std::function<void(SimulatedPlayer*)> onDestroyed_;
  std::string url_;
  bool failed_ = false;  // the media could not be opened
  int openRemainingMs_ = 0;
  int stateAfterOpening_ = 0;
  int state_ = kPlayStateUndefined;
  double durationSeconds_ = 0;
  // The position is a base set by the last seek plus whole virtual milliseconds played since (and the
  // offset), so that it does not drift by adding a thousandth a million times. Pausing keeps both.
  double baseSeconds_ = 0;
  long long playedMs_ = 0;
  struct Failure {
    int times = 0;
    std::string message;
  };
  std::map<Operation, Failure> failures_;
  std::vector<Call> calls_;
  Rect rect_;
  int rectCount_ = 0;
  std::string subtitles_;
  bool showingSubtitles_ = false;
};

}  // namespace titrelle
