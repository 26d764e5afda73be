// The desktop program whole, on the Qt window system with the real libmpv, driven by real input at the X
// server level: the promises the shell keeps to the program. What the program does with the input is tested
// on the headless shell; here the question is whether the input, the windows and the files get through.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QTableWidget>
#include <QTranslator>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "DesktopDriver.h"
#include "KeysForCharacters.h"
#include "base/Cp936.h"
#include "platforms/linux/QtUserView.h"
#include "platforms/linux/WaveformStrip.h"
#include "style/StyleStrings.h"
#include "ui/Controls.h"
#include "ui/KeyTable.h"

namespace titrelle {
namespace {

constexpr int kPlaying = MediaPlayer::kPlayStatePlaying;
const std::string kHei = "\xBA\xDA\xCC\xE5";          // 黑体
const std::string kHello = "hello \xC4\xE3\xBA\xC3";  // hello 你好
const std::string kQuestion =
    "SRT\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA\xA3\xAC\xCA\xC7\xB7\xF1\xB4\xF2\xBF\xAA\xB1"
    "\xE0\xBC"
    "\xAD\xA3\xBF";  // SRT字幕文件已存在，是否打开编辑？
const std::string kZeroTime = "00:00:00:000";

// A subtitle file of two lines in the default style, as the program writes it.
std::string TwoLineDocument() {
  const std::string first = "\xB5\xDA\xD2\xBB\xBE\xE4";   // 第一句
  const std::string second = "\xB5\xDA\xB6\xFE\xBE\xE4";  // 第二句
  return "1\r\n00:00:00:500 --> 00:00:01:500\r\n" + DefaultLinePrefix + first + "</b>\r\n\r\n" +
         "2\r\n00:00:02:000 --> 00:00:03:250\r\n" + DefaultLinePrefix + second + "</b>\r\n\r\n";
}

// Opens the video through the open button, answering the dialog without typing.
void OpenVideo(DesktopProgram& program, ModalAnswers& answers, const std::string& video) {
  answers.ChooseFile(video);
  static_cast<QPushButton*>(program.Widget("OpenButton"))->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !program.Form().OpenButton->Enabled(); }, kDesktopWaitMs));
}

// Opens the video through the open button and answers the question about its subtitle file with a real
// Enter: Yes, the file is resumed in edit mode.
void ResumeWithEnter(DesktopProgram& program, ModalAnswers& answers, const std::string& video) {
  answers.ChooseFile(video);
  answers.Add([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
              [](QWidget*) {
                XdotoolInBackground({"key", "Return"});
              });
  static_cast<QPushButton*>(program.Widget("OpenButton"))->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return program.Form().Session.InEditMode() && answers.AllGiven(); },
                                 kDesktopWaitMs));
}

