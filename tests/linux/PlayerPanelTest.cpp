// The video panel's own parts in the whole desktop program, driven by real input at the X server level: the
// transport and the keys pause and seek the player (positions read from the player, as the program reads
// them), the waveform strip shows the sound, the marks and the lines written, and the panel keeps its place.
// Bounds on waiting only make a broken panel fail instead of hanging; nothing here asserts how fast.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <string>

#include "DesktopDriver.h"
#include "capture/TimeText.h"
#include "platforms/linux/AudioPeaks.h"
#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/PlayerPanel.h"
#include "platforms/linux/TransportBar.h"
#include "platforms/linux/WaveformStrip.h"

namespace titrelle {
namespace {

constexpr int kPlaying = MediaPlayer::kPlayStatePlaying;
constexpr int kPaused = 2;
constexpr int kStopped = 1;
const QRgb kWave = qRgb(0x5f, 0xd3, 0x8d);
const QRgb kStartMark = qRgb(0x33, 0xdd, 0x55);
const QRgb kEndMark = qRgb(0xff, 0x55, 0x55);

class PlayerPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { program_ = std::make_unique<DesktopProgram>(folder_.Path()); }
  void TearDown() override { program_.reset(); }

  TForm1& Form() { return program_->Form(); }
  MpvPlayer& Player() { return dynamic_cast<MpvPlayer&>(*Form().WP); }
  PlayerPanel& Panel() { return *Player().Panel(); }
  TransportBar& Transport() { return *Panel().Transport(); }
  WaveformStrip& Strip() { return *Panel().Strip(); }

  // Opens a video through the open button and waits until it is ready, stopped at the start.
  // (`mayFail`: or the player has said it cannot open it.)
  void Open(const std::string& source, const std::string& name, bool mayFail = false) {
    const std::filesystem::path video = folder_.Path() / name;
    std::filesystem::copy_file(source, video);
    ModalAnswers answers;
    answers.ChooseFile(video.string());
    static_cast<QPushButton*>(program_->Widget("OpenButton"))->click();
    ASSERT_TRUE(ProcessEventsUntil(
        [&] { return Form().WP->PlayState() == kStopped || (mayFail && Form().WP->CannotOpen()); },
        kDesktopWaitMs));
  }
  // A real click at `point` inside `widget`.
  static bool Click(QWidget* widget, QPoint point) {
    const QPoint global = widget->mapToGlobal(point);
    return Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
  }
  static bool Click(QWidget* widget) { return Click(widget, widget->rect().center()); }
  bool WaitForPlayState(int state) {
    return ProcessEventsUntil([&] { return Form().WP->PlayState() == state; }, kDesktopWaitMs);
  }
  // The strip's newest picture: the panel reads the player at once, the repaint it asks for is done (so that
  // paints counted afterwards are new ones), and grabbing paints what it read.
  QImage StripPicture() {
    Panel().Refresh();
    QCoreApplication::sendPostedEvents();
    return Strip().grab().toImage();
  }
  // How many pixels of the waveform's colour are in column x.
  static int WaveHeight(const QImage& picture, int x) {
    int height = 0;
    for (int y = 0; y < picture.height(); ++y) height += (picture.pixel(x, y) & 0xFFFFFF) == (kWave & 0xFFFFFF);
    return height;
  }

