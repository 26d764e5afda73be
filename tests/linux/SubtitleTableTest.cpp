// The subtitle table on the workbench of the desktop program: it follows the lines as they are committed,
// undone and deleted, and a row chosen in it puts the user view's caret on that line.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "DesktopDriver.h"
#include "document/TimeLine.h"
#include "platforms/linux/QtUserView.h"
#include "platforms/linux/SubtitleTable.h"
#include "platforms/linux/UserViewWidget.h"
#include "ui/Controls.h"

namespace titrelle {
namespace {

class SubtitleTableShell : public ::testing::Test {
 protected:
  SubtitleTableShell() : program_(folder_.Path()) {}

  void SetUp() override {
    answers_.ChooseFile(folder_.Video());
    static_cast<QPushButton*>(program_.Widget("OpenButton"))->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Form().OpenButton->Enabled(); }, kDesktopWaitMs));
    table_ = program_.Main().Workbench()->findChild<SubtitleTable*>();
    ASSERT_NE(table_, nullptr);
  }

  TForm1& Form() { return program_.Form(); }
  int Rows() { return table_->model()->rowCount(); }
  std::string Cell(int row, RowColumn column) {
    return table_->model()->index(row, static_cast<int>(column)).data().toString().toStdString();
  }

  // Marks a line of at least 0.3 s of the playing video, types `text` and presses Enter, with key events.
  void CommitLine(const QString& text) {
    const int lines = Form().Session.LineCount();
    Form().StartTimeButtonClick();
    const double start = Form().WP->CurrentPosition();
    ASSERT_TRUE(
        ProcessEventsUntil([&] { return Form().WP->CurrentPosition() >= start + 0.3; }, kDesktopWaitMs));
    Form().EndTimeButtonClick();
    QWidget* input = program_.Widget("InputEdit");
    QTest::keyClicks(input, text);
    QTest::keyClick(input, Qt::Key_Return);
    ASSERT_EQ(Form().Session.LineCount(), lines + 1);
  }

  void ExpectRowTimesAsTheFile(int row) {
    const Subtitle subtitle = Form().Document.Subtitles().At(row);
    ASSERT_TRUE(subtitle.times);
    EXPECT_EQ(Cell(row, RowColumn::Start), subtitle.times->start.Text(TimeLayout::Program));
    EXPECT_EQ(Cell(row, RowColumn::End), subtitle.times->end.Text(TimeLayout::Program));
  }

  TestFolder folder_;
  DesktopProgram program_;
  ModalAnswers answers_;
  SubtitleTable* table_ = nullptr;
};

TEST_F(SubtitleTableShell, FollowsCommitsUndoAndDeleteAndMovesTheCaretToTheRowChosen) {
  EXPECT_EQ(Rows(), 0);
  CommitLine("one");
  ASSERT_EQ(Rows(), 1);
  ExpectRowTimesAsTheFile(0);
  EXPECT_EQ(Cell(0, RowColumn::Text), "one");
  CommitLine("two");
  ASSERT_EQ(Rows(), 2);
  ExpectRowTimesAsTheFile(1);

  QWidget* input = program_.Widget("InputEdit");
  QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Rows(), 1);
  QTest::keyClick(input, Qt::Key_Y, Qt::ControlModifier);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(1, RowColumn::Text), "two");

  // A double click while capturing: edit mode, on that line.
  const QRect first = table_->visualRect(table_->model()->index(0, 0));
  // As the system delivers one: press, release, press, double click, release.
  QTest::mouseClick(table_->viewport(), Qt::LeftButton, {}, first.center());
  QTest::mousePress(table_->viewport(), Qt::LeftButton, {}, first.center());
  QTest::mouseDClick(table_->viewport(), Qt::LeftButton, {}, first.center());
  ASSERT_TRUE(Form().Session.InEditMode());
  EXPECT_EQ(Form().UserRichEdit->CaretLine(), Form().Document.Subtitles().TimeLine(0));

  // A row selected in edit mode: the caret to its time line, and the boxes show its times.
  table_->setFocus();
  table_->selectRow(1);
  const int secondTimeLine = Form().Document.Subtitles().TimeLine(1);
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Form().UserRichEdit->CaretLine() == secondTimeLine; }, kDesktopWaitMs));
  EXPECT_EQ(Form().Edit1->Text(), Cell(1, RowColumn::Start));

  // Delete in the table takes both selected rows, as one step undone.
  const std::string before = Form().Document.TempRichEdit.Text();
  table_->selectAll();
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return Form().TableRows.SelectedRows().size() == 2; }, kDesktopWaitMs));
  QTest::keyClick(table_, Qt::Key_Delete);
  EXPECT_EQ(Rows(), 0);
  QTest::keyClick(table_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Form().Document.TempRichEdit.Text(), before);
}