TEST(ShellTest, MainWindowHasTheTableControlsWhereItPutsThemWithTheirCaptions) {
  TestFolder folder;
  DesktopProgram program(folder.Path());
  const WindowTable& entry = MainWindowTable();
  EXPECT_EQ(program.Frame()->windowTitle(), "Titrelle");
  // It opens with room for the workbench, within the screen.
  const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size() -
                     QSize(QtWindow::kFrameWidth, QtWindow::kFrameHeight);
  EXPECT_EQ(program.Main().ClientWidth(), std::min(QtWindow::kWorkbenchOpenWidth, room.width()));
  EXPECT_EQ(program.Main().ClientHeight(), std::min(QtWindow::kWorkbenchOpenHeight, room.height()));
  EXPECT_EQ(program.Main().TableSize(),
            QSize(entry.width - QtWindow::kFrameWidth, entry.height - QtWindow::kFrameHeight));
  for (const ControlEntry& control : entry.controls) {
    SCOPED_TRACE(control.name);
    QWidget* widget = program.Widget(control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(),
              control.parent.empty() ? entry.name : control.parent);
    EXPECT_EQ(widget->pos(), QPoint(control.left, control.top));
    if (control.width > 0) {
      EXPECT_EQ(widget->width(), control.width);
    }
    if (control.height > 0) {
      EXPECT_EQ(widget->height(), control.height);
    }
    EXPECT_EQ(widget->toolTip().toStdString(), Utf8FromCp936(control.hint));
    EXPECT_EQ(program.Main().ControlNamed(control.name).Visible(), control.visible);
    // Labels without a caption of their own show the clock and the player's status.
    if (control.kind == ControlKind::Button ||
        (control.kind == ControlKind::Label && !control.text.empty())) {
      EXPECT_EQ(program.Main().ControlNamed(control.name).Text(), control.text);
    }
  }
  // The captions reach the screen as Chinese text, in a face that has the glyphs.
  auto* open = static_cast<QPushButton*>(program.Widget("OpenButton"));
  EXPECT_EQ(open->text(), QString::fromUtf8("打开视频[&O]"));
  auto* label6 = static_cast<QLabel*>(program.Widget("Label6"));
  EXPECT_TRUE(QRawFont::fromFont(label6->font()).supportsCharacter(QChar(0x64AD)));  // 播
  EXPECT_TRUE(
      QRawFont::fromFont(program.Widget("UserRichEdit")->font()).supportsCharacter(QChar(0x4FEE)));  // 修
  // The time boxes: lime on black, bold.
  QWidget* edit1 = program.Widget("Edit1");
  EXPECT_EQ(edit1->palette().color(QPalette::Active, QPalette::Text), QColor(0, 255, 0));
  EXPECT_EQ(edit1->palette().color(QPalette::Active, QPalette::Base), QColor(0, 0, 0));
  EXPECT_TRUE(QFontInfo(edit1->font()).bold());
  EXPECT_EQ(edit1->font().pixelSize(), 16);
}

// The window grows and shrinks (never below its table) and opens next time as it was left; the table's
// controls stay where and as large as the table puts them, the workbench takes the room to their right and
// the timeline the room under them.
TEST(ShellTest, ResizingKeepsTheTableControlsAndTheWindowOpensAsItWasLeft) {
  TestFolder folder;
  const WindowTable& entry = MainWindowTable();
  const QSize table(entry.width - QtWindow::kFrameWidth, entry.height - QtWindow::kFrameHeight);
  const QPoint place(23, 31);
  {
    DesktopProgram program(folder.Path());
    QWidget* frame = program.Frame();
    const struct {
      QSize asked;
      QSize expected;
    } sizes[] = {{QSize(1200, 900), QSize(1200, 900)},
                 {QSize(900, 560), QSize(900, 560)},
                 {QSize(400, 300), table},  // no smaller than the table
                 {QSize(1000, 700), QSize(1000, 700)}};
    for (const auto& size : sizes) {
      SCOPED_TRACE(size.asked.width());
      frame->resize(size.asked);
      ASSERT_TRUE(ProcessEventsUntil([&] { return frame->size() == size.expected; }, kDesktopWaitMs))
          << frame->width() << "x" << frame->height();
      for (const ControlEntry& control : entry.controls) {
        SCOPED_TRACE(control.name);
        const QRect geometry = program.Widget(control.name)->geometry();
        EXPECT_EQ(geometry.topLeft(), QPoint(control.left, control.top));
        if (control.width > 0) {
          EXPECT_EQ(geometry.width(), control.width);
        }
        if (control.height > 0) {
          EXPECT_EQ(geometry.height(), control.height);
        }
      }
      EXPECT_EQ(program.Main().Workbench()->geometry(),
                QRect(table.width(), 0, size.expected.width() - table.width(), table.height()));
      EXPECT_EQ(program.Main().Timeline()->geometry(),
                QRect(0, table.height(), size.expected.width(), size.expected.height() - table.height()));
    }
    frame->move(place);
    ASSERT_TRUE(ProcessEventsUntil([&] { return frame->pos() == place; }, kDesktopWaitMs));
  }
  DesktopProgram again(folder.Path());
  EXPECT_EQ(again.Frame()->size(), QSize(1000, 700));
  EXPECT_EQ(again.Frame()->pos(), place);
}

