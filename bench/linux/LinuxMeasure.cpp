// Measures the desktop program on Linux as a user meets it: start-up to the window shown, the clock's tick
// rate while a video plays, how closely a mark follows the player's clock, how far the segment replay lets
// the position and the picture run past the end mark before it jumps back, a typed character in edit mode on
// long documents, memory, and the CPU the program uses while playing next to what the plain mpv player uses
// on the same clip. It drives the real main window, timer and libmpv player on videos it makes with
// ffmpeg, whose frames carry their own number in two grey levels so that the frame on screen can be told.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench/titrelle_linux_measure
//       [--typing-only | --timing-only | --cpu-only | --preview-only | --panel-only | --timeline-only]
//       [--rounds=N] [--picture=native|drawn]
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench/titrelle_linux_measure --limits-only [--largest=N]
//       [--huge=BYTES,...]
//
// --limits-only resumes large documents (100 subtitles and ten times more up to N, 1,000,000 unless told) and
// documents holding one huge line (1 MB, 5 MB unless told): Yes to the window ready, how long the clock stood still, the
// memory, a typed character; and for the huge lines the video played into the line's time, preview on.
// --preview-only measures the subtitles over the video alone (Enter to the line drawn, and what the preview
// costs while the video plays); --panel-only the video panel's waveform alone: the strip's frame as while a
// video plays (the view following the position: what it asks to draw, drawn and handed to the screen; the
// time and the GUI thread's CPU), how often it is drawn while a video plays, and the decoding of a
// generated two-hour sound track's peaks (FFmpeg's libraries, on the calling thread here); --timeline-only the timeline under the window on a resumed document of 10,000
// subtitles: a frame at three zooms (the lines in view found by their times, not by going through all), and
// the first frame after the file view changed (the lines read again); --typing-only measures the typed character alone; --timing-only start-up, the
// clock and the replay alone; --cpu-only the CPU while playing alone, against the plain mpv player (which it
// starts itself, so the Debian package mpv must be installed) on the same clips, in N rounds (3 unless told),
// once with the picture drawn by mpv into the panel's native window and once drawn by the program
// (--picture=native or --picture=drawn for one of them).
// --program-only plays the CPU comparison's clips in the program alone, for a profiler.

#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "bench/BenchDocuments.h"
#include "platforms/linux/AudioPeaks.h"
#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/PlayerPanel.h"
#include "platforms/linux/QtControl.h"
#include "platforms/linux/QtUserView.h"
#include "platforms/linux/QtWindowSystem.h"
#include "platforms/linux/WaveformStrip.h"
#include "ui/ErrorReport.h"

namespace titrelle {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr double kFrameSeconds = 0.04;  // the test videos run at 25 frames a second

double Ms(double seconds) { return seconds * 1000.0; }
double SecondsBetween(SteadyClock::time_point from, SteadyClock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Runs the event loop as the program's own loop runs it (blocking between events), for `ms` or until `done`
// holds (asked every millisecond). Without `done` nothing of the measuring program's own wakes the GUI
// thread meanwhile, so that a CPU window counts the program alone.
void Spin(int ms, const std::function<bool()>& done = {}) {
  if (done && done()) return;
  QEventLoop loop;
  QTimer poll;
  if (done) {
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (done()) loop.quit();
    });
    poll.start(1);
  }
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// A click at the end of a line of the user view, scrolled into view first as the user would; `settleMs` lets
// the scrolling show before the click.
void ClickLineEnd(UserViewWidget* editor, int line, int settleMs) {
  editor->SetCaret({line, static_cast<int>(editor->Lines().Line(line).size())});
  Spin(settleMs);
  const QPoint at = editor->CaretRect().center() + QPoint(4, 0);
  const QPoint global = editor->viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(editor->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(editor->viewport(), &release);
  Spin(100);
}

std::string MakeVideo(const std::filesystem::path& folder, bool withSound) {
  const std::string path = (folder / (withSound ? "numbered-tone.mp4" : "numbered-silent.mp4")).string();
  // Frame N is grey level 1 + N / 16 on the left half and 1 + N % 16 on the right, in steps of 13: black
  // (level 0) is no frame of the video. Below, level 1 for the video with sound, black for the other.
  std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
      "\"color=c=black:s=640x360:r=25:d=10,format=yuv420p,"
      "geq=lum='if(gt(Y,H*5/8)," +
      std::string(withSound ? "29" : "16") +  // the lower part tells the videos apart: black without sound
      ",if(lt(X,W/2),29+13*floor(N/16),29+13*mod(N,16)))':cb=128:cr=128\" ";
  if (withSound) command += "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -c:a aac ";
  command += "-c:v mpeg4 -q:v 2 -g 25 '" + path + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg failed: %s\n", command.c_str());
    std::exit(2);
  }
  return path;
}

// A clip for the CPU comparison: a moving test pattern of `width` x `height` at 25 fps, with a tone or
// without, long enough for the settling and the window.
std::string MakeCpuClip(const std::filesystem::path& folder, int width, int height, bool withSound,
                        int seconds) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string path = (folder / ("cpu-" + size + (withSound ? "-tone.mp4" : "-silent.mp4"))).string();
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=s=" + size +
                        ":r=25:d=" + std::to_string(seconds) + " ";
  if (withSound) {
    command +=
        "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + std::to_string(seconds) + " -c:a aac ";
  }
  command += "-c:v mpeg4 -q:v 2 -g 25 -pix_fmt yuv420p '" + path + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg failed: %s\n", command.c_str());
    std::exit(2);
  }
  return path;
}

// The number of the frame in `image`, or -1 when the picture is not a frame of the test video wanted.
int FrameNumber(const QImage& image, bool withSound) {
  if (image.isNull()) return -1;
  // The video fills the width and is letterboxed in the height (16:9 in a squarer panel).
  const QRgb below = image.pixel(image.width() / 2, image.height() / 2 + image.width() * 9 / 16 / 4);
  if (((qRed(below) + qGreen(below) + qBlue(below)) / 3 < 8) == withSound) return -1;
  const int y = image.height() / 2 - image.width() * 9 / 16 / 8;
  auto level = [&](int x) {
    const QRgb pixel = image.pixel(x, y);
    const double grey = (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3.0;
    return static_cast<int>(std::lround(grey * 219.0 / 255.0 / 13.0)) - 1;
  };
  const int high = level(image.width() / 2 - image.width() / 16);
  const int low = level(image.width() / 2 + image.width() / 16);
  if (high < 0 || high > 15 || low < 0 || low > 15) return -1;
  return high * 16 + low;
}

long MemoryKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return 0;
}

// A CPU-time clock's reading, to the nanosecond; -1 for a clock that cannot be read (a thread gone).
// /proc's stat files count in ticks of 10 ms: a fifth of a percent of a core over a window of 5 s, as
// much as the differences measured.
double ClockSeconds(clockid_t clock) {
  timespec time{};
  if (clock_gettime(clock, &time) != 0) return -1;
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

double CpuSeconds() { return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID); }

struct Stats {
  std::vector<double> values;
  void Add(double value) { values.push_back(value); }
  bool Empty() const { return values.empty(); }
  double Quantile(double q) const {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<std::size_t>(std::lround(q * (sorted.size() - 1)))];
  }
  double MaxAbs() const {
    double worst = 0;
    for (double value : values) worst = std::max(worst, std::abs(value));
    return worst;
  }
  double Mean() const {
    double sum = 0;
    for (double value : values) sum += value;
    return sum / values.size();
  }
};

// ---- Start-up, in a fresh process each time ----

std::string TemporaryRegistryPath() {
  return (std::filesystem::temp_directory_path() / ("titrelle-measure-registry-" + std::to_string(getpid())))
      .string();
}

std::int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// What the program's main() does, then reports when its window is on the screen (exposed and painted).
int StartupChild(int argc, char** argv) {
  PrepareQtApplication();
  QApplication application(argc, argv);
  QApplication::setApplicationName("titrelle");
  std::setlocale(LC_NUMERIC, "C");
  QtWindowSystemOptions options;
  options.registryPath = TemporaryRegistryPath();
  QtWindowSystem windowSystem(options);
  Application program(windowSystem);

  struct ExposeWatch : QObject {
    bool reported = false;
    bool eventFilter(QObject* object, QEvent* event) override {
      if (!reported && event->type() == QEvent::Expose && qobject_cast<QWindow*>(object) != nullptr &&
          static_cast<QWindow*>(object)->isExposed()) {
        reported = true;
        // After the expose has been handled, that is, painted and flushed.
        QTimer::singleShot(0, [] {
          std::printf("%lld\n", static_cast<long long>(MonotonicNs()));
          std::fflush(stdout);
          QCoreApplication::quit();
        });
      }
      return false;
    }
  } watch;
  application.installEventFilter(&watch);
  program.Start();
  const int result = QApplication::exec();
  std::filesystem::remove(options.registryPath);
  return result;
}

Stats MeasureStartup(int runs) {
  Stats startup;
  for (int run = 0; run < runs; ++run) {
    QProcess child;
    const std::int64_t started = MonotonicNs();
    child.start(QCoreApplication::applicationFilePath(), {"--startup-child"});
    if (!child.waitForFinished(20000)) {
      child.kill();
      child.waitForFinished();
      continue;
    }
    const long long shown = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLongLong();
    if (shown > started) startup.Add((shown - started) / 1e9);
  }
  return startup;
}

// ---- The program itself ----

// The real window system, with the open dialog answered by the measurement and every tick of the clock
// watched.
class MeasuringWindowSystem : public QtWindowSystem {
 public:
  using QtWindowSystem::QtWindowSystem;
  std::string videoToOpen;
  std::function<void()> beforeTick = [] {};
  std::function<void()> afterTick = [] {};
  long ticks = 0;
  Stats* tickDurations = nullptr;

  bool answerDefault = false;  // the question whether to go on with an existing subtitle file: Yes

