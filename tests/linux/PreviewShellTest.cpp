// The subtitles over the video in the desktop program: drawn by mpv into the picture, seen in a screenshot
// of the window over a plain black video.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QtTest/QTest>
#include <string>

#include "DesktopDriver.h"
#include "document/PreviewTrack.h"
#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/QtControl.h"
#include "style/RestyleDocument.h"
#include "style/StyleStrings.h"

namespace titrelle {
namespace {

// Ten seconds of black, made once.
std::string BlackVideoPath() {
  const std::filesystem::path path = TestMediaFolder() / "black.mp4";
  if (!std::filesystem::exists(path)) {
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "color=black:size=320x240:rate=25:duration=10 "
        "-c:v mpeg4 -q:v 2 -g 5 '" +
        path.string() + ".part.mp4' && mv '" + path.string() + ".part.mp4' '" + path.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not make " + path.string());
  }
  return path.string();
}

// Where the lit pixels (bright, or clearly red) of the picture are, in a screenshot of the whole window.
struct Lit {
  int count = 0;
  QRect box;        // their bounding box, in the picture's coordinates
  int reddish = 0;  // of them, those clearly red (counted however dark)
};

class PreviewShell : public ::testing::Test {
 protected:
  PreviewShell() : program_(folder_.Path(), MpvPlayerOptions::Picture::kDrawnByProgram) {}

  void SetUp() override {
    const std::filesystem::path video = folder_.Path() / "black.mp4";
    std::filesystem::copy_file(BlackVideoPath(), video);
    answers_.ChooseFile(video.string());
    static_cast<QPushButton*>(program_.Widget("OpenButton"))->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Form().OpenButton->Enabled(); }, kDesktopWaitMs));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Form().WP->PlayState() != 9 && Player().FramesShown() > 0; },
                                   kDesktopWaitMs));
  }

  TForm1& Form() { return program_.Form(); }
  MpvPlayer& Player() { return dynamic_cast<MpvPlayer&>(*Form().WP); }

  // Marks 0.001 .. 1.5 s, types `text` into the entry box and presses Enter, with real key events.
  void CommitLine(const QString& text) {
    Form().StartTimeButtonClick();
    ASSERT_TRUE(ProcessEventsUntil([&] { return Form().WP->CurrentPosition() >= 1.5; }, kDesktopWaitMs));
    Form().EndTimeButtonClick();
    QWidget* input = program_.Widget("InputEdit");
    QTest::keyClicks(input, text);
    QTest::keyClick(input, Qt::Key_Return);
    ASSERT_EQ(Form().Session.LineCount(), 1);
  }

  // The picture held at `seconds`.
  void HoldAt(double seconds) {
    Form().WP->Pause();
    Form().WP->SetCurrentPosition(seconds);
  }

  Lit Screenshot() {
    const QImage window = program_.Frame()->grab().toImage();
    QWidget* surface = Player().VideoSurface();
    const QRect picture(surface->mapTo(program_.Frame(), QPoint(0, 0)), surface->size());
    Lit lit;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QColor pixel = window.pixelColor(picture.x() + x, picture.y() + y);
        const bool red = pixel.red() > 160 && pixel.green() < 90 && pixel.blue() < 90;
        if (pixel.red() + pixel.green() + pixel.blue() < 360 && !red) continue;
        ++lit.count;
        lit.box |= QRect(x, y, 1, 1);
        if (red) ++lit.reddish;
      }
    }
    return lit;
  }
  // Waits until the screenshot shows what `wanted` looks for (the picture reaches the screen a few frames
  // after the change); the last screenshot.
  Lit WaitForScreenshot(const std::function<bool(const Lit&)>& wanted) {
    Lit lit;
    ProcessEventsUntil(
        [&] {
          lit = Screenshot();
          return wanted(lit);
        },
        kDesktopWaitMs);
    return lit;
  }

  TestFolder folder_;
  DesktopProgram program_;
  ModalAnswers answers_;
};