// Qt's own dialogs speak the desktop's language when Qt has it; the program's own texts are not Qt's.
TEST(ShellTest, QtsOwnTextsFollowTheDesktopsLanguage) {
  TestApplication();
  const struct {
    QLocale locale;
    const char* open;  // the open dialog's button, as the user reads it
  } languages[] = {{QLocale(QLocale::Chinese, QLocale::China), "打开(&O)"},
                   {QLocale(QLocale::English, QLocale::UnitedStates), "&Open"}};
  for (const auto& language : languages) {
    SCOPED_TRACE(language.locale.name().toStdString());
    QTranslator* translator = InstallQtTranslations(language.locale);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QString::fromUtf8(language.open));
    if (translator != nullptr) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
  }
}

TEST(ShellTest, TabVisitsTheShownControlsInTheTableOrder) {
  TestFolder folder;
  DesktopProgram program(folder.Path());
  program.Form().OpenButton->SetFocus();
  std::vector<std::string> visited;
  for (int i = 0; i < 7; ++i) {
    QTest::keyClick(program.Frame()->focusWidget(), Qt::Key_Tab);
    visited.push_back(program.Frame()->focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"BitBtn1", "StartTimeButton", "EndTimeButton", "InputEdit",
                                               "EditButton", "ContinueButton", "OpenButton"}));
}

TEST(ShellTest, CaptureCycleWithRealKeysLeavesTheLineOnDisk) {
  TestFolder folder;
  const std::string video = folder.Video();
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  // The open dialog gets the path typed and Enter, from inside its own loop.
  answers.Add([](QWidget* modal) { return qobject_cast<QFileDialog*>(modal) != nullptr; },
              [video](QWidget*) {
                XdotoolInBackground(
                    {"type", "--delay", "10", "--args", "1", QString::fromStdString(video), "key", "Return"});
              });
  ASSERT_TRUE(Xdotool({"key", "alt+o"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form.OpenButton->Enabled(); }, kDesktopWaitMs));
  EXPECT_TRUE(form.StartTimeButton->Focused());

  ASSERT_TRUE(Xdotool({"key", "F9"}));
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return form.WP->PlayState() == kPlaying && form.WP->CurrentPosition() > 0.5; }, kDesktopWaitMs));
  ASSERT_TRUE(Xdotool({"key", "F10"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.InputEdit->Focused(); }, kDesktopWaitMs));
  const QString hello = QString::fromStdString(Utf8FromCp936(kHello));
  // Each character has a key before any is typed, and each key is named by its character's code point:
  // xdotool presses the key given (its `type` would lend a key of its own for a moment, which a program
  // busy elsewhere can read too late). The server tells the program of the new map before any key pressed
  // after it: no wait is needed.
  const KeysForCharacters keys(hello);
  QStringList typing = {"key", "--delay", "20"};
  for (const uint codePoint : hello.toUcs4())
    typing << "U" + QString::number(codePoint, 16).toUpper().rightJustified(4, '0');
  ASSERT_TRUE(Xdotool(typing));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.InputEdit->Text() == kHello; }, kDesktopWaitMs))
      << Utf8FromCp936(form.InputEdit->Text());
  ASSERT_TRUE(Xdotool({"key", "Return"}));

  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return SplitLines(ReadBytes(subtitles)).size() >= 5; }, kDesktopWaitMs));
  const std::vector<std::string> lines = SplitLines(ReadBytes(subtitles));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "1");
  EXPECT_EQ(lines[1].size(), 29u);
  EXPECT_EQ(lines[1].substr(0, 17), "00:00:00:001 --> ");
  EXPECT_EQ(lines[2], DefaultLinePrefix + kHello + "</b>");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "");  // the text ends with its break
  EXPECT_EQ(form.InputEdit->Text(), "");
}