  std::optional<std::filesystem::path> ChooseFileToOpen() override {
    return std::filesystem::path(videoToOpen);
  }
  std::optional<SteadyClock::time_point> answeredAt;  // when a box was first answered since it was reset
  int ShowMessageBox(const MessageBoxRequest& entry) override {
    if (!answeredAt) answeredAt = SteadyClock::now();
    return answerDefault ? entry.defaultButton : entry.escapeButton;
  }
  std::unique_ptr<WakeUpTimer> CreateWakeUpTimer(std::function<void()> onTick) override {
    return QtWindowSystem::CreateWakeUpTimer([this, onTick = std::move(onTick)] {
      ++ticks;
      beforeTick();
      const auto start = SteadyClock::now();
      onTick();
      if (tickDurations != nullptr) tickDurations->Add(SecondsBetween(start, SteadyClock::now()));
      afterTick();
    });
  }
};

struct ScenarioResult {
  bool withSound = false;
  double openToFirstFrame = -1;
  double ticksPerSecondPlaying = 0;
  double cpuShare = 0;
  Stats markVsPlayerClock;         // the position read at a tick against mpv's clock read around it
  Stats markVsPicture;             // the same against the frame on screen and the time it has been there
  double endMarkError = 0;         // F10's MarkEnd against mpv's clock around the key
  Stats tickDuration;              // how long the program's tick handler keeps the GUI thread
  Stats pastEnd;                   // the position at the jump, past MarkEnd
  std::vector<int> framesPastEnd;  // per pass of the segment: frames later than MarkEnd handed to the screen
  long rssKb = 0;
};

struct PresentedFrame {
  int number;
  SteadyClock::time_point at;
};

ScenarioResult RunScenario(MeasuringWindowSystem& system, TForm1& form, const std::string& video,
                           bool withSound) {
  ScenarioResult result;
  result.withSound = withSound;
  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  if (player == nullptr) {
    std::fprintf(stderr, "the main window's player is not the libmpv player\n");
    std::exit(2);
  }

  std::mutex framesMutex;
  std::vector<PresentedFrame> frames;
  player->ObserveFrames([&](const QImage& image, SteadyClock::time_point at) {
    std::lock_guard lock(framesMutex);
    frames.push_back({FrameNumber(image, withSound), at});
  });
  auto latestFrame = [&]() -> std::optional<PresentedFrame> {
    std::lock_guard lock(framesMutex);
    if (frames.empty()) return std::nullopt;
    return frames.back();
  };

  // Opening another video leaves the marks of the last one in the session, and an end mark left armed
  // would make the replay jump before this run's own end mark: start each run as a fresh program does.
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);

  // Open, as the open button does, and wait for the first frame.
  system.videoToOpen = video;
  {
    std::lock_guard lock(framesMutex);
    frames.clear();
  }
  const auto openedAt = SteadyClock::now();
  DispatchEvent(system, [&] { form.OpenButtonClick(); });
  Spin(10000, [&] {
    const auto frame = latestFrame();
    return frame && frame->number == 0;
  });
  if (const auto frame = latestFrame()) result.openToFirstFrame = SecondsBetween(openedAt, frame->at);
  Spin(300);

  // F9 at the start: playback, with the clock ticking.
  DispatchEvent(system, [&] { form.StartTimeButtonClick(); });
  Spin(10000, [&] { return player->CurrentPosition() > 0.3; });

  long tickCounter = 0;
  system.beforeTick = [&] {
    ++tickCounter;
    const double before = player->PlayerClockSeconds();
    const auto at = SteadyClock::now();
    const double position = player->CurrentPosition();
    const double after = player->PlayerClockSeconds();
    if (withSound) {
      // mpv's clock is read just before and just after: a position between the two is exact.
      const double error = position < before ? position - before : position > after ? position - after : 0;
      result.markVsPlayerClock.Add(error);
      if (std::getenv("TITRELLE_MEASURE_VERBOSE") != nullptr && std::abs(error) > 0.002) {
        std::printf("tick %ld: position %.5f, mpv's clock %.5f .. %.5f\n", tickCounter, position, before,
                    after);
      }
    }
    if (const auto frame = latestFrame(); frame && frame->number >= 0) {
      const double shownFor = std::min(SecondsBetween(frame->at, at), kFrameSeconds);
      result.markVsPicture.Add(position - (frame->number * kFrameSeconds + shownFor));
    }
  };
  system.tickDurations = &result.tickDuration;
  const long ticksBefore = system.ticks;
  const double cpuBefore = CpuSeconds();
  const auto playingFrom = SteadyClock::now();
  Spin(2000);
  const double playingFor = SecondsBetween(playingFrom, SteadyClock::now());
  result.ticksPerSecondPlaying = (system.ticks - ticksBefore) / playingFor;
  result.cpuShare = (CpuSeconds() - cpuBefore) / playingFor;
  system.beforeTick = [] {};
  system.tickDurations = nullptr;

  // F9 again (the start of a later line is the position itself), F10 half a second on: that half second
  // then repeats.
  DispatchEvent(system, [&] { form.StartTimeButtonClick(); });
  const double markStart = static_cast<double>(form.Session.MarkStart());
  Spin(10000, [&] { return player->CurrentPosition() > markStart + 0.5; });
  const double before = player->PlayerClockSeconds();
  DispatchEvent(system, [&] { form.EndTimeButtonClick(); });
  const double after = player->PlayerClockSeconds();
  const double markEnd = static_cast<double>(form.Session.MarkEnd());
  result.endMarkError = withSound ? markEnd - (before + after) / 2 : 0;

  std::size_t replayFramesFrom = 0;
  {
    std::lock_guard lock(framesMutex);
    replayFramesFrom = frames.size();
  }
  std::vector<SteadyClock::time_point> jumpTimes;
  long double lastResume = form.Session.ResumePosition();
  system.afterTick = [&] {
    if (form.Session.ResumePosition() != lastResume) {
      lastResume = form.Session.ResumePosition();
      result.pastEnd.Add(static_cast<double>(form.Session.ResumePosition()) - markEnd);
      jumpTimes.push_back(SteadyClock::now());
    }
  };
  // 15 jumps with sound and 15 without: 30 in all.
  Spin(12000, [&] { return result.pastEnd.values.size() >= 15; });
  system.afterTick = [] {};
  result.rssKb = MemoryKb("VmRSS:");
  if (result.pastEnd.Empty()) {
    std::printf("no jump back: MarkStart %.4f MarkEnd %.4f, position %.4f, play state %d, status %s\n",
                markStart, markEnd, player->CurrentPosition(), player->PlayState(),
                player->CurrentPositionString().c_str());
  }
  if (std::getenv("TITRELLE_MEASURE_VERBOSE") != nullptr) {
    std::lock_guard lock(framesMutex);
    std::printf("MarkStart %.4f MarkEnd %.4f\n", markStart, markEnd);
    for (std::size_t i = replayFramesFrom; i < frames.size(); ++i) {
      double nearest = 1e9;
      for (const auto& jump : jumpTimes) {
        const double since = SecondsBetween(jump, frames[i].at);
        if (std::abs(since) < std::abs(nearest)) nearest = since;
      }
      if (std::abs(nearest) < 0.1)
        std::printf("  frame %3d at %+7.1f ms from a jump\n", frames[i].number, Ms(nearest));
    }
  }

  // Passes of the segment in the frames handed to the screen: a frame number lower than the one before
  // starts a new pass.
  {
    std::lock_guard lock(framesMutex);
    int pastInPass = 0;
    int previous = -1;
    for (std::size_t i = replayFramesFrom; i < frames.size(); ++i) {
      const int number = frames[i].number;
      if (number < 0) continue;
      if (number < previous) {
        result.framesPastEnd.push_back(pastInPass);
        pastInPass = 0;
      }
      if (number * kFrameSeconds > markEnd + 1e-9) ++pastInPass;
      previous = number;
    }
  }
  player->ObserveFrames(nullptr);
  form.WP->Stop();
  Spin(200);
  return result;
}

// ---- Typing in edit mode ----

struct TypingResult {
  int subtitles = 0;
  Stats keyDownToUp;  // one typed character: key down sent until key up handled, the save included
  Stats save;         // the save alone, of the same document
  bool writtenBack = false;
};