  TestFolder folder_;
  std::unique_ptr<DesktopProgram> program_;
};

TEST_F(PlayerPanelTest, ThePanelKeepsItsPlaceWithTheTransportUnderThePictureAndTheTimelineUnderTheTable) {
  QWidget* panel2 = program_->Widget("Panel2");
  EXPECT_EQ(panel2->geometry(), QRect(32, 107, 355, 310));
  // The player control fills the panel: picture and transport, top to bottom, full width. The timeline
  // lies under the table, across the window.
  EXPECT_EQ(Panel().parentWidget(), program_->Widget("WP"));
  EXPECT_EQ(Panel().geometry(), QRect(0, 0, 355, 310));
  const QRect transport = Transport().geometry();
  const QRect picture = Player().VideoSurface()->geometry();
  EXPECT_EQ(transport, QRect(0, 310 - PlayerPanel::kTransportHeight, 355, PlayerPanel::kTransportHeight));
  EXPECT_EQ(picture, QRect(0, 0, 355, transport.top()));
  EXPECT_EQ(&Strip(), program_->Main().Timeline());
  EXPECT_EQ(Strip().parentWidget(), program_->Frame());
  EXPECT_EQ(Strip().geometry().top(), program_->Main().TableSize().height());
  for (QWidget* part : {static_cast<QWidget*>(Transport().PlayButton()), static_cast<QWidget*>(Transport().StopButton()),
                        static_cast<QWidget*>(Transport().SeekBar()), static_cast<QWidget*>(Transport().MuteButton()),
                        static_cast<QWidget*>(Transport().VolumeBar()), static_cast<QWidget*>(Transport().TimeLabel())}) {
    EXPECT_TRUE(part->isVisible());
    EXPECT_TRUE(Transport().rect().contains(part->geometry())) << part->metaObject()->className();
  }
  // A resize of the window places the player again, as it always did: nothing moves.
  const QSize larger = program_->Frame()->size() + QSize(40, 30);
  program_->Frame()->resize(larger);
  ASSERT_TRUE(ProcessEventsUntil([&] { return program_->Frame()->size() == larger; }, kDesktopWaitMs));
  EXPECT_EQ(panel2->geometry(), QRect(32, 107, 355, 310));
  EXPECT_EQ(Panel().geometry(), QRect(0, 0, 355, 310));
  EXPECT_EQ(Player().VideoSurface()->geometry(), picture);
}

TEST_F(PlayerPanelTest, TheTransportAndTheKeysPauseAndSeekThePlayer) {
  Open(TestVideoPath(true), "clip.mp4");
  EXPECT_TRUE(ProcessEventsUntil([&] { return Transport().TimeLabel()->text() == "00:00 / 00:10"; }, kDesktopWaitMs))
      << Transport().TimeLabel()->text().toStdString();
  // A click on the picture gives the panel the keys.
  ASSERT_TRUE(Click(Player().VideoSurface()));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Panel().hasFocus(); }, kDesktopWaitMs));

  EXPECT_FALSE(Panel().FollowsOnATimer());
  ASSERT_TRUE(Xdotool({"key", "space"}));
  ASSERT_TRUE(WaitForPlayState(kPlaying));
  EXPECT_TRUE(ProcessEventsUntil([&] { return Panel().FollowsOnATimer(); }, kDesktopWaitMs));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form().WP->CurrentPosition() > 3; }, kDesktopWaitMs));
  ASSERT_TRUE(Xdotool({"key", "space"}));
  ASSERT_TRUE(WaitForPlayState(kPaused));
  const double paused = Form().WP->CurrentPosition();
  EXPECT_GT(paused, 3);

  const struct {
    const char* key;
    double step;
  } steps[] = {{"Left", -2}, {"Right", 2}, {"shift+Left", -0.2}, {"shift+Left", -0.2}, {"shift+Right", 0.2}};
  double expected = paused;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.key);
    expected += step.step;
    ASSERT_TRUE(Xdotool({"key", step.key}));
    EXPECT_TRUE(
        ProcessEventsUntil([&] { return std::abs(Form().WP->CurrentPosition() - expected) < 1e-6; }, kDesktopWaitMs))
        << Form().WP->CurrentPosition() << " " << expected;
    EXPECT_EQ(Form().WP->PlayState(), kPaused);
  }

  // The buttons: stop goes back to the start, the bar goes where it is clicked, play plays from there.
  ASSERT_TRUE(Click(Transport().StopButton()));
  ASSERT_TRUE(WaitForPlayState(kStopped));
  EXPECT_EQ(Form().WP->CurrentPosition(), 0.0);
  SeekSlider* bar = Transport().SeekBar();
  ASSERT_TRUE(Click(bar, QPoint(bar->width() * 3 / 4, bar->height() / 2)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form().WP->CurrentPosition() > 0; }, kDesktopWaitMs));
  EXPECT_NEAR(Form().WP->CurrentPosition(), 7.5, 0.6);
  EXPECT_EQ(Form().WP->PlayState(), kStopped);
  const double chosen = Form().WP->CurrentPosition();
  ASSERT_TRUE(Click(Transport().PlayButton()));
  ASSERT_TRUE(WaitForPlayState(kPlaying));
  EXPECT_GE(Form().WP->CurrentPosition(), chosen);
  ASSERT_TRUE(Click(Transport().PlayButton()));
  ASSERT_TRUE(WaitForPlayState(kPaused));
  // The bar shows where the player is.
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return std::abs(bar->value() - Form().WP->CurrentPosition() * 1000) < 10000.0 / bar->width(); },
      kDesktopWaitMs));
  // The keys went to the panel and to nothing else.
  EXPECT_EQ(Form().InputEdit->Text(), "");

  // Paused, the panel sleeps; a mark set now reaches the strip all the same, through the key's event.
  EXPECT_FALSE(Panel().FollowsOnATimer());
  ASSERT_TRUE(Xdotool({"key", "F9"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form().Session.MarkStart() > 0; }, kDesktopWaitMs));
  const auto markShown = [&] {
    const QImage picture = Strip().grab().toImage();
    const int x = Strip().ColumnOf(static_cast<double>(Form().Session.MarkStart()));
    return x >= 0 && x < picture.width() && (picture.pixel(x, picture.height() / 4) & 0xFFFFFF) == (kStartMark & 0xFFFFFF);
  };
  EXPECT_TRUE(ProcessEventsUntil(markShown, kDesktopWaitMs));
}