// Enter, then Ctrl+Z in the emptied entry box takes the line out of the file; Ctrl+Y puts it back. The box's
// own undo must not take the keys first.
TEST(ShellTest, CtrlZAfterEnterTakesTheLineOutOfTheFileAndCtrlYPutsItBack) {
  TestFolder folder;
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  OpenVideo(program, answers, folder.Video());
  form.StartTimeButton->OnClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() > 0.5; }, kDesktopWaitMs));
  form.EndTimeButton->OnClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.InputEdit->Focused(); }, kDesktopWaitMs));
  form.InputEdit->SetText("One");
  ASSERT_TRUE(Xdotool({"key", "Return"}));
  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Session.LineCount() == 1; }, kDesktopWaitMs));
  const std::string committed = ReadBytes(subtitles);
  ASSERT_EQ(SplitLines(committed).size(), 5u);

  ASSERT_TRUE(Xdotool({"key", "ctrl+z"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles).empty(); }, kDesktopWaitMs));
  EXPECT_EQ(form.Session.LineCount(), 0);
  EXPECT_EQ(form.UserRichEdit->Count(), 0);
  EXPECT_EQ(form.InputEdit->Text(), "");
  ASSERT_TRUE(Xdotool({"key", "ctrl+y"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == committed; }, kDesktopWaitMs));
  EXPECT_EQ(form.Session.LineCount(), 1);
  EXPECT_EQ(form.UserRichEdit->Count(), 4);
  // A button with the focus hands the keys on too.
  form.StartTimeButton->SetFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.StartTimeButton->Focused(); }, kDesktopWaitMs));
  ASSERT_TRUE(Xdotool({"key", "ctrl+z"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles).empty(); }, kDesktopWaitMs));
}

// In edit mode the keys of the user view re-time and delete the subtitle under the caret, and Ctrl+Z there
// takes a delete back: through the real keyboard, to the file.
TEST(ShellTest, AltArrowReTimesCtrlShiftDeleteDeletesAndCtrlZPutsBackInTheUserView) {
  TestFolder folder;
  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  WriteBytes(subtitles, TwoLineDocument());
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  ASSERT_NO_FATAL_FAILURE(ResumeWithEnter(program, answers, folder.Video()));
  // The caret on the first subtitle's text, as a click would leave it.
  UserViewWidget* view = static_cast<QtUserView&>(program.Main().ControlNamed("UserRichEdit")).Editor();
  view->SetCaret({2, 0});
  view->setFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.UserRichEdit->Focused(); }, kDesktopWaitMs));

  std::string retimed = TwoLineDocument();
  retimed.replace(retimed.find("00:00:00:500"), 12, "00:00:00:600");
  ASSERT_TRUE(Xdotool({"key", "alt+Right"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == retimed; }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  ASSERT_TRUE(Xdotool({"key", "ctrl+shift+Delete"}));
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return SplitLines(ReadBytes(subtitles)).size() == 5; }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  EXPECT_EQ(SplitLines(ReadBytes(subtitles))[0], "2");
  ASSERT_TRUE(Xdotool({"key", "ctrl+z"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == retimed; }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  EXPECT_EQ(form.UserRichEdit->Line(1), "00:00:00:600 --> 00:00:01:500");

  // A key typed in the view is a step of the same history: undone before the re-time, redone after it, and
  // never by the view's own undo.
  view->SetCaret({2, 0});
  ASSERT_TRUE(Xdotool({"key", "x"}));
  const std::string typedText = DefaultLinePrefix + "x";
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles).find(typedText) != std::string::npos; },
                                 kDesktopWaitMs))
      << ReadBytes(subtitles);
  const std::string typed = ReadBytes(subtitles);
  for (const auto& [key, bytes] : {std::pair{"ctrl+z", retimed}, std::pair{"ctrl+z", TwoLineDocument()},
                                   std::pair{"ctrl+y", retimed}, std::pair{"ctrl+y", typed}}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(Xdotool({"key", key}));
    ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == bytes; }, kDesktopWaitMs))
        << ReadBytes(subtitles);
  }

  // F12 and F11 set the caret's subtitle's end and start to where the paused player stands.
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Session.PendingSeek(); }, kDesktopWaitMs));
  view->SetCaret({2, 0});
  std::string fromPosition = typed;
  for (const auto& [key, seconds, column] : {std::tuple{"F12", 1.2, 17}, std::tuple{"F11", 0.2, 0}}) {
    SCOPED_TRACE(key);
    form.WP->Pause();
    form.WP->SetCurrentPosition(seconds);
    const std::string position = form.BuildTimeText();
    ASSERT_TRUE(Xdotool({"key", key}));
    fromPosition.replace(fromPosition.find("\r\n") + 2 + column, 12, position);
    ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == fromPosition; }, kDesktopWaitMs))
        << ReadBytes(subtitles);
  }
}

