// The subtitle table on the workbench of the desktop program: it follows the lines as they are committed,
// undone and deleted, and a row chosen in it puts the user view's caret on that line.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QtTest/QTest>
#include <string>

#include "DesktopDriver.h"
#include "platforms/linux/SubtitleTable.h"
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

}  // namespace
}  // namespace titrelle