TEST_F(PlayerPanelTest, ASeekPastTheEndMarkDuringTheReplayIsBroughtBackByTheReplay) {
  Open(TestVideoPath(true), "clip.mp4");
  TForm1& form = Form();
  form.StartTimeButtonClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() > 1.0; }, kDesktopWaitMs));
  form.EndTimeButtonClick();
  const double markStart = static_cast<double>(form.Session.MarkStart());
  const double markEnd = static_cast<double>(form.Session.MarkEnd());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Session.ReplayJumpedSinceEndMark(); }, kDesktopWaitMs));

  ASSERT_TRUE(Click(Player().VideoSurface()));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Panel().hasFocus(); }, kDesktopWaitMs));
  form.Session.SetReplayJumpedSinceEndMark(false);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Session.ReplayJumpedSinceEndMark(); }, kDesktopWaitMs));
  const double jumpsBefore = static_cast<double>(form.Session.ResumePosition());
  EXPECT_LT(jumpsBefore, markEnd + 0.5);  // the replay's own jump, just past the end
  ASSERT_TRUE(Xdotool({"key", "Right"}));
  // The replay saw the position 2 s on, past the end, and took the video back to the start mark.
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return form.Session.ResumePosition() > markEnd + 0.5; }, kDesktopWaitMs));
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return form.WP->CurrentPosition() >= markStart && form.WP->CurrentPosition() <= markEnd + 0.1; },
      kDesktopWaitMs));
  EXPECT_EQ(form.WP->PlayState(), kPlaying);
}