// A real drag of a line's end on the timeline re-times it on disk, snapping to the play head; the workbench's
// buttons follow the history, and Ctrl+Z and the redo button take the drag back and do it again; F1 shows
// the key help.
TEST(ShellTest, ADragOnTheTimelineReTimesTheLineAndTheButtonsFollowTheHistory) {
  TestFolder folder;
  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  WriteBytes(subtitles, TwoLineDocument());
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  ASSERT_NO_FATAL_FAILURE(ResumeWithEnter(program, answers, folder.Video()));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Session.PendingSeek(); }, kDesktopWaitMs));
  auto* undo = program.Frame()->findChild<QPushButton*>("UndoButton");
  auto* redo = program.Frame()->findChild<QPushButton*>("RedoButton");
  ASSERT_TRUE(undo && redo);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());

  // Paused at 1.8 s, nothing replayed: the play head stays where the end is dragged to.
  form.Session.SetMarkStart(0);
  form.Session.SetMarkEnd(0);
  form.WP->Pause();
  form.WP->SetCurrentPosition(1.8);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->PlayState() != kPlaying; }, kDesktopWaitMs));
  auto* strip = dynamic_cast<WaveformStrip*>(program.Main().Timeline());
  ASSERT_NE(strip, nullptr);
  strip->ZoomAround(0, 1);  // the view stays where it is
  ASSERT_TRUE(ProcessEventsUntil([&] { return strip->SpansShown() == 2; }, kDesktopWaitMs));
  const int y = strip->height() / 2;
  const QPoint from = strip->mapToGlobal(QPoint(strip->ColumnOf(1.5), y));
  const QPoint to = strip->mapToGlobal(QPoint(strip->ColumnOf(1.8), y));
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                       "mousemove", QString::number((from.x() + to.x()) / 2), QString::number(from.y()),
                       "mousemove", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"}));
  std::string retimed = TwoLineDocument();
  retimed.replace(retimed.find("00:00:01:500"), 12, "00:00:01:800");
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == retimed; }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  EXPECT_EQ(form.UserRichEdit->Line(1), "00:00:00:500 --> 00:00:01:800");
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());

  program.Widget("UserRichEdit")->setFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.UserRichEdit->Focused(); }, kDesktopWaitMs));
  ASSERT_TRUE(Xdotool({"key", "ctrl+z"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == TwoLineDocument(); }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_TRUE(redo->isEnabled());
  const QPoint button = redo->mapToGlobal(redo->rect().center());
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(button.x()), QString::number(button.y()), "click", "1"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles) == retimed; }, kDesktopWaitMs))
      << ReadBytes(subtitles);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());

  // F1 shows the key help: a row for every key of the key table.
  int rows = -1;
  answers.Add([](QWidget* modal) { return modal->objectName() == "KeyHelp"; },
              [&rows](QWidget* modal) {
                rows = modal->findChild<QTableWidget*>("KeyHelpTable")->rowCount();
                static_cast<QDialog*>(modal)->reject();
              });
  ASSERT_TRUE(Xdotool({"key", "F1"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return answers.AllGiven(); }, kDesktopWaitMs));
  EXPECT_EQ(rows, static_cast<int>(KeyHelpLines().size()));
}