TEST_F(PreviewShell, ACommittedLineShowsOverThePictureFollowsAnEditAndARestyleAndGoesWhenTurnedOff) {
  ASSERT_EQ(Screenshot().count, 0);  // plain black
  CommitLine("III");
  HoldAt(0.8);
  // In the default style: white, bold, at the bottom, in the middle.
  const Lit committed = WaitForScreenshot([](const Lit& lit) { return lit.count > 20; });
  const QSize size = Player().VideoSurface()->size();
  ASSERT_GT(committed.count, 20);
  EXPECT_GT(committed.box.top(), size.height() / 2);
  EXPECT_LT(std::abs(committed.box.center().x() - size.width() / 2), size.width() / 8);
  EXPECT_EQ(committed.reddish, 0);
  // Past its end, nothing. (The line ends where the player was when the test saw 1.5 s go by: on a slow
  // machine, well after.)
  const double afterTheLine = static_cast<double>(Form().Session.MarkEnd()) + 1.0;
  ASSERT_LT(afterTheLine, 9.0);
  HoldAt(afterTheLine);
  EXPECT_EQ(WaitForScreenshot([](const Lit& lit) { return lit.count == 0; }).count, 0);
  HoldAt(0.8);
  ASSERT_GT(WaitForScreenshot([](const Lit& lit) { return lit.count > 20; }).count, 20);

  // Off: gone; on again: back.
  auto* box = static_cast<QCheckBox*>(program_.Widget("PreviewCheckBox"));
  box->click();
  EXPECT_EQ(WaitForScreenshot([](const Lit& lit) { return lit.count == 0; }).count, 0);
  box->click();
  ASSERT_GT(WaitForScreenshot([](const Lit& lit) { return lit.count > 20; }).count, 20);

  // An edit in edit mode: the text line grows, and so does the text on the picture.
  Form().EditButtonClick();
  auto* view = static_cast<QtUserView&>(program_.Main().ControlNamed("UserRichEdit")).Editor();
  view->setFocus();
  view->SetCaret({2, static_cast<int>(view->Lines().Line(2).size())});
  QTest::keyClicks(view, "WWWWWW");
  ASSERT_NE(Form().Document.TempRichEdit.Line(2).find("IIIWWWWWW"), std::string::npos);
  const Lit edited = WaitForScreenshot(
      [&](const Lit& lit) { return lit.box.width() > committed.box.width() * 2 && lit.count > 20; });
  EXPECT_GT(edited.box.width(), committed.box.width() * 2);

  // A restyle, as the font dialog's save makes it: red, placed near the top left.
  RestyleDocument(Form().Document,
                  CustomStylePart1("#FF0000") + CustomStylePart2("DejaVu Sans", "24", "20", "30"),
                  StyleMode::Custom);
  const Lit restyled = WaitForScreenshot([](const Lit& lit) { return lit.reddish > 20; });
  EXPECT_GT(restyled.reddish, 20);
  EXPECT_LT(restyled.box.top(), size.height() / 3);
  EXPECT_LT(restyled.box.left(), size.width() / 3);
}

// The player alone: a script given before the media is there, scripts given faster than mpv reads them, a
// second media, nothing.
TEST(MpvSubtitlesTest, TheNewestScriptIsDrawnOverEveryMediaAndNothingTakesItAway) {
  TestApplication();
  QWidget panel;
  panel.resize(320, 240);
  panel.show();
  MpvPlayer player(&panel, MpvPlayerOptions{"null", MpvPlayerOptions::Picture::kDrawnByProgram, ""});
  const auto script = [](const std::string& text) {
    return PreviewScript({{0, 10000, "Dialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,," + text + "\n"}}, 0,
                         10000);
  };
  const auto litPixels = [&] {
    const QImage frame = player.ShownFrame();
    int lit = 0;
    for (int y = 0; y < frame.height(); ++y) {
      for (int x = 0; x < frame.width(); ++x) lit += qGray(frame.pixel(x, y)) > 160 ? 1 : 0;
    }
    return lit;
  };
  const auto open = [&] {
    player.SetURL(BlackVideoPath());
    player.Stop();
    ASSERT_TRUE(ProcessEventsUntil([&] { return player.PlayState() == 1 && player.FramesShown() > 0; },
                                   kDesktopWaitMs));
  };

  player.ShowSubtitles(script("{\\fs40}BEFORE"));
  open();
  // mpv draws the new track before it answers which track that is: both are waited for.
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return !player.Subtitles().Busy() && litPixels() > 50; }, kDesktopWaitMs));
  EXPECT_EQ(player.Subtitles().TracksTaken(), 1u);

  // Ten scripts at once: mpv reads one at a time, most of those in between are never sent (the first goes
  // at once, the newest when mpv has it), the last is drawn.
  for (int i = 1; i <= 10; ++i) player.ShowSubtitles(script(std::string(static_cast<std::size_t>(i), 'W')));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !player.Subtitles().Busy(); }, kDesktopWaitMs));
  const std::uint64_t taken = player.Subtitles().TracksTaken();
  EXPECT_GE(taken, 3u);
  EXPECT_LE(taken, 4u);
  EXPECT_GT(player.Subtitles().ShownTrack(), 0);

  // The media opened again drops its tracks: the script comes back with it.
  open();
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return player.Subtitles().TracksTaken() == taken + 1 && litPixels() > 50; }, kDesktopWaitMs));

  player.ShowNothing();
  ASSERT_TRUE(ProcessEventsUntil([&] { return litPixels() == 0; }, kDesktopWaitMs));
  EXPECT_EQ(player.Subtitles().ShownTrack(), 0);
}

}  // namespace
}  // namespace titrelle