TEST_F(PlayerPanelTest, TheStripShowsTheBurstsTheMarksAndTheLinesWritten) {
  Open(TestBurstVideoPath(), "bursts.mp4");
  const AudioPeaksLoader& peaks = *Panel().Peaks();
  ASSERT_TRUE(ProcessEventsUntil([&] { return peaks.Track().state == AudioPeakTrack::State::kReady; }, kDesktopWaitMs));
  TForm1& form = Form();
  // A line written from 1.0 to 1.8 s, and the line being timed marked from 3.0 to 3.6 s, with the player
  // paused at 2.25 s, in the middle of the first burst.
  form.Document.TempRichEdit.Add("7");
  form.Document.TempRichEdit.Add("00:00:01:000 --> 00:00:01:800");
  form.Document.TempRichEdit.Add("x");
  form.Session.SetMarkStart(3.0L);
  form.Session.SetMarkEnd(3.6L);
  form.WP->SetCurrentPosition(2.25);
  const QImage picture = StripPicture();
  const int h = picture.height();
  EXPECT_EQ(Strip().ColumnOf(2.25), picture.width() / 2);

  // The burst's columns are loud, the columns before and after it quiet.
  const int burstFrom = Strip().ColumnOf(kBurstSeconds[0][0] + 0.05);
  const int burstTo = Strip().ColumnOf(kBurstSeconds[0][1] - 0.05);
  ASSERT_LT(burstFrom, burstTo);
  for (int x = burstFrom; x <= burstTo; ++x) {
    if (x == picture.width() / 2) continue;  // the play head
    EXPECT_GT(WaveHeight(picture, x), h / 2) << x;
  }
  for (double seconds : {0.5, 1.2, 1.9, 2.6, 4.5, 5.5}) {
    const int x = Strip().ColumnOf(seconds);
    EXPECT_GT(x, 2);
    EXPECT_LE(WaveHeight(picture, x), 3) << seconds;
  }
  // The marks at their times, the line written shaded with its number.
  EXPECT_EQ(picture.pixel(Strip().ColumnOf(3.0), h / 4) & 0xFFFFFF, kStartMark & 0xFFFFFF);
  EXPECT_EQ(picture.pixel(Strip().ColumnOf(3.6) - 1, h / 4) & 0xFFFFFF, kEndMark & 0xFFFFFF);
  const QRgb outside = picture.pixel(Strip().ColumnOf(0.5), h / 4);
  const QRgb inside = picture.pixel(Strip().ColumnOf(1.6), h / 4);
  EXPECT_NE(inside, outside);
  // The number and the text in the band under the ruler: "7 x".
  const auto labelPixels = [&](int from, int to) {
    int lit = 0;
    for (int x = from; x < to; ++x) {
      for (int y = WaveformStrip::kRulerHeight; y < WaveformStrip::kRulerHeight + WaveformStrip::kLabelHeight; ++y)
        lit += qGray(picture.pixel(x, y)) > 140;
    }
    return lit;
  };
  const int labelLeft = Strip().ColumnOf(1.0) + 2;
  const int numberWidth = Strip().fontMetrics().horizontalAdvance("7 ");
  EXPECT_GT(labelPixels(labelLeft, labelLeft + numberWidth), 3);
  EXPECT_GT(labelPixels(labelLeft + numberWidth, labelLeft + numberWidth + 8), 3);
  // The ruler: a labelled tick a second, at the second's column.
  EXPECT_EQ(picture.pixel(Strip().ColumnOf(2.0), 1) & 0xFFFFFF, picture.pixel(Strip().ColumnOf(3.0), 1) & 0xFFFFFF);
  EXPECT_NE(picture.pixel(Strip().ColumnOf(2.0), 1), picture.pixel(Strip().ColumnOf(2.5), 1));

  // The same picture is not drawn again; seeking moves it. (No marks now: the replay would take the
  // position back to the start mark.)
  const std::uint64_t paints = Strip().PaintCount();
  Panel().Refresh();
  QCoreApplication::sendPostedEvents();  // a repaint asked for would be done now
  EXPECT_EQ(Strip().PaintCount(), paints);
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  form.WP->SetCurrentPosition(6.25);
  const QImage later = StripPicture();
  EXPECT_GT(WaveHeight(later, later.width() / 2 - 3), h / 2);
  EXPECT_LE(WaveHeight(later, Strip().ColumnOf(4.5)), 3);
  // A click on the strip goes where it points.
  ASSERT_TRUE(Click(&Strip(), QPoint(Strip().ColumnOf(4.0), h / 2)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() < 5; }, kDesktopWaitMs));
  EXPECT_NEAR(form.WP->CurrentPosition(), 4.0, 0.1);
}