// A file the player cannot open gives the open button back; after Enter the word beside the player names the
// line; a line whose end is not after its start is not written; a paste the file cannot hold is answered too.
TEST(ShellTest, AWrongFileIsNoDeadEndAndEnterIsAnsweredWithAWord) {
  TestFolder folder;
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  std::ofstream(folder.Path() / "notes.txt") << "not a video\n";
  OpenVideo(program, answers, (folder.Path() / "notes.txt").string());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.OpenButton->Enabled(); }, kDesktopWaitMs));
  EXPECT_FALSE(form.NoticeLabel->Text().empty());

  OpenVideo(program, answers, folder.Video());
  form.StartTimeButton->OnClick();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.WP->CurrentPosition() > 0.5; }, kDesktopWaitMs));
  form.EndTimeButton->OnClick();
  form.InputEdit->SetText("One");
  ASSERT_TRUE(Xdotool({"key", "Return"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.Session.LineCount() == 1; }, kDesktopWaitMs));
  EXPECT_EQ(form.NoticeLabel->Text(),
            Cp936FromUtf8("\xE7\xAC\xAC"
                          "1\xE5\x8F\xA5\xE5\xB7\xB2\xE4\xBF\x9D\xE5\xAD\x98\xEF\xBC\x9A"
                          "clip.srt"));

  form.ContinueButtonClick();        // paused where the line ended
  form.WP->SetCurrentPosition(0.1);  // an end before that start
  form.EndTimeButton->OnClick();
  form.InputEdit->SetText("Never shown");
  // The "x" typed after Enter comes in after it: once it is in the box, Enter has been handled.
  ASSERT_TRUE(Xdotool({"key", "Return", "x"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.InputEdit->Text() == "Never shownx"; }, kDesktopWaitMs))
      << form.InputEdit->Text();
  EXPECT_EQ(form.Session.LineCount(), 1);

  // A pasted character the file could only hold as "?" is refused with a word; the rest is pasted.
  form.InputEdit->SetText("");
  QApplication::clipboard()->setText(QString::fromUtf8("a\U0001F600b"));
  QTest::keyClick(program.Widget("InputEdit"), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form.InputEdit->Text(), "ab");
  EXPECT_EQ(form.NoticeLabel->Text(), Cp936FromUtf8("\xE8\xBF\x99\xE4\xB8\xAA\xE5\xAD\x97\xE7\xAC\xA6"
                                                    "\xE6\x97\xA0\xE6\xB3\x95\xE4\xBB\xA5 GBK "
                                                    "\xE4\xBF\x9D\xE5\xAD\x98"));  // 这个字符无法以 GBK 保存
}

TEST(ShellTest, HotKeyReachesTheProgramWhileAnotherProgramHasTheFocus) {
  TestFolder folder;
  DesktopProgram program(folder.Path());
  ModalAnswers answers;
  OpenVideo(program, answers, folder.Video());
  ASSERT_NE(program.Form().WP->PlayState(), kPlaying);

  QProcess other;
  other.start("xmessage", {"-name", "otherprogram", "another program"});
  ASSERT_TRUE(other.waitForStarted());
  QString otherWindow;
  ASSERT_TRUE(Xdotool({"search", "--sync", "--onlyvisible", "--classname", "otherprogram"}, &otherWindow));
  otherWindow = otherWindow.split('\n').last();
  ASSERT_TRUE(Xdotool({"windowfocus", "--sync", otherWindow}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !program.Frame()->isActiveWindow(); }, kDesktopWaitMs));

  ASSERT_TRUE(Xdotool({"key", "F9"}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return program.Form().WP->PlayState() == kPlaying; }, kDesktopWaitMs));
  QString focused;
  ASSERT_TRUE(Xdotool({"getwindowfocus"}, &focused));
  EXPECT_EQ(focused, otherWindow);  // the key did not take the focus away from the other program
  other.kill();
  other.waitForFinished();
}