// In edit mode the table's selection goes where the user view's caret goes, scrolled into view, without the
// row's own replay taking the caret to the row's time line; F8 takes the table back to the newest line.
TEST(SubtitleTableCaret, TheSelectionFollowsTheCaretAndCapturingGoesBackToTheNewest) {
  TestFolder folder;
  std::string file;
  constexpr int kSubtitles = 60;  // more than a screen of rows
  for (int i = 0; i < kSubtitles; ++i) {
    const auto start = *SubtitleTime::FromMilliseconds(100 + i * 150);
    const auto end = *SubtitleTime::FromMilliseconds(200 + i * 150);
    file += std::to_string(i + 1) + "\r\n";
    AppendTimeLine(file, {start, end}, TimeLayout::Program);
    file += "\r\nline " + std::to_string(i + 1) + "\r\n\r\n";
  }
  WriteBytes(folder.Path() / "clip.srt", file);
  DesktopProgram program(folder.Path());
  TForm1& form = program.Form();
  ModalAnswers answers;
  answers.ChooseFile(folder.Video());
  answers.Add([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
              [](QWidget* modal) { static_cast<QMessageBox*>(modal)->defaultButton()->click(); });  // Yes
  static_cast<QPushButton*>(program.Widget("OpenButton"))->click();
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return form.Session.InEditMode() && answers.AllGiven(); }, kDesktopWaitMs));
  auto* table = program.Main().Workbench()->findChild<SubtitleTable*>();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->model()->rowCount(), kSubtitles);
  UserViewWidget* view = static_cast<QtUserView&>(program.Main().ControlNamed("UserRichEdit")).Editor();
  const auto shown = [&](int row) {
    return table->viewport()->rect().contains(table->visualRect(table->model()->index(row, 0)));
  };
  const auto selected = [&] {
    std::vector<int> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedRows()) rows.push_back(index.row());
    return rows;
  };
  // Whatever the table has posted to itself is served before this returns.
  const auto settle = [] {
    bool served = false;
    QTimer::singleShot(0, [&] { served = true; });
    return ProcessEventsUntil([&] { return served; }, kDesktopWaitMs);
  };

  const struct {
    const char* name;
    int fromLine;  // the caret put there, then the key pressed in the view
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int caretLine;
    int row;
  } moves[] = {
      {"down onto the next number line", 3, Qt::Key_Down, {}, 4, 1},
      {"to the end", 4, Qt::Key_End, Qt::ControlModifier, kSubtitles * 4, kSubtitles - 1},
      {"to the start", kSubtitles * 4, Qt::Key_Home, Qt::ControlModifier, 0, 0},
      {"down onto a blank line in the middle", 118, Qt::Key_Down, {}, 119, 29},
  };
  for (const auto& move : moves) {
    SCOPED_TRACE(move.name);
    view->SetCaret({move.fromLine, 0});
    QTest::keyClick(view, move.key, move.modifiers);
    ASSERT_TRUE(settle());
    EXPECT_EQ(form.UserRichEdit->CaretLine(), move.caretLine);
    EXPECT_EQ(selected(), std::vector<int>{move.row});
    EXPECT_EQ(form.TableRows.SelectedRows(), std::vector<int>{move.row});
    EXPECT_TRUE(shown(move.row));
  }

  form.ContinueButtonClick();
  ASSERT_TRUE(settle());
  EXPECT_TRUE(selected().empty());
  EXPECT_TRUE(form.TableRows.SelectedRows().empty());
  EXPECT_TRUE(shown(kSubtitles - 1));
}

}  // namespace
}  // namespace titrelle