// The wheel zooms around the pointer: the time under it stays under it, the view closer (up) or further
// (down). A drag takes the view with the pointer; neither moves the position.
TEST_F(PlayerPanelTest, TheTimelineZoomsAroundThePointerAndADragScrollsIt) {
  Open(TestBurstVideoPath(), "bursts.mp4");
  Form().WP->SetCurrentPosition(5.0);
  StripPicture();
  const int y = Strip().height() / 2;
  const struct {
    int x;
    const char* button;  // the wheel's turn as X reports it: 4 up, 5 down
    bool closer;
  } turns[] = {{Strip().width() / 4, "4", true}, {Strip().width() * 3 / 4, "4", true},
               {Strip().width() / 3, "5", false}};
  for (const auto& turn : turns) {
    SCOPED_TRACE(turn.x);
    const double pointed = Strip().SecondsAt(turn.x);
    const double span = Strip().ViewSeconds();
    const QPoint global = Strip().mapToGlobal(QPoint(turn.x, y));
    ASSERT_TRUE(Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click",
                         turn.button}));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Strip().ViewSeconds() != span; }, kDesktopWaitMs));
    EXPECT_EQ(Strip().ViewSeconds() < span, turn.closer) << Strip().ViewSeconds() << " " << span;
    EXPECT_NEAR(Strip().SecondsAt(turn.x), pointed, 1 / (Strip().width() / Strip().ViewSeconds()));
  }
  const double start = Strip().WindowStartSeconds();
  const double columnSeconds = Strip().ViewSeconds() / Strip().width();
  const QPoint from = Strip().mapToGlobal(QPoint(Strip().width() / 2, y));
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                       "mousemove", QString::number(from.x() - 40), QString::number(from.y()), "mousemove",
                       QString::number(from.x() - 100), QString::number(from.y()), "mouseup", "1"}));
  EXPECT_TRUE(ProcessEventsUntil(
      [&] { return std::abs(Strip().WindowStartSeconds() - (start + 100 * columnSeconds)) < columnSeconds / 2; },
      kDesktopWaitMs))
      << Strip().WindowStartSeconds() << " " << start + 100 * columnSeconds;
  EXPECT_NEAR(Form().WP->CurrentPosition(), 5.0, 1e-6);
}

// A click on the timeline past the end of the line being replayed, while paused, leaves the position there:
// the replay does not take it back to the line's start until the video plays.
TEST_F(PlayerPanelTest, AClickWhilePausedPastTheLinesEndLeavesThePositionThere) {
  Open(TestVideoPath(true), "clip.mp4");
  TForm1& form = Form();
  form.StartTimeButtonClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() > 1.0; }, kDesktopWaitMs));
  form.EndTimeButtonClick();
  const double markEnd = static_cast<double>(form.Session.MarkEnd());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Session.ReplayJumpedSinceEndMark(); }, kDesktopWaitMs));
  ASSERT_TRUE(Click(Transport().PlayButton()));
  ASSERT_TRUE(WaitForPlayState(kPaused));

  StripPicture();
  const double target = markEnd + 1.5;
  ASSERT_TRUE(Click(&Strip(), QPoint(Strip().ColumnOf(target), Strip().height() / 2)));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() > markEnd + 1; }, kDesktopWaitMs));
  const double clicked = form.WP->CurrentPosition();
  EXPECT_NEAR(clicked, target, 0.05);
  // The clock has shown the new position: the replay has looked at it in the same tick.
  ASSERT_TRUE(ProcessEventsUntil(
      [&] {
        const std::string shown = form.Label1->Text();
        return shown.size() == 12 && std::abs(static_cast<double>(TimeTextToSeconds(shown)) - clicked) < 0.002;
      },
      kDesktopWaitMs))
      << form.Label1->Text();
  EXPECT_EQ(form.WP->CurrentPosition(), clicked);
  EXPECT_EQ(form.WP->PlayState(), kPaused);
}

// What the strip says when it has no waveform, or not all of it: no sound, sound that cannot be read (a
// damaged header), sound whose stamps jump beyond its end.
struct StripWordCase {
  const char* name;
  std::string (*source)();
  const char* fileName;
  AudioPeakTrack::State state;
};

void PrintTo(const StripWordCase& test, std::ostream* out) { *out << test.name; }

class StripWordTest : public PlayerPanelTest, public ::testing::WithParamInterface<StripWordCase> {};