#ifdef TITRELLE_PROGRAM
TEST(ShellTest, SecondCopysHotKeysAreInertAndItsButtonsStillWork) {
  TestApplication();
  TestFolder folder;
  // The first copy: the program itself, in a process of its own.
  QProcess first;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder.Path() / "first").string()));
  first.setProcessEnvironment(environment);
  first.start(TITRELLE_PROGRAM, QStringList());
  ASSERT_TRUE(first.waitForStarted());
  // Its own window (one of an earlier test's program may not be gone from the server yet).
  ASSERT_TRUE(Xdotool({"search", "--sync", "--all", "--onlyvisible", "--pid",
                       QString::number(first.processId()), "--name", "^Titrelle$"}));

  DesktopProgram second(folder.Path());
  TForm1& form = second.Form();
  // The first copy holds the keys: they cannot be registered here.
  for (int key : {vk::F9, vk::F10, vk::F7, vk::F8}) {
    EXPECT_FALSE(second.System().HotKeySystem().RegisterHotKey(0x7000 + key, 0, key)) << key;
  }
  ModalAnswers answers;
  // It is told, once, that another program holds the keys.
  QString notice;
  answers.Add([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
              [&](QWidget* modal) {
                notice = static_cast<QMessageBox*>(modal)->text();
                static_cast<QMessageBox*>(modal)->accept();
              });
  ASSERT_TRUE(ProcessEventsUntil([&] { return answers.AllGiven(); }, kDesktopWaitMs));
  EXPECT_TRUE(notice.contains("Titrelle"));
  OpenVideo(second, answers, folder.Video());
  ASSERT_TRUE(second.Activate());
  form.InputEdit->SetFocus();
  // F9 goes to the first copy; the "x" typed after it comes here, so once it has arrived F9 would have too.
  ASSERT_TRUE(Xdotool({"key", "F9"}));
  ASSERT_TRUE(Xdotool({"type", "x"}));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.InputEdit->Text() == "x"; }, kDesktopWaitMs));
  EXPECT_NE(form.WP->PlayState(), kPlaying);
  EXPECT_EQ(form.Edit1->Text(), kZeroTime);

  // The button by mouse still works.
  QWidget* start = second.Widget("StartTimeButton");
  const QPoint centre = start->mapToGlobal(start->rect().center());
  ASSERT_TRUE(Xdotool(
      {"mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.WP->PlayState() == kPlaying; }, kDesktopWaitMs));
  first.terminate();
  first.waitForFinished();

  // The first copy has let the keys go: this copy takes them over when it asks again.
  const auto allRegistered = [&] { return form.SystemWideKeys.AllRegistered(); };
  ASSERT_TRUE(ProcessEventsUntil(allRegistered, kDesktopWaitMs));
  ASSERT_TRUE(Xdotool({"key", "F7"}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return form.UserRichEdit->Visible(); }, kDesktopWaitMs));
  EXPECT_TRUE(answers.AllGiven());
}

// The program's arguments are its own: a video named like one of Qt's options is opened (the question about
// its subtitle file shows it was), with or without "--" before it; an empty name opens the window alone.
TEST(ShellTest, TheArgumentsNameTheVideoWhateverTheyLookLike) {
  TestApplication();
  TestFolder folder;
  const std::filesystem::path video = folder.Path() / "-reverse";
  std::filesystem::copy_file(folder.Video(), video);
  const std::vector<QStringList> cases = {{"-reverse"}, {"--", "-reverse"}, {""}};
  for (const QStringList& arguments : cases) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    WriteBytes(folder.Path() / "-reverse.srt", TwoLineDocument());
    std::filesystem::remove(folder.Path() / "-reverse.srt.bak");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.Path().string()));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(QString::fromStdString(folder.Path().string()));
    program.start(TITRELLE_PROGRAM, arguments);
    ASSERT_TRUE(program.waitForStarted());
    // This copy's windows only: an earlier copy's may not be gone from the server yet.
    const QString pid = QString::number(program.processId());
    QString window;
    if (arguments.last().isEmpty()) {
      // The main window, not an error report under the same caption.
      ASSERT_TRUE(Xdotool(
          {"search", "--sync", "--all", "--onlyvisible", "--pid", pid, "--name", "^Titrelle$"}, &window));
      QString geometry;
      ASSERT_TRUE(Xdotool({"getwindowgeometry", "--shell", window.split('\n').last()}, &geometry));
      const int room = QGuiApplication::primaryScreen()->availableGeometry().width() - QtWindow::kFrameWidth;
      EXPECT_TRUE(geometry.contains(QString("WIDTH=%1").arg(std::min(QtWindow::kWorkbenchOpenWidth, room))))
          << geometry.toStdString();
    } else {
      // Asked about the video's subtitle file; No keeps it as the backup.
      ASSERT_TRUE(Xdotool(
          {"search", "--sync", "--all", "--onlyvisible", "--pid", pid, "--name", "^Information$"}, &window));
      ASSERT_TRUE(Xdotool({"windowfocus", "--sync", window.split('\n').last()}));
      ASSERT_TRUE(Xdotool({"key", "Escape"}));
      EXPECT_TRUE(ProcessEventsUntil(
          [&] { return std::filesystem::exists(folder.Path() / "-reverse.srt.bak"); }, kDesktopWaitMs));
    }
    program.terminate();
    ASSERT_TRUE(program.waitForFinished());
  }
}
#endif

struct QuestionCase {
  const char* name;
  const char* key;  // pressed on the question box
  bool resumes;
};

void PrintTo(const QuestionCase& question, std::ostream* out) { *out << question.name; }