void SendKey(QWidget* widget, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Writes a generated file of `subtitles` subtitles as `baseName`.srt beside a copy of `video` and opens the
// copy, answering Yes to going on with the file, as a user resumes work; the subtitle file's path.
std::filesystem::path ResumeGeneratedDocument(MeasuringWindowSystem& system, TForm1& form,
                                              const std::filesystem::path& folder, const std::string& video,
                                              const std::string& baseName, int subtitles) {
  const std::filesystem::path videoCopy = folder / (baseName + ".mp4");
  const std::filesystem::path subtitlePath = folder / (baseName + ".srt");
  std::filesystem::copy_file(video, videoCopy, std::filesystem::copy_options::overwrite_existing);
  {
    std::ofstream file(subtitlePath, std::ios::binary | std::ios::trunc);
    file << bench::BenchFileViewText(subtitles);
  }
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  system.videoToOpen = videoCopy.string();
  system.answerDefault = true;
  DispatchEvent(system, [&] { form.OpenButtonClick(); });
  system.answerDefault = false;
  Spin(800);
  return subtitlePath;
}

// Resumes a generated file of `subtitles` subtitles next to a copy of `video`, clicks the end of the middle
// subtitle's text line and types characters into it one by one, the GUI loop running between them.
TypingResult MeasureTyping(MeasuringWindowSystem& system, TForm1& form, const std::filesystem::path& folder,
                           const std::string& video, int subtitles) {
  TypingResult result;
  result.subtitles = subtitles;
  auto* view = dynamic_cast<QtUserView*>(form.UserRichEdit);
  if (view == nullptr) {
    std::fprintf(stderr, "the main window's user view is not the Qt user view\n");
    std::exit(2);
  }
  UserViewWidget* editor = view->Editor();
  const std::filesystem::path subtitlePath =
      ResumeGeneratedDocument(system, form, folder, video, "typing-" + std::to_string(subtitles), subtitles);

  // A click at the end of the middle subtitle's text line, scrolled into view first as the user would.
  const int textLine = (subtitles / 2) * 4 + 2;
  ClickLineEnd(editor, textLine, 100);
  if (view->CaretLine() != textLine || view->ReadOnly()) {
    std::printf("typing: the click did not reach the text line (caret line %d)\n", view->CaretLine());
    return result;
  }

  constexpr int kCharacters = 41;
  std::string typed;
  for (int i = 0; i < kCharacters; ++i) {
    const char character = static_cast<char>('a' + i % 26);
    typed += character;
    const auto start = SteadyClock::now();
    SendKey(editor, Qt::Key_A + i % 26, QString(QLatin1Char(character)));
    result.keyDownToUp.Add(SecondsBetween(start, SteadyClock::now()));
    Spin(15);  // painting and the clock's ticks, as between a user's keys
  }
  std::ifstream file(subtitlePath, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  result.writtenBack = saved.find(bench::BenchSubtitleText(subtitles / 2 + 1) + typed) != std::string::npos;
  // What of a key is the save, which has to write the whole file whatever the key.
  for (int i = 0; i < 21; ++i) {
    const auto start = SteadyClock::now();
    form.Document.SaveSubtitleFile();
    result.save.Add(SecondsBetween(start, SteadyClock::now()));
  }
  form.WP->Stop();
  Spin(100);
  return result;
}

void PrintTyping(const std::vector<TypingResult>& typing) {
  for (const TypingResult& result : typing) {
    if (result.keyDownToUp.Empty()) continue;
    std::printf(
        "one typed character in edit mode, %5d subtitles   median %6.2f ms  p90 %6.2f ms  max %6.2f ms  (%zu "
        "keys)%s\n",
        result.subtitles, Ms(result.keyDownToUp.Quantile(0.5)), Ms(result.keyDownToUp.Quantile(0.9)),
        Ms(result.keyDownToUp.Quantile(1)), result.keyDownToUp.values.size(),
        result.writtenBack ? "" : "   NOT WRITTEN BACK");
    std::printf("  of which the save alone would take                median %6.2f ms\n",
                Ms(result.save.Quantile(0.5)));
  }
}

const char* Verdict(bool met) { return met ? "goal met" : "GOAL MISSED"; }

// ---- The subtitles over the video ----

struct PreviewResult {
  int subtitles = 0;
  Stats enterToTrack;  // Enter until mpv has taken the track holding the new line
  Stats enterToDrawn;  // Enter until the first frame drawn with it is handed to the screen
  Stats keyToSeen;     // in edit mode, a key typed into the text of the line on the picture until the frame
                       // handed to the screen shows the longer text
  bool seen = false;   // the last line committed, held in the middle of its segment, lights the picture
  double cpuOff = 0, cpuOn = 0;  // the whole process's share of a core while the video plays
  long rssOffKb = 0, rssOnKb = 0;
};

// Ten seconds of black at 640x360, 25 fps, a key frame every 5 frames.
std::string MakeBlackVideo(const std::filesystem::path& folder) {
  const std::string path = (folder / "black.mp4").string();
  const std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i color=c=black:s=640x360:r=25:d=10 "
      "-c:v mpeg4 -q:v 2 -g 5 '" +
      path + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg failed: %s\n", command.c_str());
    std::exit(2);
  }
  return path;
}

// Lit pixels in the lower half of a frame: where a default-style line shows.
int LitPixelsBelow(const QImage& frame) {
  int lit = 0;
  for (int y = frame.height() / 2; y < frame.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
    for (int x = 0; x < frame.width(); ++x) lit += qGray(row[x]) > 160 ? 1 : 0;
  }
  return lit;
}

// How wide the lit part of the lower half of a frame is: the line's width.
int LitWidthBelow(const QImage& frame) {
  int left = frame.width(), right = -1;
  for (int y = frame.height() / 2; y < frame.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
    for (int x = 0; x < frame.width(); ++x) {
      if (qGray(row[x]) > 160) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return right < left ? 0 : right - left + 1;
}

// In edit mode, with the last line's segment repeating, types into its text one key at a time: from the key
// to the first frame on the screen that shows the longer line.
void MeasureEditSeen(TForm1& form, MpvPlayer& player, PreviewResult& result) {
  auto* view = dynamic_cast<QtUserView*>(form.UserRichEdit);
  form.EditButtonClick();
  Spin(300);
  UserViewWidget* editor = view->Editor();
  int textLine = -1;
  for (int line = editor->Lines().PieceCount() - 1; line >= 0 && textLine < 0; --line) {
    if (editor->Lines().Line(line).starts_with("LINE ")) textLine = line;
  }
  if (textLine < 1) return;
  const auto click = [&](int line) { ClickLineEnd(editor, line, 50); };
  click(textLine - 1);  // its time line: the segment repeats
  click(textLine);
  std::mutex widthsMutex;
  std::vector<std::pair<SteadyClock::time_point, int>> widths;
  player.ObserveFrames([&](const QImage& frame, SteadyClock::time_point at) {
    const int width = LitWidthBelow(frame);
    std::lock_guard lock(widthsMutex);
    widths.emplace_back(at, width);
  });
  Spin(500);
  for (int key = 0; key < 8; ++key) {
    int before = 0;
    {
      std::lock_guard lock(widthsMutex);
      for (const auto& [at, width] : widths) before = std::max(before, width);
      widths.clear();
    }
    const auto sent = SteadyClock::now();
    SendKey(editor, Qt::Key_W, "W");
    std::optional<SteadyClock::time_point> seen;
    Spin(2000, [&] {
      std::lock_guard lock(widthsMutex);
      for (const auto& [at, width] : widths) {
        if (at > sent && width > before + 4) {
          seen = at;
          return true;
        }
      }
      return false;
    });
    if (seen) result.keyToSeen.Add(SecondsBetween(sent, *seen));
    Spin(300);
  }
  player.ObserveFrames(nullptr);
  form.ContinueButtonClick();
  Spin(200);
}

double PlayingCpuShare(TForm1& form, int windowMs) {
  form.WP->SetCurrentPosition(0.5);
  form.WP->Play();
  Spin(300);
  const double before = CpuSeconds();
  const auto from = SteadyClock::now();
  Spin(windowMs);
  return (CpuSeconds() - before) / SecondsBetween(from, SteadyClock::now());
}

// Resumes a generated file of `subtitles` subtitles beside a black video, goes on capturing (F8) and
// commits lines with real Enter keys while the video plays: from the key to the first frame drawn with the
// line in the player's track. Then the cost of the preview: the video playing with it off and on.
PreviewResult MeasurePreview(MeasuringWindowSystem& system, TForm1& form, const std::filesystem::path& folder,
                             const std::string& video, int subtitles) {
  PreviewResult result;
  result.subtitles = subtitles;
  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  ResumeGeneratedDocument(system, form, folder, video, "preview-" + std::to_string(subtitles), subtitles);
  form.ContinueButtonClick();
  Spin(200);
  const auto settled = [&] { return !player->Subtitles().Busy(); };

  std::mutex framesMutex;
  std::vector<SteadyClock::time_point> frames;
  player->ObserveFrames([&](const QImage&, SteadyClock::time_point at) {
    std::lock_guard lock(framesMutex);
    frames.push_back(at);
  });
  QWidget* input = dynamic_cast<QtControl&>(*form.InputEdit).Widget();
  double lastStart = 0, lastEnd = 0;
  for (int round = 0; round < 15; ++round) {
    form.WP->SetCurrentPosition(1.0 + (round % 5) * 1.5);
    form.WP->Play();
    Spin(100);
    DispatchEvent(system, [&] { form.StartTimeButtonClick(); });
    lastStart = static_cast<double>(form.Session.MarkStart());
    Spin(400);
    DispatchEvent(system, [&] { form.EndTimeButtonClick(); });
    lastEnd = static_cast<double>(form.Session.MarkEnd());
    form.InputEdit->SetText("LINE " + std::to_string(round));
    Spin(3000, settled);
    Spin(50);
    const std::uint64_t tracksBefore = player->Subtitles().TracksTaken();
    const auto enter = SteadyClock::now();
    SendKey(input, Qt::Key_Return, "\r");
    Spin(5000, [&] { return player->Subtitles().TracksTaken() > tracksBefore; });
    const auto taken = SteadyClock::now();
    if (player->Subtitles().TracksTaken() == tracksBefore) continue;
    std::optional<SteadyClock::time_point> drawn;
    Spin(1000, [&] {
      std::lock_guard lock(framesMutex);
      for (const auto at : frames) {
        if (at > taken) {
          drawn = at;
          return true;
        }
      }
      return false;
    });
    {
      std::lock_guard lock(framesMutex);
      frames.clear();
    }
    result.enterToTrack.Add(SecondsBetween(enter, taken));
    if (drawn) result.enterToDrawn.Add(SecondsBetween(enter, *drawn));
  }
  player->ObserveFrames(nullptr);
  MeasureEditSeen(form, *player, result);

  // The last line on the picture, held in the middle of its segment.
  form.WP->Pause();
  form.WP->SetCurrentPosition((lastStart + lastEnd) / 2);
  Spin(3000, [&] { return LitPixelsBelow(player->ShownFrame()) > 50; });
  result.seen = LitPixelsBelow(player->ShownFrame()) > 50;

  // What it costs while the video plays: off, then on (memory only grows, so off comes first).
  auto* box = dynamic_cast<QtControl&>(*form.PreviewCheckBox).Widget();
  static_cast<QAbstractButton*>(box)->click();
  Spin(500);
  result.cpuOff = PlayingCpuShare(form, 3000);
  result.rssOffKb = MemoryKb("VmRSS:");
  static_cast<QAbstractButton*>(box)->click();
  Spin(5000, settled);
  result.cpuOn = PlayingCpuShare(form, 3000);
  result.rssOnKb = MemoryKb("VmRSS:");
  form.WP->Stop();
  Spin(100);
  return result;
}

void PrintPreview(const std::vector<PreviewResult>& previews) {
  for (const PreviewResult& result : previews) {
    if (result.enterToDrawn.Empty()) {
      std::printf("preview, %5d subtitles: no line reached the player\n", result.subtitles);
      continue;
    }
    std::printf(
        "Enter to the line drawn, %5d subtitles   median %6.1f ms  max %6.1f ms  (the track taken: median "
        "%5.1f ms; %zu lines)%s\n",
        result.subtitles, Ms(result.enterToDrawn.Quantile(0.5)), Ms(result.enterToDrawn.Quantile(1)),
        Ms(result.enterToTrack.Quantile(0.5)), result.enterToDrawn.values.size(),
        result.subtitles == 10000
            ? (std::string("   goal < 50 ms: ") + Verdict(result.enterToDrawn.Quantile(0.5) < 0.05)).c_str()
            : "");
    if (!result.keyToSeen.Empty()) {
      std::printf(
          "  a key in edit mode to the longer line on the screen   median %6.1f ms  max %6.1f ms  (%zu "
          "keys)\n",
          Ms(result.keyToSeen.Quantile(0.5)), Ms(result.keyToSeen.Quantile(1)),
          result.keyToSeen.values.size());
    }
    std::printf(
        "  the preview while playing: %.0f%% of a core off, %.0f%% on; RSS %.1f MB off, %.1f MB on; the line "
        "%s on the picture\n",
        result.cpuOff * 100, result.cpuOn * 100, result.rssOffKb / 1024.0, result.rssOnKb / 1024.0,
        result.seen ? "seen" : "NOT SEEN");
  }
}

// ---- Large files and huge lines: resuming, typing, the preview ----

struct LimitResult {
  std::string what;
  std::size_t fileBytes = 0;
  double yesToHandled = -1;  // Yes answered until the open's handler returned
  double yesToReady = -1;    // until the window has also drawn what it holds and takes the next event
  double longestStall = 0;   // the longest the clock went without a tick, from Yes to ready
  long rssKb = 0;            // after the resume
  long peakKb = 0;           // the process's peak from just before the open
  Stats keys;                // typed characters: key down sent until key up handled, the save included
  Stats save;                // the save alone, of the same document
  bool writtenBack = false;
  double playingStall = -1;  // while the video plays into the huge line's time: the longest gap between ticks
  bool seen = false;         // the huge line lit the picture
};

// The longest gap between two ticks of the program's clock while it lives: how long the window stood still.
class TickGaps {
 public:
  explicit TickGaps(MeasuringWindowSystem& system) : system_(system) {
    system_.beforeTick = [this] {
      const auto now = SteadyClock::now();
      longest_ = std::max(longest_, SecondsBetween(last_, now));
      last_ = now;
    };
  }
  ~TickGaps() { system_.beforeTick = [] {}; }
  TickGaps(const TickGaps&) = delete;
  TickGaps& operator=(const TickGaps&) = delete;
  double Longest() const { return std::max(longest_, SecondsBetween(last_, SteadyClock::now())); }

 private:
  MeasuringWindowSystem& system_;
  SteadyClock::time_point last_ = SteadyClock::now();
  double longest_ = 0;
};

// Runs the loop until the events already waiting (the editor's layout, the window's paint) are done.
void SettlePending() {
  bool reached = false;
  QTimer::singleShot(0, [&] { reached = true; });
  while (!reached) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Writes `fileText` as `baseName`.srt beside a copy of `video`, opens the copy and answers Yes, timing the
// resume as the user meets it.
std::filesystem::path TimedResume(MeasuringWindowSystem& system, TForm1& form,
                                  const std::filesystem::path& folder, const std::string& video,
                                  const std::string& baseName, const std::string& fileText,
                                  LimitResult& result) {
  const std::filesystem::path videoCopy = folder / (baseName + ".mp4");
  const std::filesystem::path subtitlePath = folder / (baseName + ".srt");
  std::filesystem::copy_file(video, videoCopy, std::filesystem::copy_options::overwrite_existing);
  {
    std::ofstream file(subtitlePath, std::ios::binary | std::ios::trunc);
    file << fileText;
  }
  result.fileBytes = fileText.size();
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  system.videoToOpen = videoCopy.string();
  Spin(300);
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak counts from here
  {
    TickGaps gaps(system);
    system.answerDefault = true;
    system.answeredAt.reset();
    DispatchEvent(system, [&] { form.OpenButtonClick(); });
    const auto handled = SteadyClock::now();
    system.answerDefault = false;
    // A large file goes on loading between events: ready is when its last step is done and drawn.
    while (form.ResumeLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    SettlePending();
    const auto ready = SteadyClock::now();
    if (system.answeredAt) {
      result.yesToHandled = SecondsBetween(*system.answeredAt, handled);
      result.yesToReady = SecondsBetween(*system.answeredAt, ready);
    }
    result.longestStall = gaps.Longest();
  }
  result.rssKb = MemoryKb("VmRSS:");
  result.peakKb = MemoryKb("VmHWM:");
  Spin(500);
  return subtitlePath;
}

// Types `characters` characters at the end of line `line` of the user view, one by one with the loop
// running between them; whether the file then holds `lineText` followed by them.
void TimedTyping(TForm1& form, int line, int characters, const std::filesystem::path& subtitlePath,
                 const std::string& lineText, LimitResult& result) {
  auto* view = dynamic_cast<QtUserView*>(form.UserRichEdit);
  UserViewWidget* editor = view->Editor();
  ClickLineEnd(editor, line, 100);
  if (view->CaretLine() != line || view->ReadOnly()) {
    std::printf("%s: the click did not reach the text line (caret line %d)\n", result.what.c_str(),
                view->CaretLine());
    return;
  }
  std::string typed;
  for (int i = 0; i < characters; ++i) {
    const char character = static_cast<char>('a' + i % 26);
    typed += character;
    const auto start = SteadyClock::now();
    SendKey(editor, Qt::Key_A + i % 26, QString(QLatin1Char(character)));
    result.keys.Add(SecondsBetween(start, SteadyClock::now()));
    Spin(15);
  }
  std::ifstream file(subtitlePath, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  result.writtenBack = saved.find(lineText + typed) != std::string::npos;
  for (int i = 0; i < 5; ++i) {
    const auto start = SteadyClock::now();
    form.Document.SaveSubtitleFile();
    result.save.Add(SecondsBetween(start, SteadyClock::now()));
  }
}

// Resumes a document of `subtitles` subtitles and types into the middle one's text.
LimitResult MeasureLargeFile(MeasuringWindowSystem& system, TForm1& form, const std::filesystem::path& folder,
                             const std::string& video, int subtitles) {
  LimitResult result;
  result.what = std::to_string(subtitles) + " subtitles";
  const std::filesystem::path subtitlePath =
      TimedResume(system, form, folder, video, "large-" + std::to_string(subtitles),
                  bench::BenchFileViewText(subtitles), result);
  TimedTyping(form, (subtitles / 2) * 4 + 2, 11, subtitlePath, bench::BenchSubtitleText(subtitles / 2 + 1),
              result);
  form.WP->Stop();
  Spin(100);
  return result;
}

// Resumes a document of four subtitles whose second holds a line of `bytes` bytes, types at the line's end,
// then plays the video into the line's time with the preview on.
LimitResult MeasureHugeLine(MeasuringWindowSystem& system, TForm1& form, const std::filesystem::path& folder,
                            const std::string& blackVideo, std::size_t bytes) {
  LimitResult result;
  result.what = "a line of " + std::to_string(bytes / 1000) + " kB";
  constexpr int kHugeNumber = 2;
  const std::filesystem::path subtitlePath =
      TimedResume(system, form, folder, blackVideo, "huge-" + std::to_string(bytes),
                  bench::BenchFileViewTextWithHugeLine(4, kHugeNumber, bytes), result);
  TimedTyping(form, (kHugeNumber - 1) * 4 + 2, 5, subtitlePath, bench::BenchHugeText(bytes), result);

  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  form.ContinueButtonClick();
  Spin(300);
  std::atomic<bool> seen = false;
  player->ObserveFrames([&](const QImage& frame, SteadyClock::time_point) {
    if (LitPixelsBelow(frame) > 50) seen = true;
  });
  const double lineStart = static_cast<double>(bench::BenchSubtitleStartMs(kHugeNumber)) / 1000.0;
  form.WP->SetCurrentPosition(lineStart - 1.0);
  form.WP->Play();
  {
    TickGaps gaps(system);
    Spin(3000);
    result.playingStall = gaps.Longest();
  }
  player->ObserveFrames(nullptr);
  result.seen = seen;
  form.WP->Stop();
  Spin(100);
  return result;
}

void PrintLimits(const std::vector<LimitResult>& limits) {
  for (const LimitResult& result : limits) {
    std::printf(
        "resume %-18s (%6.1f MB)   Yes to ready %8.1f ms (handler %8.1f ms)   clock stood still %8.1f ms   RSS "
        "%7.1f MB, peak %7.1f MB\n",
        result.what.c_str(), result.fileBytes / 1e6, Ms(result.yesToReady), Ms(result.yesToHandled),
        Ms(result.longestStall), result.rssKb / 1024.0, result.peakKb / 1024.0);
    if (!result.keys.Empty()) {
      std::printf("  a typed character   median %8.2f ms  max %8.2f ms  (%zu keys), the save alone %7.2f ms%s\n",
                  Ms(result.keys.Quantile(0.5)), Ms(result.keys.Quantile(1)), result.keys.values.size(),
                  Ms(result.save.Quantile(0.5)), result.writtenBack ? "" : "   NOT WRITTEN BACK");
    }
    if (result.playingStall >= 0) {
      std::printf("  playing into the line's time, preview on: the clock stood still at most %.1f ms; the line %s\n",
                  Ms(result.playingStall), result.seen ? "seen" : "NOT SEEN");
    }
  }
}

// ---- CPU while playing: the player alone against the program, side by side ----

// A /proc stat file's text, and the user and system time in it (in clock ticks of 10 ms); -1 for a text
// that is none.
std::string StatText(const std::filesystem::path& path) {
  std::ifstream stat(path);
  return std::string((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
}

double StatCpuSeconds(const std::string& text) {
  // The command name, in parentheses, may hold spaces: fields are counted from after its closing one.
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  double ticks = 0;
  // Third to fifteenth fields of the line: the state first, user time the twelfth after it, system time next.
  for (int index = 1; index <= 13 && fields >> field; ++index) {
    if (index == 12 || index == 13) ticks += std::atof(field.c_str());
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The CPU time a process has used, all its threads.
double ProcessCpuSeconds(qint64 pid) {
  clockid_t clock{};
  if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) != 0) {
    return StatCpuSeconds(StatText("/proc/" + std::to_string(pid) + "/stat"));
  }
  return ClockSeconds(clock);
}

// The CPU-time clock of one thread of this process, by its id: the kernel's encoding, the one
// pthread_getcpuclockid hands out (the thread's id inverted, shifted past the clock's kind).
clockid_t ThreadCpuClock(pid_t tid) {
  constexpr clockid_t kPerThreadScheduler = 6;
  return static_cast<clockid_t>((~static_cast<unsigned>(tid)) << 3) | kPerThreadScheduler;
}

constexpr int kCpuSettleMs = 1500;
constexpr int kCpuWindowMs = 5000;
constexpr int kCpuClipSeconds = 10;

// The plain mpv player on `clip` in a window the size of the program's video panel, with the same audio
// outputs, looping so that it plays the whole window: its share of a core over the window.
std::optional<double> PlayerAloneCpuShare(const std::string& clip, QSize window) {
  QProcess mpv;
  mpv.setProgram("mpv");
  mpv.setArguments({"--no-config", "--really-quiet", "--vo=x11",
                    QString::fromStdString("--ao=" + MpvPlayerOptions{}.audioOutput),
                    QString("--geometry=%1x%2+0+0").arg(window.width()).arg(window.height()),
                    "--keepaspect-window=no", "--loop-file=inf", "--osd-level=0", "--no-osc",
                    "--load-scripts=no", "--input-default-bindings=no", "--force-window=yes",
                    QString::fromStdString(clip)});
  mpv.start();
  if (!mpv.waitForStarted(5000)) return std::nullopt;
  Spin(kCpuSettleMs);
  std::optional<double> share;
  if (mpv.state() == QProcess::Running) {
    const double before = ProcessCpuSeconds(mpv.processId());
    const auto from = SteadyClock::now();
    Spin(kCpuWindowMs);
    const double after = ProcessCpuSeconds(mpv.processId());
    if (before >= 0 && after >= 0) share = (after - before) / SecondsBetween(from, SteadyClock::now());
  }
  mpv.terminate();
  if (!mpv.waitForFinished(3000)) {
    mpv.kill();
    mpv.waitForFinished();
  }
  return share;
}

// A process that does nothing but wake every millisecond, on absolute deadlines as a precise timer does:
// what a 1 ms clock costs on this machine before any program does anything with its ticks. Runs for
// `settleMs` + `windowMs` and prints its wake-ups a second and its share of a core over the window.
int BareClockChild(int settleMs, int windowMs) {
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  const auto wait = [&next] {
    next.tv_nsec += 1000000;
    if (next.tv_nsec >= 1000000000) {
      next.tv_nsec -= 1000000000;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  };
  for (const auto until = SteadyClock::now() + std::chrono::milliseconds(settleMs);
       SteadyClock::now() < until;)
    wait();
  const double before = CpuSeconds();
  const auto from = SteadyClock::now();
  long wakeUps = 0;
  for (const auto until = from + std::chrono::milliseconds(windowMs); SteadyClock::now() < until; ++wakeUps)
    wait();
  const double seconds = SecondsBetween(from, SteadyClock::now());
  std::printf("%.1f %.6f\n", wakeUps / seconds, (CpuSeconds() - before) / seconds);
  return 0;
}

// A Qt program that does nothing but set one label's caption 25 times a second, as the position label
// changes with every frame of a 25 fps video: what a part of a window that changes with every frame costs
// on this machine (the caption laid out, the paint, the flush to the X server) before a program does
// anything else. Runs for `settleMs` + `windowMs` and prints its captions a second and its share of a core.
int BareLabelChild(int argc, char** argv, int settleMs, int windowMs) {
  PrepareQtApplication();  // as the program's main() does
  QApplication application(argc, argv);
  QWidget window;
  window.resize(355, 60);
  QLabel label(QStringLiteral("00:00:00:000"), &window);
  label.setAutoFillBackground(true);
  label.move(8, 8);
  window.show();
  long captions = 0;
  double before = 0;
  SteadyClock::time_point from;
  QTimer frames;
  frames.setTimerType(Qt::PreciseTimer);
  QObject::connect(&frames, &QTimer::timeout, [&] {
    ++captions;
    label.setText(QString::asprintf("00:00:%02ld:%03ld", captions / 25 % 60, captions % 25 * 40));
  });
  frames.start(40);
  QTimer::singleShot(settleMs, [&] {
    captions = 0;
    before = CpuSeconds();
    from = SteadyClock::now();
  });
  QTimer::singleShot(settleMs + windowMs, [&] {
    const double seconds = SecondsBetween(from, SteadyClock::now());
    std::printf("%.1f %.6f\n", captions / seconds, (CpuSeconds() - before) / seconds);
    QCoreApplication::quit();
  });
  return QApplication::exec();
}

struct BareShare {
  double perSecond = 0;  // the bare clock's wake-ups, the bare label's captions
  double share = 0;
};

// One of the bare children above, over the same windows as the program: what it printed.
std::optional<BareShare> BareCpuShare(const char* child) {
  QProcess process;
  process.start(QCoreApplication::applicationFilePath(),
                {child, QString::number(kCpuSettleMs), QString::number(kCpuWindowMs)});
  if (!process.waitForFinished(kCpuSettleMs + kCpuWindowMs + 10000) || process.exitCode() != 0) {
    process.kill();
    process.waitForFinished();
    return std::nullopt;
  }
  BareShare bare;
  if (std::sscanf(process.readAllStandardOutput().constData(), "%lf %lf", &bare.perSecond, &bare.share) != 2)
    return std::nullopt;
  return bare;
}

// The CPU time of each of this process's threads, by the thread's name (threads of one name summed).
std::map<std::string, double> ThreadCpuSeconds() {
  std::map<std::string, double> byName;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    const std::string text = StatText(task.path() / "stat");
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    const double precise = ClockSeconds(ThreadCpuClock(std::atoi(task.path().filename().c_str())));
    byName[text.substr(open + 1, close - open - 1)] += precise >= 0 ? precise : StatCpuSeconds(text);
  }
  return byName;
}

// The program playing `clip` as a user starts it (open, F9), the whole process's share of a core over the
// window: the GUI thread with its 1 ms clock, the player's threads, the drawing.
double ProgramCpuShare(MeasuringWindowSystem& system, TForm1& form, const std::string& clip,
                       std::map<std::string, Stats>& threads, std::map<std::string, Stats>& rates, Stats& paused) {
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  system.videoToOpen = clip;
  DispatchEvent(system, [&] { form.OpenButtonClick(); });
  Spin(10000, [&] { return form.WP->PlayState() == 1; });
  Spin(200);
  DispatchEvent(system, [&] { form.StartTimeButtonClick(); });
  Spin(kCpuSettleMs);
  // How often the GUI thread wakes, the clock rings and the timeline is drawn: what its share is made of.
  long wakeUps = 0;
  const QMetaObject::Connection counting = QObject::connect(
      QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&wakeUps] { ++wakeUps; });
  const long ticksBefore = system.ticks;
  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  const WaveformStrip* strip = player && player->Panel() ? player->Panel()->Strip() : nullptr;
  const std::uint64_t paintsBefore = strip ? strip->PaintCount() : 0;
  const auto threadsBefore = ThreadCpuSeconds();
  const double before = CpuSeconds();
  const auto from = SteadyClock::now();
  Spin(kCpuWindowMs);
  const double seconds = SecondsBetween(from, SteadyClock::now());
  const double share = (CpuSeconds() - before) / seconds;
  QObject::disconnect(counting);
  rates["wake-ups"].Add(wakeUps / seconds);
  rates["clock rings"].Add((system.ticks - ticksBefore) / seconds);
  if (strip) rates["timeline paints"].Add((strip->PaintCount() - paintsBefore) / seconds);
  for (const auto& [name, after] : ThreadCpuSeconds()) {
    const auto was = threadsBefore.find(name);
    threads[name].Add((after - (was == threadsBefore.end() ? 0 : was->second)) / seconds);
  }
  // Paused where it played: nothing is due until the next event.
  form.WP->Pause();
  Spin(500);
  const double pausedBefore = CpuSeconds();
  const auto pausedFrom = SteadyClock::now();
  Spin(kCpuWindowMs);
  paused.Add((CpuSeconds() - pausedBefore) / SecondsBetween(pausedFrom, SteadyClock::now()));
  form.WP->Stop();
  Spin(200);
  return share;
}

// The program with its window open and the player stopped: nothing is due, nothing should wake it.
double IdleCpuShare() {
  Spin(kCpuSettleMs);
  const double before = CpuSeconds();
  const auto from = SteadyClock::now();
  Spin(kCpuWindowMs);
  return (CpuSeconds() - before) / SecondsBetween(from, SteadyClock::now());
}

struct CpuComparison {
  std::string clip;
  QSize clipSize;
  bool withSound = false;
  Stats alone;
  Stats program;
  Stats idle;              // the program's window open, the player stopped, between this clip's windows
  Stats paused;            // the program's window open, the video paused after playing this clip
  Stats bareClock;         // a process that only wakes every millisecond, in the same rounds
  Stats bareClockWakeUps;  // and how often it woke
  Stats bareLabel;         // a Qt program that only sets one label 25 times a second, in the same rounds
  std::map<std::string, Stats> threads;  // the program's threads while playing, by name
  std::map<std::string, Stats> rates;    // the GUI thread's wake-ups, the clock's rings, the timeline's paints
};

// Rounds of the player alone and the program one after the other on each clip, the order swapped from
// round to round, so that what else the machine does falls on both alike.
std::vector<CpuComparison> CompareCpu(MeasuringWindowSystem& system, TForm1& form,
                                      const std::filesystem::path& folder, QSize panel, int rounds,
                                      bool programOnly) {
  std::vector<CpuComparison> comparisons;
  for (QSize size : {QSize(320, 240), QSize(1280, 720)}) {
    for (bool withSound : {true, false}) {
      CpuComparison comparison;
      comparison.clipSize = size;
      comparison.withSound = withSound;
      comparison.clip = MakeCpuClip(folder, size.width(), size.height(), withSound, kCpuClipSeconds);
      comparisons.push_back(std::move(comparison));
    }
  }
  for (int round = 0; round < rounds; ++round) {
    for (CpuComparison& comparison : comparisons) {
      comparison.idle.Add(IdleCpuShare());
      if (!programOnly) {
        if (const auto clock = BareCpuShare("--bare-clock-child")) {
          comparison.bareClock.Add(clock->share);
          comparison.bareClockWakeUps.Add(clock->perSecond);
        }
        if (const auto label = BareCpuShare("--bare-label-child")) comparison.bareLabel.Add(label->share);
      }
      for (int turn = 0; turn < 2; ++turn) {
        if ((turn == 0) == (round % 2 == 0)) {
          if (!programOnly) {
            if (const auto share = PlayerAloneCpuShare(comparison.clip, panel)) comparison.alone.Add(*share);
          }
        } else {
          comparison.program.Add(
              ProgramCpuShare(system, form, comparison.clip, comparison.threads, comparison.rates, comparison.paused));
        }
      }
    }
  }
  return comparisons;
}

std::string Percentages(const Stats& stats) {
  std::string text;
  for (double value : stats.values) {
    char one[16];
    std::snprintf(one, sizeof one, "%s%.2f", text.empty() ? "" : " ", value * 100);
    text += one;
  }
  return text;
}

void PrintCpu(const std::vector<CpuComparison>& comparisons, QSize panel, int rounds) {
  if (comparisons.empty()) return;
  std::printf(
      "-- CPU while playing, %% of a core: the player alone (mpv, x11 output, the same clip in a %dx%d "
      "window) and Titrelle (the whole process), medians of %d windows of %d s\n",
      panel.width(), panel.height(), rounds, kCpuWindowMs / 1000);
  // One figure over every clip's windows.
  const auto pooled = [&comparisons](Stats CpuComparison::*figure) {
    Stats all;
    for (const CpuComparison& comparison : comparisons) {
      const auto& values = (comparison.*figure).values;
      all.values.insert(all.values.end(), values.begin(), values.end());
    }
    return all;
  };
  const Stats idle = pooled(&CpuComparison::idle);
  const Stats paused = pooled(&CpuComparison::paused);
  std::printf("Titrelle with its window open, the player stopped   %.2f%% (max %.2f%%)   goal < 0.5%%: %s   (%s)\n",
              idle.Quantile(0.5) * 100, idle.Quantile(1) * 100, Verdict(idle.Quantile(1) < 0.005),
              Percentages(idle).c_str());
  if (!paused.Empty()) {
    std::printf("Titrelle with its window open, the video paused   %.2f%% (max %.2f%%)   goal < 0.5%%: %s   (%s)\n",
                paused.Quantile(0.5) * 100, paused.Quantile(1) * 100, Verdict(paused.Quantile(1) < 0.005),
                Percentages(paused).c_str());
  }
  const Stats bareClock = pooled(&CpuComparison::bareClock);
  const Stats bareClockWakeUps = pooled(&CpuComparison::bareClockWakeUps);
  const Stats bareLabel = pooled(&CpuComparison::bareLabel);
  if (!bareClock.Empty()) {
    std::printf(
        "a process that only wakes every millisecond (what a 1 ms clock costs here)   %.1f%% at %.0f "
        "wake-ups a "
        "second   (%s)\n",
        bareClock.Quantile(0.5) * 100, bareClockWakeUps.Quantile(0.5), Percentages(bareClock).c_str());
  }
  if (!bareLabel.Empty()) {
    std::printf(
        "a Qt program that only sets one label 25 times a second (what a part of a window changing with every "
        "frame costs here)   %.2f%%   (%s)\n",
        bareLabel.Quantile(0.5) * 100, Percentages(bareLabel).c_str());
  }
  for (const CpuComparison& comparison : comparisons) {
    char clip[64];
    std::snprintf(clip, sizeof clip, "%dx%d %s", comparison.clipSize.width(), comparison.clipSize.height(),
                  comparison.withSound ? "with sound" : "without sound");
    if (comparison.alone.Empty()) {
      std::printf(
          "%-24s  Titrelle %5.2f%%   the player alone not measured (is mpv installed?)   (Titrelle: %s)\n",
          clip, comparison.program.Quantile(0.5) * 100, Percentages(comparison.program).c_str());
    } else {
      const double alone = comparison.alone.Quantile(0.5);
      const double program = comparison.program.Quantile(0.5);
      std::printf(
          "%-24s  player alone %5.2f%%  Titrelle %5.2f%%  ratio %4.2f   goal <= 1.3: %s   (alone: %s; "
          "Titrelle: "
          "%s)\n",
          clip, alone * 100, program * 100, program / alone, Verdict(program <= 1.3 * alone),
          Percentages(comparison.alone).c_str(), Percentages(comparison.program).c_str());
    }
    // Where Titrelle's share goes: its threads, the busiest first (the GUI thread has the program's name).
    std::vector<std::pair<double, std::string>> threads;
    for (const auto& [name, shares] : comparison.threads) threads.emplace_back(shares.Quantile(0.5), name);
    std::sort(threads.rbegin(), threads.rend());
    std::string line;
    for (const auto& [share, name] : threads) {
      if (share < 0.0005) continue;
      char one[64];
      std::snprintf(one, sizeof one, "  %s %.2f", name.c_str(), share * 100);
      line += one;
    }
    std::printf("%-24s  by thread:%s\n", "", line.c_str());
    line.clear();
    for (const auto& [name, perSecond] : comparison.rates) {
      char one[64];
      std::snprintf(one, sizeof one, "  %s %.0f", name.c_str(), perSecond.Quantile(0.5));
      line += one;
    }
    std::printf("%-24s  a second:%s\n", "", line.c_str());
  }
}

// ---- The video panel's waveform ----

struct PanelResult {
  Stats stripPaint;          // one frame of the strip: the view following the position, painted, handed over
  Stats stripPaintCpu;       // the same frame's CPU on the GUI thread (waits for the X server left out)
  double stripDrawnShare = 0;  // of the strip's pixels, how many a frame's paint covered, on average
  std::uint64_t stripFrames = 0;
  std::uint64_t stripFramePaints = 0;
  double playedSeconds = 0;  // while playing: how long, how many frames, how many strip paints
  std::uint64_t framesShown = 0;
  std::uint64_t stripPaints = 0;
  double decodeSeconds = 0;  // the two-hour track's peaks
  double trackSeconds = 0;
  std::size_t peakCount = 0;
  bool decoded = false;
};

// A film's length of sound: stereo AAC at 48 kHz, as films carry it, with a small picture beside it that
// the decoding must pass over.
std::string MakeLongTrack(const std::filesystem::path& folder, int seconds) {
  const std::string path = (folder / "two-hours.mp4").string();
  const std::string length = std::to_string(seconds);
  const std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i color=c=gray:s=64x36:r=1:d=" + length +
      " -f lavfi -i \"aevalsrc='0.5*sin(2*PI*440*t)*lt(mod(t,4),1)|0.5*sin(2*PI*660*t)':s=48000:d=" + length +
      "\" -c:v mpeg4 -g 250 -c:a aac -b:a 128k '" + path + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg failed: %s\n", command.c_str());
    std::exit(2);
  }
  return path;
}

PanelResult MeasurePanel(TForm1& form, const std::filesystem::path& folder) {
  PanelResult result;
  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  if (player == nullptr || player->Panel() == nullptr) return result;
  PlayerPanel& panel = *player->Panel();
  WaveformStrip& strip = *panel.Strip();
  DispatchEvent(form.Ws, [&] { form.OpenButtonClick(); });
  Spin(10000, [&] { return form.WP->PlayState() == 1; });
  Spin(10000, [&] { return panel.Peaks()->Track().state == AudioPeakTrack::State::kReady; });
  // A line written and a line marked, as while timing, so that every part of the strip is drawn.
  form.Document.TempRichEdit.Add("1");
  form.Document.TempRichEdit.Add("00:00:01:000 --> 00:00:02:500");
  form.Document.TempRichEdit.Add("x");
  form.Session.SetMarkStart(3.0L);
  form.Session.SetMarkEnd(4.0L);

  // The strip alone, a frame at a time as while playing: each position 40 ms on, the view following it,
  // the window's update done at once (what the strip asked to be drawn, drawn and handed to the screen).
  strip.ShowPosition(1.0);
  QCoreApplication::sendPostedEvents(strip.window(), QEvent::UpdateRequest);
  const std::uint64_t pixelsBefore = strip.PixelsDrawn();
  const std::uint64_t framePaintsBefore = strip.PaintCount();
  const auto threadCpu = [] {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
  };
  for (int frame = 1; frame <= 200; ++frame) {
    const double cpuStart = threadCpu();
    const auto start = SteadyClock::now();
    strip.ShowPosition(1.0 + frame * kFrameSeconds);
    QCoreApplication::sendPostedEvents(strip.window(), QEvent::UpdateRequest);
    result.stripPaint.Add(SecondsBetween(start, SteadyClock::now()));
    result.stripPaintCpu.Add(threadCpu() - cpuStart);
    ++result.stripFrames;
  }
  result.stripFramePaints = strip.PaintCount() - framePaintsBefore;
  result.stripDrawnShare = static_cast<double>(strip.PixelsDrawn() - pixelsBefore) /
                           (static_cast<double>(strip.width()) * strip.height() * 200);
  // While the video plays, how often the strip is drawn against the frames shown.
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  form.WP->SetCurrentPosition(0);
  form.WP->Play();
  Spin(500);
  const std::uint64_t framesBefore = player->FramesShown();
  const std::uint64_t paintsBefore = strip.PaintCount();
  const auto playStart = SteadyClock::now();
  Spin(5000);
  result.playedSeconds = SecondsBetween(playStart, SteadyClock::now());
  result.framesShown = player->FramesShown() - framesBefore;
  result.stripPaints = strip.PaintCount() - paintsBefore;
  form.WP->Stop();

  // The peaks of a two-hour track, decoded as the worker decodes them.
  const std::string longTrack = MakeLongTrack(folder, 7200);
  std::atomic<bool> cancel{false};
  std::size_t peaks = 0;
  double trackSeconds = 0;
  const auto decodeStart = SteadyClock::now();
  const AudioPeaksOutcome outcome = DecodeAudioPeaks(longTrack, cancel, [&](AudioPeaksChunk chunk) {
    peaks = std::max(peaks, chunk.firstPeak + chunk.peaks.size());
    trackSeconds = chunk.decodedSeconds;
  });
  result.decodeSeconds = SecondsBetween(decodeStart, SteadyClock::now());
  result.decoded = outcome == AudioPeaksOutcome::kDone;
  result.trackSeconds = trackSeconds;
  result.peakCount = peaks;
  std::filesystem::remove(longTrack);
  return result;
}

void PrintPanel(const std::optional<PanelResult>& panel) {
  if (!panel) return;
  if (!panel->stripPaint.Empty()) {
    std::printf(
        "waveform strip, one frame      median %5.3f ms  p99 %5.3f ms  max %5.3f ms   goal < 2 ms: %s\n",
        Ms(panel->stripPaint.Quantile(0.5)), Ms(panel->stripPaint.Quantile(0.99)),
        Ms(panel->stripPaint.Quantile(1)), Verdict(panel->stripPaint.Quantile(0.99) < 0.002));
    std::printf("                               its CPU median %5.3f ms  p99 %5.3f ms (the view following: %llu paints"
                " for %llu frames, %.1f%% of the strip drawn a frame)\n",
                Ms(panel->stripPaintCpu.Quantile(0.5)), Ms(panel->stripPaintCpu.Quantile(0.99)),
                static_cast<unsigned long long>(panel->stripFramePaints),
                static_cast<unsigned long long>(panel->stripFrames), 100 * panel->stripDrawnShare);
  }
  std::printf(
      "strip drawn while playing      %llu times for %llu frames in %.1f s   goal at most once a frame: %s\n",
      static_cast<unsigned long long>(panel->stripPaints),
      static_cast<unsigned long long>(panel->framesShown), panel->playedSeconds,
      Verdict(panel->stripPaints <= panel->framesShown + 2));
  std::printf("waveform of a two-hour track   %.2f s to decode (%s, %.0f s of sound, %zu peaks)\n",
              panel->decodeSeconds, panel->decoded ? "done" : "FAILED", panel->trackSeconds,
              panel->peakCount);
}

// ---- The timeline on a long document ----

struct TimelineZoomResult {
  double viewSeconds = 0;
  std::size_t spansShown = 0;
  Stats frame;  // the position 40 ms on, composed and painted
};

struct TimelineResult {
  int subtitles = 0;
  int width = 0;
  std::vector<TimelineZoomResult> zooms;
  Stats afterChange;  // the first frame after the file view changed: the lines read again
};

TimelineResult MeasureTimeline(MeasuringWindowSystem& system, TForm1& form, const std::filesystem::path& folder,
                               const std::string& video, int subtitles) {
  TimelineResult result;
  result.subtitles = subtitles;
  auto* player = dynamic_cast<MpvPlayer*>(form.WP.get());
  if (player == nullptr || player->Panel() == nullptr || player->Panel()->Strip() == nullptr) return result;
  PlayerPanel& panel = *player->Panel();
  WaveformStrip& strip = *panel.Strip();
  ResumeGeneratedDocument(system, form, folder, video, "timeline-" + std::to_string(subtitles), subtitles);
  Spin(10000, [&] { return panel.Peaks()->Track().state == AudioPeakTrack::State::kReady; });
  form.WP->Pause();
  Spin(200);
  result.width = strip.width();
  // In the middle of the document, where lines lie on both sides.
  const double middle = bench::BenchSubtitleStartMs(subtitles / 2) / 1000.0;
  strip.ShowPosition(middle);
  for (const double viewSeconds : {WaveformStrip::kWindowSeconds, 60.0, WaveformStrip::kLongestViewSeconds}) {
    strip.ZoomAround(strip.width() / 2.0, strip.ViewSeconds() / viewSeconds);
    TimelineZoomResult zoom;
    zoom.viewSeconds = strip.ViewSeconds();
    for (int frame = 0; frame < 200; ++frame) {
      const auto start = SteadyClock::now();
      strip.ShowPosition(middle + frame * kFrameSeconds);
      strip.repaint();
      zoom.frame.Add(SecondsBetween(start, SteadyClock::now()));
    }
    zoom.spansShown = strip.SpansShown();
    result.zooms.push_back(zoom);
  }
  strip.ZoomAround(strip.width() / 2.0, strip.ViewSeconds() / WaveformStrip::kWindowSeconds);
  // A change of the file view (the same text again, unsaved): the next frame reads the lines again.
  Listing& fileView = form.Document.TempRichEdit;
  for (int change = 0; change < 21; ++change) {
    form.Document.LoadingFile = 1;
    fileView.Add("");
    fileView.Delete(fileView.Count() - 1);
    form.Document.LoadingFile = 0;
    const auto start = SteadyClock::now();
    strip.ShowPosition(middle + change * kFrameSeconds);
    strip.repaint();
    result.afterChange.Add(SecondsBetween(start, SteadyClock::now()));
  }
  form.WP->Stop();
  Spin(100);
  return result;
}

void PrintTimeline(const std::optional<TimelineResult>& timeline) {
  if (!timeline) return;
  for (const TimelineZoomResult& zoom : timeline->zooms) {
    if (zoom.frame.Empty()) continue;
    std::printf(
        "timeline frame, %d subtitles, %4.0f s in view (%3zu lines)   median %5.3f ms  p99 %5.3f ms  max %5.3f "
        "ms   goal < 16 ms: %s\n",
        timeline->subtitles, zoom.viewSeconds, zoom.spansShown, Ms(zoom.frame.Quantile(0.5)),
        Ms(zoom.frame.Quantile(0.99)), Ms(zoom.frame.Quantile(1)), Verdict(zoom.frame.Quantile(0.99) < 0.016));
  }
  if (!timeline->afterChange.Empty()) {
    std::printf(
        "timeline frame after a change, %d subtitles (lines read again)   median %5.3f ms  max %5.3f ms   goal < "
        "16 ms: %s\n",
        timeline->subtitles, Ms(timeline->afterChange.Quantile(0.5)), Ms(timeline->afterChange.Quantile(1)),
        Verdict(timeline->afterChange.Quantile(1) < 0.016));
  }
  std::printf("timeline width                 %d px\n", timeline->width);
}

struct MeasureOptions {
  bool typing = true;
  bool timing = true;  // start-up, the clock and the marks, the replay
  bool cpu = true;
  bool panel = true;
  bool timeline = true;
  int cpuRounds = 3;
  bool programOnly = false;  // the program's side of the comparison alone: for a profiler
  // Whose picture the CPU comparison plays with: mpv's own in the panel's native window, the program's
  // drawing of mpv's frames, or both one after the other (--picture=native|drawn|both).
  std::vector<MpvPlayerOptions::Picture> cpuPictures{MpvPlayerOptions::Picture::kNativeWindow,
                                                     MpvPlayerOptions::Picture::kDrawnByProgram};
  bool preview = true;       // the subtitles over the video
  bool limits = false;       // large files and huge lines (--limits-only)
  int largest = 1000000;     // the largest document the limits resume (0: none)
  std::vector<std::size_t> hugeLines{1000000, 5000000};  // the huge lines' sizes in bytes
};

int Measure(int argc, char** argv, const MeasureOptions& what) {
  PrepareQtApplication();  // as the program's main() does
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("titrelle-measure-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string toneVideo = MakeVideo(folder, true);
  const std::string silentVideo = MakeVideo(folder, false);

  const Stats startup = what.timing ? MeasureStartup(7) : Stats{};

  QtWindowSystemOptions options;
  options.registryPath = (folder / "registry").string();
  // What reads the picture (the frame on the screen at a mark, frames past the end mark, the preview's
  // letters) needs the frames the program draws.
  options.player.picture = MpvPlayerOptions::Picture::kDrawnByProgram;
  std::vector<ScenarioResult> results;
  std::vector<TypingResult> typing;
  std::vector<std::pair<MpvPlayerOptions::Picture, std::vector<CpuComparison>>> cpu;
  std::vector<PreviewResult> previews;
  std::optional<PanelResult> panel;
  std::optional<TimelineResult> timeline;
  std::vector<LimitResult> limits;
  QSize panelSize;
  {
    MeasuringWindowSystem system(options);
    Application program(system);
    program.Start();
    Spin(500);
    TForm1& form = program.Form1();
    if (auto* player = dynamic_cast<MpvPlayer*>(form.WP.get())) panelSize = player->VideoSurface()->size();
    if (what.timing) {
      results.push_back(RunScenario(system, form, toneVideo, true));
      results.push_back(RunScenario(system, form, silentVideo, false));
    }
    if (what.panel) {
      system.videoToOpen = toneVideo;
      panel = MeasurePanel(form, folder);
    }
    if (what.timeline) timeline = MeasureTimeline(system, form, folder, toneVideo, 10000);
    if (what.typing) {
      for (int subtitles : {100, 1000, 10000})
        typing.push_back(MeasureTyping(system, form, folder, silentVideo, subtitles));
    }
    if (what.preview) {
      const std::string blackVideo = MakeBlackVideo(folder);
      for (int subtitles : {100, 1000, 10000})
        previews.push_back(MeasurePreview(system, form, folder, blackVideo, subtitles));
    }
    if (what.limits) {
      const std::string blackVideo = MakeBlackVideo(folder);
      for (std::size_t bytes : what.hugeLines)
        limits.push_back(MeasureHugeLine(system, form, folder, blackVideo, bytes));
      for (int subtitles = 100; subtitles <= what.largest; subtitles *= 10)
        limits.push_back(MeasureLargeFile(system, form, folder, silentVideo, subtitles));
    }
  }
  // The CPU while playing, each way of showing the picture in a program of its own, as the user starts it.
  // mpv's native window has the plain player's output (x11), so that both draw alike.
  for (const MpvPlayerOptions::Picture picture : what.cpu ? what.cpuPictures : decltype(what.cpuPictures){}) {
    QtWindowSystemOptions cpuOptions = options;
    cpuOptions.player.picture = picture;
    cpuOptions.player.videoOutput = "x11";
    MeasuringWindowSystem system(cpuOptions);
    Application program(system);
    program.Start();
    Spin(500);
    TForm1& form = program.Form1();
    if (auto* player = dynamic_cast<MpvPlayer*>(form.WP.get())) panelSize = player->VideoSurface()->size();
    cpu.emplace_back(picture, CompareCpu(system, form, folder, panelSize, what.cpuRounds, what.programOnly));
  }
  const long peakKb = MemoryKb("VmHWM:");
  std::filesystem::remove_all(folder);

  std::printf("Titrelle on Linux: QPA %s, video 640x360 at 25 fps (mpeg4), drawn at %dx%d\n",
              QGuiApplication::platformName().toUtf8().constData(), panelSize.width(), panelSize.height());
  if (!startup.Empty()) {
    std::printf(
        "start-up to the window shown   median %6.1f ms  max %6.1f ms  (%zu runs)   goal < 300 ms: %s\n",
        Ms(startup.Quantile(0.5)), Ms(startup.Quantile(1)), startup.values.size(),
        Verdict(startup.Quantile(0.5) < 0.3));
  }
  for (const ScenarioResult& result : results) {
    std::printf("-- %s\n", result.withSound ? "video with sound (the position follows the audio clock)"
                                            : "video without sound (the position follows the frame time)");
    std::printf("open to the first frame        %6.1f ms\n", Ms(result.openToFirstFrame));
    std::printf("clock ticks a second playing   %6.0f   (%.0f%% of a core for the whole process)\n",
                result.ticksPerSecondPlaying, result.cpuShare * 100);
    if (!result.tickDuration.Empty()) {
      std::printf("one tick's handler takes       median %5.1f us  p99 %6.1f us  max %6.1f us\n",
                  result.tickDuration.Quantile(0.5) * 1e6, result.tickDuration.Quantile(0.99) * 1e6,
                  result.tickDuration.Quantile(1) * 1e6);
    }
    if (!result.markVsPlayerClock.Empty()) {
      std::printf(
          "mark outside mpv's clock       mean %+6.3f ms  max |err| %6.3f ms  (%zu ticks)   goal <= 2 ms: "
          "%s\n",
          Ms(result.markVsPlayerClock.Mean()), Ms(result.markVsPlayerClock.MaxAbs()),
          result.markVsPlayerClock.values.size(), Verdict(result.markVsPlayerClock.MaxAbs() <= 0.002));
      std::printf("F10's MarkEnd vs mpv's clock   %+6.3f ms\n", Ms(result.endMarkError));
    }
    if (!result.markVsPicture.Empty()) {
      std::printf("mark vs the frame on screen    mean %+6.3f ms  p95 |err| %6.3f ms  max |err| %6.3f ms%s\n",
                  Ms(result.markVsPicture.Mean()),
                  Ms(std::max(std::abs(result.markVsPicture.Quantile(0.025)),
                              std::abs(result.markVsPicture.Quantile(0.975)))),
                  Ms(result.markVsPicture.MaxAbs()),
                  result.withSound ? "" : "   goal <= 2 ms (no audio clock here)");
    }
    if (!result.pastEnd.Empty()) {
      std::printf(
          "position past MarkEnd at jump  median %5.2f ms  max %5.2f ms  (%zu jumps)   goal <= 2 ms: %s\n",
          Ms(result.pastEnd.Quantile(0.5)), Ms(result.pastEnd.Quantile(1)), result.pastEnd.values.size(),
          Verdict(result.pastEnd.Quantile(1) <= 0.002));
    }
    int worstFrames = 0;
    std::string perPass;
    for (int count : result.framesPastEnd) {
      worstFrames = std::max(worstFrames, count);
      if (!perPass.empty()) perPass += ' ';
      perPass += std::to_string(count);  // appended: GCC 12 warns falsely on the joined temporaries
    }
    std::printf("frames shown past MarkEnd      max %d  (per pass: %s)   goal <= 1: %s\n", worstFrames,
                perPass.c_str(), Verdict(worstFrames <= 1 && !result.framesPastEnd.empty()));
    std::printf("memory while playing           RSS %.1f MB\n", result.rssKb / 1024.0);
  }
  Stats allJumps;
  for (const ScenarioResult& result : results)
    allJumps.values.insert(allJumps.values.end(), result.pastEnd.values.begin(), result.pastEnd.values.end());
  if (!allJumps.Empty()) {
    std::printf("-- both videos: position past MarkEnd at jump  median %5.2f ms  max %5.2f ms  (%zu jumps)   "
                "goal <= 2 ms: %s\n",
                Ms(allJumps.Quantile(0.5)), Ms(allJumps.Quantile(1)), allJumps.values.size(),
                Verdict(allJumps.Quantile(1) <= 0.002));
  }
  for (const auto& [picture, comparisons] : cpu) {
    std::printf("-- the picture %s\n", picture == MpvPlayerOptions::Picture::kNativeWindow
                                           ? "drawn by mpv into the panel's native window (x11 output)"
                                           : "drawn by the program (mpv's software renderer on a thread of the "
                                             "program's, painted by Qt)");
    PrintCpu(comparisons, panelSize, what.cpuRounds);
  }
  PrintPanel(panel);
  PrintTimeline(timeline);
  PrintTyping(typing);
  PrintPreview(previews);
  PrintLimits(limits);
  std::printf("memory peak                    %.1f MB\n", peakKb / 1024.0);
  return 0;
}

}  // namespace
}  // namespace titrelle

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--startup-child") return titrelle::StartupChild(argc, argv);
  if (argc > 3 && std::string(argv[1]) == "--bare-clock-child")
    return titrelle::BareClockChild(std::atoi(argv[2]), std::atoi(argv[3]));
  if (argc > 3 && std::string(argv[1]) == "--bare-label-child")
    return titrelle::BareLabelChild(argc, argv, std::atoi(argv[2]), std::atoi(argv[3]));
  titrelle::MeasureOptions what;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument != "--timeline-only" && argument.size() > 7 && argument.rfind("-only") == argument.size() - 5)
      what.timeline = false;
    if (argument == "--timeline-only") {
      what.timing = what.cpu = what.typing = what.preview = what.panel = false;
    } else if (argument == "--typing-only") {
      what.timing = what.cpu = what.preview = what.panel = false;
    } else if (argument == "--timing-only") {
      what.typing = what.cpu = what.preview = what.panel = false;
    } else if (argument == "--preview-only") {
      what.timing = what.cpu = what.typing = what.panel = false;
    } else if (argument == "--panel-only") {
      what.timing = what.cpu = what.typing = what.preview = false;
    } else if (argument == "--cpu-only") {
      what.timing = what.typing = what.preview = what.panel = false;
    } else if (argument == "--program-only") {
      what.timing = what.typing = what.preview = what.panel = false;
      what.programOnly = true;
    } else if (argument == "--limits-only") {
      what.timing = what.cpu = what.typing = what.preview = what.panel = false;
      what.limits = true;
    } else if (argument.rfind("--largest=", 0) == 0) {
      what.largest = std::atoi(argument.c_str() + 10);
    } else if (argument.rfind("--huge=", 0) == 0) {
      // --huge=1000000,5000000, or --huge= for none
      what.hugeLines.clear();
      std::istringstream sizes(argument.substr(7));
      for (std::string size; std::getline(sizes, size, ',');) {
        if (!size.empty()) what.hugeLines.push_back(std::stoul(size));
      }
    } else if (argument == "--picture=native") {
      what.cpuPictures = {titrelle::MpvPlayerOptions::Picture::kNativeWindow};
    } else if (argument == "--picture=drawn") {
      what.cpuPictures = {titrelle::MpvPlayerOptions::Picture::kDrawnByProgram};
    } else if (argument.rfind("--rounds=", 0) == 0) {
      what.cpuRounds = std::max(1, std::atoi(argument.c_str() + 9));
    }
  }
  return titrelle::Measure(argc, argv, what);
}