TEST_P(StripWordTest, TheStripSaysWhatItCannotShow) {
  Open(GetParam().source(), GetParam().fileName, /*mayFail=*/true);
  const AudioPeaksLoader& peaks = *Panel().Peaks();
  ASSERT_TRUE(ProcessEventsUntil([&] { return peaks.Track().state != AudioPeakTrack::State::kReading; }, kDesktopWaitMs));
  EXPECT_EQ(peaks.Track().state, GetParam().state);
  Form().Session.SetMarkStart(0.5L);
  const QImage picture = StripPicture();
  int wave = 0;
  int grey = 0;
  int amber = 0;  // the word over a waveform, in the colour of the progress
  for (int x = 0; x < picture.width(); ++x) {
    wave += WaveHeight(picture, x);
    for (int y = 0; y < picture.height(); ++y) {
      const QRgb pixel = picture.pixel(x, y) & 0xFFFFFF;
      grey += qGray(pixel) > 120;
      amber += qRed(pixel) > 0x90 && qRed(pixel) > qGreen(pixel) && qGreen(pixel) > qBlue(pixel) + 0x20;
    }
  }
  if (GetParam().state == AudioPeakTrack::State::kReady) {
    EXPECT_GT(wave, 0);
    EXPECT_GT(amber, 20);
  } else {
    EXPECT_EQ(wave, 0);
    EXPECT_GT(grey, 20);
    // The timeline is there all the same: the play head, the mark.
    EXPECT_EQ(picture.pixel(picture.width() / 2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(picture.pixel(Strip().ColumnOf(0.5), picture.height() / 2) & 0xFFFFFF, kStartMark & 0xFFFFFF);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sounds, StripWordTest,
    ::testing::Values(
        StripWordCase{"NoSound", [] { return TestVideoPath(false); }, "silent.mp4", AudioPeakTrack::State::kNoAudio},
        StripWordCase{"DamagedHeader", &TestDamagedHeaderVideoPath, "damaged.mp4",
                      AudioPeakTrack::State::kUnreadable},
        StripWordCase{"JumpingStamps", &TestJumpingStampsPath, "jumping.mka", AudioPeakTrack::State::kReady}),
    [](const auto& info) { return std::string(info.param.name); });

// While the view follows the play head, the window moves what the strip showed and the strip draws only
// what changed: what the X server shows is what a whole drawing of the same moment shows, lines held at the
// edges, the ruler's labels at the left edge and the word that stands instead of a waveform included.
class StripFollowTest : public PlayerPanelTest, public ::testing::WithParamInterface<StripWordCase> {};

TEST_P(StripFollowTest, TheStripFollowingThePlayHeadShowsWhatAWholeDrawingWould) {
  Open(GetParam().source(), GetParam().fileName);
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Panel().Peaks()->Track().state == GetParam().state; }, kDesktopWaitMs));
  TForm1& form = Form();
  for (const char* line : {"1", "00:00:00:300 --> 00:00:02:100", "a line long enough to be cut at either edge",
                           "", "2", "00:00:02:400 --> 00:00:02:600", "short", "", "3",
                           "00:00:04:000 --> 00:00:09:500", "another long line that runs past the view", "", "4",
                           "00:00:03:500 --> 00:00:03:900", "comes in"}) {
    form.Document.TempRichEdit.Add(line);
  }
  form.Session.SetMarkStart(2.2L);
  WaveformStrip& strip = Strip();
  const QRect onWindow(strip.mapTo(strip.window(), QPoint()), strip.size());
  // The strip as the X server shows it once the paint asked for is done: grabbed until two grabs agree.
  const auto shown = [&](std::uint64_t paintsBefore) {
    QImage picture;
    EXPECT_TRUE(ProcessEventsUntil(
        [&] {
          QImage now = strip.screen()
                           ->grabWindow(strip.window()->winId(), onWindow.x(), onWindow.y(), onWindow.width(),
                                        onWindow.height())
                           .toImage();
          const bool settled = strip.PaintCount() > paintsBefore && now == picture;
          picture = std::move(now);
          return settled;
        },
        kDesktopWaitMs));
    return picture;
  };
  const std::uint64_t whole = static_cast<std::uint64_t>(strip.width()) * strip.height();
  form.WP->SetCurrentPosition(4.0);
  Panel().Refresh();
  shown(0);
  // Steps of the play head, in seconds and in the view's columns, some taken again and again; some after a
  // zoom closer around the play head, where a ruler label reaches past the ticks after it (the view stays
  // until the play head leaves it, then follows again: here from far away).
  struct Step {
    double zoom;
    double seconds;
    int columns;
    int times;
    bool small;  // the strip draws less than a fifth of itself
  };
  for (const Step step : {Step{1, 0, 1, 1, true}, Step{1, 0, 7, 1, true}, Step{1, 0, 40, 1, true},
                          Step{1, 0, -1, 1, true}, Step{1, 0, -12, 1, true}, Step{1, 2.0, 0, 1, false},
                          Step{4, -4.0, 0, 1, false}, Step{1, 0, 5, 24, true}, Step{1, 0, -5, 24, true}}) {
    for (int time = 0; time < step.times; ++time) {
      SCOPED_TRACE(testing::Message() << step.zoom << " " << step.seconds << " " << step.columns << " " << time);
      if (step.zoom != 1 && time == 0) strip.ZoomAround(strip.ColumnOf(form.WP->CurrentPosition()), step.zoom);
      const std::uint64_t paints = strip.PaintCount();
      const std::uint64_t drawn = strip.PixelsDrawn();
      const double start = strip.WindowStartSeconds();
      form.WP->SetCurrentPosition(form.WP->CurrentPosition() + step.seconds +
                                  step.columns * strip.ViewSeconds() / strip.width());
      Panel().Refresh();
      const QImage followed = shown(paints);
      EXPECT_NE(strip.WindowStartSeconds(), start);
      if (step.small) {
        EXPECT_LT(strip.PixelsDrawn() - drawn, whole / 5);
      }
      const double followedStart = strip.WindowStartSeconds();
      const std::uint64_t followedPaints = strip.PaintCount();
      strip.update();
      EXPECT_EQ(shown(followedPaints), followed);
      ASSERT_EQ(strip.WindowStartSeconds(), followedStart);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sounds, StripFollowTest,
    ::testing::Values(StripWordCase{"Bursts", &TestBurstVideoPath, "bursts.mp4", AudioPeakTrack::State::kReady},
                      StripWordCase{"NoSound", [] { return TestVideoPath(false); }, "silent.mp4",
                                    AudioPeakTrack::State::kNoAudio}),
    [](const auto& info) { return std::string(info.param.name); });

// F9 pressed a reaction time after a burst starts, once the sound's peaks are decoded, marks where the burst
// starts; the strip shows the key's thin tick beside the mark.
TEST_F(PlayerPanelTest, F9AReactionTimeLateMarksTheBurstsStartAndTheStripTicksTheKey) {
  Open(TestBurstVideoPath(), "bursts.mp4");
  TForm1& form = Form();
  const double burstStart = kBurstSeconds[0][0];
  const AudioPeaksLoader& peaks = *Panel().Peaks();
  ASSERT_TRUE(ProcessEventsUntil([&] { return peaks.Track().state == AudioPeakTrack::State::kReady; },
                                 kDesktopWaitMs));
  form.WP->SetCurrentPosition(burstStart + 0.25);
  ASSERT_TRUE(Xdotool({"key", "F9"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Edit1->Text() != "00:00:00:000"; }, kDesktopWaitMs));
  EXPECT_NEAR(static_cast<double>(TimeTextToSeconds(form.Edit1->Text())), burstStart, kPeakSeconds)
      << form.Edit1->Text();
  ASSERT_EQ(form.Timeline.Marks().keyedSeconds.size(), 1u);
  const double keyed = form.Timeline.Marks().keyedSeconds[0];
  EXPECT_NEAR(keyed, burstStart + 0.25, 0.1);

  // Paused past the burst, the strip still: the tick in the lower half only, the start mark at the burst.
  form.WP->Pause();
  ASSERT_TRUE(WaitForPlayState(kPaused));
  form.WP->SetCurrentPosition(kBurstSeconds[0][1] + 0.25);
  const QImage picture = StripPicture();
  const QRgb tick = qRgb(255, 220, 80);
  EXPECT_EQ(picture.pixel(Strip().ColumnOf(keyed), picture.height() - 4) & 0xFFFFFF, tick & 0xFFFFFF);
  EXPECT_NE(picture.pixel(Strip().ColumnOf(keyed), picture.height() / 4) & 0xFFFFFF, tick & 0xFFFFFF);
  EXPECT_EQ(
      picture.pixel(Strip().ColumnOf(static_cast<double>(form.Session.MarkStart())), picture.height() / 4) &
          0xFFFFFF,
      kStartMark & 0xFFFFFF);
}

}  // namespace
}  // namespace titrelle