class ExistingSubtitleFileTest : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(ExistingSubtitleFileTest, TheQuestionIsAnsweredByTheKeyPressed) {
  TestFolder folder;
  const std::string video = folder.Video();
  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  WriteBytes(subtitles, TwoLineDocument());
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  QString question;
  answers.ChooseFile(video);
  answers.Add([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
              [&question](QWidget* modal) {
                question = static_cast<QMessageBox*>(modal)->text();
                XdotoolInBackground({"key", GetParam().key});
              });
  static_cast<QPushButton*>(program.Widget("OpenButton"))->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form.OpenButton->Enabled(); }, kDesktopWaitMs));
  EXPECT_EQ(question.toStdString(), Utf8FromCp936(kQuestion));
  ASSERT_EQ(answers.seen.size(), 2u);
  EXPECT_EQ(answers.seen[1], "Information");

  if (GetParam().resumes) {
    EXPECT_TRUE(form.UserRichEdit->Visible());
    EXPECT_FALSE(form.Panel3->Visible());
    ASSERT_EQ(form.UserRichEdit->Count(), 8);
    EXPECT_EQ(form.UserRichEdit->Line(2), "\xB5\xDA\xD2\xBB\xBE\xE4");  // 第一句, without its style
    EXPECT_EQ(ReadBytes(subtitles), TwoLineDocument());
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "clip.srt.bak"));
  } else {
    EXPECT_FALSE(form.UserRichEdit->Visible());
    EXPECT_FALSE(std::filesystem::exists(subtitles));
    EXPECT_EQ(ReadBytes(folder.Path() / "clip.srt.bak"), TwoLineDocument());
    EXPECT_TRUE(form.StartTimeButton->Focused());
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, ExistingSubtitleFileTest,
                         ::testing::Values(QuestionCase{"EnterIsYes", "Return", true},
                                           QuestionCase{"AltNIsNo", "alt+n", false},
                                           QuestionCase{"EscapeIsNo", "Escape", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShellTest, FontDialogSavedInCustomModeRestylesTheFile) {
  TestFolder folder;
  const std::string video = folder.Video();
  const std::filesystem::path subtitles = folder.Path() / "clip.srt";
  WriteBytes(subtitles, TwoLineDocument());
  DesktopProgram program(folder.Path());
  ModalAnswers answers;
  ASSERT_NO_FATAL_FAILURE(ResumeWithEnter(program, answers, video));
  ASSERT_TRUE(program.Form().UserRichEdit->Visible());

  // In the dialog: untick "default" with the mouse.
  bool dialogSeen = false;
  answers.Add([](QWidget* modal) { return modal->objectName() == "FontOptionForm"; },
              [&dialogSeen](QWidget* modal) {
                dialogSeen = true;
                auto* box = modal->findChild<QCheckBox*>("CheckBoxDefault");
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
                // F8 behind the dialog still reaches the main window; then Alt+S saves.
                XdotoolInBackground({"key", "F8", "alt+s"});
              });
  ASSERT_TRUE(program.Activate());
  ASSERT_TRUE(Xdotool({"key", "alt+f"}));
  const std::string custom = "<font color=#FFFFFF>{\\fn" + kHei + "\\fs18\\pos(190,270)\\}";
  ASSERT_TRUE(ProcessEventsUntil([&] { return ReadBytes(subtitles).find(custom) != std::string::npos; },
                                 kDesktopWaitMs));
  EXPECT_TRUE(dialogSeen);
  EXPECT_FALSE(program.Form().UserRichEdit->Visible());  // F8 went back to capturing
  EXPECT_TRUE(program.Form().Panel3->Visible());
  const std::vector<std::string> lines = SplitLines(ReadBytes(subtitles));
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[2].rfind(custom + "\xB5\xDA\xD2\xBB\xBE\xE4", 0), 0u) << lines[2];
  EXPECT_EQ(lines[6].rfind(custom + "\xB5\xDA\xB6\xFE\xBE\xE4", 0), 0u) << lines[6];
  EXPECT_EQ(lines[1], "00:00:00:500 --> 00:00:01:500");
  // The choice is stored in the registry file.
  EXPECT_NE(ReadBytes(folder.Path() / "registry").find("srtDefault"), std::string::npos);
}

}  // namespace
}  // namespace titrelle
