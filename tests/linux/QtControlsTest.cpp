// The Qt controls, dialogs and hot keys one by one: what the program reads from them and what they tell it.

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QtTest/QTest>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DesktopDriver.h"
#include "base/Error.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtUserView.h"

namespace titrelle {
namespace {

const std::string kThreeChinese = "\xBC\xD7\xD2\xD2\xB1\xFB";  // 甲乙丙

class QtControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ws_ = std::make_unique<QtWindowSystem>(Options());
    WindowTable entry;
    entry.name = "TestForm";
    entry.caption = "Test";
    entry.width = 400;
    entry.height = 300;
    ControlEntry view;
    view.name = "View";
    view.kind = ControlKind::UserView;
    view.left = 10, view.top = 10, view.width = 200, view.height = 120;
    view.wordWrap = false;
    view.scrollBars = true;
    view.tabOrder = 0;
    ControlEntry edit;
    edit.name = "Edit";
    edit.kind = ControlKind::Edit;
    edit.left = 10, edit.top = 140, edit.width = 100, edit.height = 24;
    edit.tabOrder = 1;
    ControlEntry panel;
    panel.name = "Panel";
    panel.kind = ControlKind::Panel;
    panel.left = 10, panel.top = 170, panel.width = 100, panel.height = 28;
    ControlEntry box;
    box.name = "Box";
    box.kind = ControlKind::CheckBox;
    box.parent = "Panel";
    box.left = 2, box.top = 2, box.width = 60, box.height = 20;
    entry.controls = {view, edit, panel, box};
    window_ = std::make_unique<QtWindow>(*ws_, entry);
    view_ = &window_->FindUserView("View");
    window_->Show();
    ProcessEventsUntil([&] { return window_->Frame()->isActiveWindow(); }, kDesktopWaitMs);
    view_->OnChange = [this] { ++changes_; };
  }
  void TearDown() override {
    window_.reset();
    ws_.reset();
  }
  QtWindowSystemOptions Options() {
    QtWindowSystemOptions options;
    options.registryPath = (folder_.Path() / "registry").string();
    return options;
  }
  UserViewWidget* Editor() { return static_cast<QtUserView&>(window_->ControlNamed("View")).Editor(); }

  TestFolder folder_;
  std::unique_ptr<QtWindowSystem> ws_;
  std::unique_ptr<QtWindow> window_;
  UserViewControl* view_ = nullptr;
  int changes_ = 0;
};

TEST_F(QtControlsTest, UserViewCountsLinesAsAListingDoes) {
  struct Case {
    std::string text;
    int count;
    std::vector<std::string> lines;
    int breaks;
  };
  const std::vector<Case> cases = {
      {"", 0, {}, 0},
      {"a", 1, {"a"}, 0},
      {"a\r\n", 1, {"a"}, 1},
      {"a\r\nb", 2, {"a", "b"}, 1},
      {"a\r\n\r\n", 2, {"a", ""}, 2},
      {"\r\n" + kThreeChinese + "\r\nx\r\n", 3, {"", kThreeChinese, "x"}, 3},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    view_->SetListingText(test.text);
    EXPECT_EQ(view_->Count(), test.count);
    EXPECT_EQ(view_->BreakCount(), test.breaks);
    for (int i = 0; i < test.count; ++i) EXPECT_EQ(view_->Line(i), test.lines[i]);
    EXPECT_EQ(view_->Line(test.count), "");  // past the end reads empty
    EXPECT_EQ(view_->Text(), test.text);
  }
  EXPECT_EQ(changes_, static_cast<int>(cases.size()));  // one change for each setting
}

TEST_F(QtControlsTest, CaretColumnCountsCodePage936BytesFromTheSelectionStart) {
  view_->SetListingText("first\r\n" + kThreeChinese + "abc\r\nlast");
  view_->SetFocus();
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right})
    QTest::keyClick(Editor(), key);  // after 甲乙丙a
  EXPECT_EQ(view_->CaretLine(), 1);
  EXPECT_EQ(view_->CaretColumn(), 7);
  QTest::keyClick(Editor(), Qt::Key_Up, Qt::ShiftModifier);  // a selection from line 1 back into line 0
  EXPECT_EQ(view_->CaretLine(), 0);
  EXPECT_EQ(view_->SelectionEndLine(), 1);
  EXPECT_FALSE(view_->SelectionEmpty());
  EXPECT_GT(view_->CaretColumn(), 0);
  view_->CaretToEnd();
  EXPECT_EQ(view_->CaretLine(), 2);
  EXPECT_EQ(view_->CaretColumn(), 4);
  EXPECT_TRUE(view_->SelectionEmpty());
}

TEST_F(QtControlsTest, AddAppendsAsARichEditAndLeavesTheCaretAfterIt) {
  struct Case {
    std::string before;
    std::string after;
    int caretLine;
    int caretColumn;
  };
  const std::vector<Case> cases = {
      {"", "x\r\n", 1, 0},
      {"a\r\n", "a\r\nx\r\n", 2, 0},
      {"a", "a\r\nx", 1, 1},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.before);
    view_->SetListingText(test.before);
    Editor()->SetCaret({});
    changes_ = 0;
    view_->Add("x");
    EXPECT_EQ(view_->Text(), test.after);
    EXPECT_EQ(view_->CaretLine(), test.caretLine);
    EXPECT_EQ(view_->CaretColumn(), test.caretColumn);
    EXPECT_EQ(changes_, 1);
  }
}

TEST_F(QtControlsTest, UserViewKeysReachTheProgramBeforeAndAfterTheEditor) {
  view_->SetListingText("one\r\ntwo");
  view_->SetFocus();
  Editor()->SetCaret({0, 3});
  std::vector<std::string> events;
  view_->OnKeyDown = [&](KeyEvent& key) {
    events.push_back("down " + std::to_string(key.key) + " line " + view_->Line(0));
    if (key.key == vk::Return) key.swallowed = true;  // the program refuses line breaks
  };
  view_->OnKeyUp = [&](KeyEvent& key) {
    events.push_back("up " + std::to_string(key.key) + " line " + view_->Line(0));
  };
  view_->OnChange = [&] { events.push_back("change"); };
  QTest::keyClick(Editor(), Qt::Key_Return);
  QTest::keyClick(Editor(), Qt::Key_S);
  EXPECT_EQ(events, (std::vector<std::string>{"down 13 line one", "up 13 line one", "down 83 line one",
                                              "change", "up 83 line ones"}));
  EXPECT_EQ(view_->Text(), "ones\r\ntwo");
}

TEST_F(QtControlsTest, ReadOnlyUserViewRefusesEditsButMovesItsCaret) {
  view_->SetListingText("one\r\ntwo");
  view_->SetReadOnly(true);
  view_->SetFocus();
  Editor()->SetCaret({});
  QTest::keyClick(Editor(), Qt::Key_Down);
  QTest::keyClick(Editor(), Qt::Key_X);
  EXPECT_EQ(view_->CaretLine(), 1);
  EXPECT_EQ(view_->Text(), "one\r\ntwo");
  EXPECT_TRUE(view_->ReadOnly());
}

// The view's own editing, key by key: where the caret goes and what the lines become. 中 is two bytes.
TEST_F(QtControlsTest, UserViewKeysMoveTheCaretAndEditByCharacters) {
  const std::string start = "ab\xD6\xD0gh\r\nxyz\r\n";  // ab中gh, xyz and the empty piece after
  struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  };
  const Key shiftRight{Qt::Key_Right, Qt::ShiftModifier};
  const struct Case {
    const char* name;
    TextPosition caret;
    std::vector<Key> keys;
    std::string text;
    TextPosition after;
    bool readOnly = false;
  } cases[] = {
      {"right over a double-byte character",
       {0, 0},
       {{Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Right}},
       start,
       {0, 4}},
      {"left over it", {0, 4}, {{Qt::Key_Left}}, start, {0, 2}},
      {"right at a line's end", {0, 6}, {{Qt::Key_Right}}, start, {1, 0}},
      {"left at a line's start", {1, 0}, {{Qt::Key_Left}}, start, {0, 6}},
      {"end", {0, 1}, {{Qt::Key_End}}, start, {0, 6}},
      {"home", {0, 5}, {{Qt::Key_Home}}, start, {0, 0}},
      {"down from the start", {0, 0}, {{Qt::Key_Down}}, start, {1, 0}},
      {"down on the last line goes to its end", {1, 1}, {{Qt::Key_Down}, {Qt::Key_Down}}, start, {2, 0}},
      {"up on the first line goes to its start", {0, 3 - 1}, {{Qt::Key_Up}}, start, {0, 0}},
      {"ctrl+end", {0, 0}, {{Qt::Key_End, Qt::ControlModifier}}, start, {2, 0}},
      {"ctrl+home", {1, 2}, {{Qt::Key_Home, Qt::ControlModifier}}, start, {0, 0}},
      {"ctrl+right to the next word", {0, 0}, {{Qt::Key_Right, Qt::ControlModifier}}, start, {0, 2}},
      {"typing", {0, 2}, {{Qt::Key_X}}, "abx\xD6\xD0gh\r\nxyz\r\n", {0, 3}},
      {"backspace takes the whole character", {0, 4}, {{Qt::Key_Backspace}}, "abgh\r\nxyz\r\n", {0, 2}},
      {"delete takes the whole character", {0, 2}, {{Qt::Key_Delete}}, "abgh\r\nxyz\r\n", {0, 2}},
      {"enter splits the line", {0, 2}, {{Qt::Key_Return}}, "ab\r\n\xD6\xD0gh\r\nxyz\r\n", {1, 0}},
      {"shift+enter too",
       {0, 2},
       {{Qt::Key_Return, Qt::ShiftModifier}},
       "ab\r\n\xD6\xD0gh\r\nxyz\r\n",
       {1, 0}},
      {"backspace at a line's start joins it to the one above",
       {1, 0},
       {{Qt::Key_Backspace}},
       "ab\xD6\xD0ghxyz\r\n",
       {0, 6}},
      {"delete at a line's end joins the next", {0, 6}, {{Qt::Key_Delete}}, "ab\xD6\xD0ghxyz\r\n", {0, 6}},
      {"typing over a selection", {0, 1}, {shiftRight, shiftRight, {Qt::Key_Q}}, "aqgh\r\nxyz\r\n", {0, 2}},
      {"shift+ctrl+end and backspace",
       {0, 1},
       {{Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier}, {Qt::Key_Backspace}},
       "a",
       {0, 1}},
      {"ctrl+a and delete", {1, 1}, {{Qt::Key_A, Qt::ControlModifier}, {Qt::Key_Delete}}, "", {0, 0}},
      {"read-only: the caret moves, nothing is typed or erased",
       {0, 0},
       {{Qt::Key_X}, {Qt::Key_Delete}, {Qt::Key_Right}, {Qt::Key_Backspace}, {Qt::Key_Return}},
       start,
       {0, 1},
       true},
  };
  view_->SetFocus();
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    view_->SetListingText(start);
    view_->SetReadOnly(test.readOnly);
    Editor()->SetCaret(test.caret);
    changes_ = 0;
    for (const Key& key : test.keys) QTest::keyClick(Editor(), key.key, key.modifiers);
    EXPECT_EQ(view_->Text(), test.text);
    EXPECT_EQ(Editor()->Caret(), test.after);
    EXPECT_EQ(view_->BreakCount() + 1, Editor()->Lines().PieceCount());
    EXPECT_EQ(changes_ > 0, test.text != start);
  }
}

// The caret stays in sight: the view scrolls to it, by keys and by the program.
TEST_F(QtControlsTest, UserViewScrollsToItsCaret) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += std::to_string(i) + " " + std::string(i % 7 == 0 ? 400 : 3, 'w') + "\r\n";
  view_->SetListingText(text);
  view_->SetFocus();
  const QRect inside = Editor()->viewport()->rect();
  const auto caretInSight = [&] { return inside.contains(Editor()->CaretRect()); };
  view_->CaretToEnd();
  EXPECT_TRUE(caretInSight());
  EXPECT_GT(Editor()->verticalScrollBar()->value(), 150);
  QTest::keyClick(Editor(), Qt::Key_PageUp);
  EXPECT_TRUE(caretInSight());
  EXPECT_LT(view_->CaretLine(), 200);
  view_->CaretToLine(7);  // a long line: the view goes to its start
  EXPECT_TRUE(caretInSight());
  QTest::keyClick(Editor(), Qt::Key_End);
  EXPECT_TRUE(caretInSight());
  EXPECT_GT(Editor()->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(view_->CaretColumn(), 402);
  // A click lands on the character under the pointer.
  const QRect caret = Editor()->CaretRect();
  QTest::keyClick(Editor(), Qt::Key_Left);
  QTest::mouseClick(Editor()->viewport(), Qt::LeftButton, {}, caret.center() + QPoint(1, 0));
  EXPECT_EQ(view_->CaretLine(), 7);
  EXPECT_EQ(view_->CaretColumn(), 402);
  // A double click takes the word under the pointer.
  QTest::mouseDClick(Editor()->viewport(), Qt::LeftButton, {}, caret.center() - QPoint(20, 0));
  EXPECT_EQ(Editor()->Anchor(), (TextPosition{7, 2}));
  EXPECT_EQ(Editor()->Caret(), (TextPosition{7, 402}));
}

// An input method composes in the view and commits into it; what it is told of the text is the caret's line.
TEST_F(QtControlsTest, UserViewTakesWhatAnInputMethodCommits) {
  view_->SetListingText("ab\r\ncq");
  view_->SetFocus();
  Editor()->SetCaret({1, 1});
  QInputMethodEvent composing(QString::fromUtf8("zhong"), {});
  QApplication::sendEvent(Editor(), &composing);
  EXPECT_EQ(view_->Text(), "ab\r\ncq");
  QInputMethodEvent committed;
  committed.setCommitString(QString::fromUtf8("\u4E2D\u6587"));  // 中文
  QApplication::sendEvent(Editor(), &committed);
  EXPECT_EQ(view_->Line(1), "c\xD6\xD0\xCE\xC4q");
  EXPECT_EQ(view_->CaretColumn(), 5);
  EXPECT_EQ(Editor()->inputMethodQuery(Qt::ImSurroundingText).toString(),
            QString::fromUtf8("c\u4E2D\u6587q"));
  EXPECT_EQ(Editor()->inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);
  EXPECT_TRUE(Editor()->inputMethodQuery(Qt::ImEnabled).toBool());
  view_->SetReadOnly(true);
  EXPECT_FALSE(Editor()->inputMethodQuery(Qt::ImEnabled).toBool());
  QApplication::sendEvent(Editor(), &committed);
  EXPECT_EQ(view_->Line(1), "c\xD6\xD0\xCE\xC4q");
}

TEST_F(QtControlsTest, UserViewCopiesCutsAndPastesThroughTheClipboard) {
  view_->SetListingText("ak\xD6\xD0gh\r\nxyz");
  view_->SetFocus();
  Editor()->SetCaret({0, 1});
  QTest::keyClick(Editor(), Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(Editor(), Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(Editor(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("k\u4E2D"));
  QTest::keyClick(Editor(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(view_->Line(0), "agh");
  QTest::keyClick(Editor(), Qt::Key_End);
  QTest::keyClick(Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(view_->Line(0), "aghk\xD6\xD0");
  QTest::keyClick(Editor(), Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(view_->Line(0), "aghk\xD6\xD0k\xD6\xD0");
  // Across lines: the breaks are the clipboard's own; pasted back, they are the view's.
  QTest::keyClick(Editor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Editor(), Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("aghk\u4E2Dk\u4E2D\nxyz"));
  QApplication::clipboard()->setText("1\r\n2");
  QTest::keyClick(Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(view_->Text(), "1\r\n2");
  view_->SetReadOnly(true);
  QTest::keyClick(Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(view_->Text(), "1\r\n2");
}

TEST_F(QtControlsTest, KeyPressHandlerFiltersTypedCharactersOnly) {
  Control& edit = window_->Find("Edit");
  edit.OnKeyPress = [](KeyPressEvent& press) {
    const char c = press.character;
    if (!(c == 8 || c == 13 || c == '.' || (c >= '0' && c <= '9'))) press.character = 0;
  };
  edit.SetFocus();
  QWidget* widget = window_->ControlNamed("Edit").Widget();
  QTest::keyClicks(widget, "1a.2- 3");
  EXPECT_EQ(edit.Text(), "1.23");
  QTest::keyClick(widget, Qt::Key_Backspace);
  EXPECT_EQ(edit.Text(), "1.2");
  // A Chinese character reaches the filter as its two bytes and is dropped whole, from a key or an input
  // method.
  QKeyEvent chinese(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u4E8C"));
  QApplication::sendEvent(widget, &chinese);
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("4\u4E8C"));
  QApplication::sendEvent(widget, &commit);
  EXPECT_EQ(edit.Text(), "1.24");
  QTest::keyClick(widget, Qt::Key_Backspace);
  edit.SetText("99");  // text set by the program is not filtered
  EXPECT_EQ(edit.Text(), "99");
  QTest::keyClicks(widget, "5");  // typing after a set text goes on at its end
  EXPECT_EQ(edit.Text(), "995");
}

// A single-line edit box holds one line whatever reaches it: the line typed into the input box becomes one
// line of both views, and a break inside it would split one view's line and not the other's.
TEST_F(QtControlsTest, PastedLineBreaksBecomeSpacesAndTypingGoesOnAtTheCaret) {
  Control& edit = window_->Find("Edit");
  edit.SetFocus();
  QWidget* widget = window_->ControlNamed("Edit").Widget();
  struct Case {
    const char* clipboard;
    std::string text;
  } cases[] = {
      {"cd\nef", "abcd efZ"},
      {"cd\r\nef", "abcd efZ"},
      {"cd\ref\r\n", "abcd ef Z"},
      {"\xE4\xB8\xAD\n", "ab\xD6\xD0 Z"},  // 中
  };
  for (const Case& c : cases) {
    edit.SetText("ab");
    QApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(widget, "Z");
    EXPECT_EQ(edit.Text(), c.text) << c.clipboard;
  }
}

// A character code page 936 cannot hold never reaches a text control, pasted, typed or committed by an input
// method: the rest of the text does, and the program is told.
TEST_F(QtControlsTest, CharactersCodePage936CannotHoldAreRefusedWhereverTheyArrive) {
  const auto paste = [](const char* clipboard) {
    return [clipboard](QWidget* widget) {
      QApplication::clipboard()->setText(QString::fromUtf8(clipboard));
      QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
    };
  };
  const auto key = [](const char* text) {
    return [text](QWidget* widget) {
      QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(text));
      QApplication::sendEvent(widget, &typed);
    };
  };
  const auto commit = [](const char* text) {
    return [text](QWidget* widget) {
      QInputMethodEvent committed;
      committed.setCommitString(QString::fromUtf8(text));
      QApplication::sendEvent(widget, &committed);
    };
  };
  const struct {
    const char* control;
    std::function<void(QWidget*)> act;
    std::string text;
    int refused;
  } cases[] = {
      {"Edit", paste("a\U0001F600b"), "ab", 1},
      {"View", paste("a\U0001F600b"), "ab", 1},
      {"View", paste("a?\u4E2D"), "a?\xD6\xD0", 0},  // a question mark of the user's own, and 中
      {"Edit", key("\uD55C"), "", 1},                  // 한
      {"View", key("\U0001F600"), "", 1},
      {"Edit", commit("\U00020000x"), "x", 1},  // 𠀀
      {"View", commit("\uD55C\uAD6D\u4E2D"), "\xD6\xD0", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.control) + ": " + c.text);
    Control& control = window_->Find(c.control);
    control.SetText("");
    control.SetFocus();
    int refused = 0;
    control.OnCharactersRefused = [&] { ++refused; };
    c.act(window_->ControlNamed(c.control).Widget());
    EXPECT_EQ(control.Text(), c.text);
    EXPECT_EQ(refused, c.refused);
    control.OnCharactersRefused = nullptr;
  }
}

TEST_F(QtControlsTest, CheckBoxTellsEveryChangeOfItsTickAsAClick) {
  Control& box = window_->Find("Box");
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(true);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(window_->ControlNamed("Box").Widget(), Qt::LeftButton, {}, QPoint(6, 10));
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(box.Checked());
}

TEST_F(QtControlsTest, FocusingAHiddenOrDisabledControlFails) {
  Control& panel = window_->Find("Panel");
  Control& box = window_->Find("Box");
  panel.SetVisible(false);
  EXPECT_TRUE(box.Visible());  // its own flag: only not showing
  try {
    box.SetFocus();
    FAIL() << "focused a control inside a hidden panel";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Cannot focus a disabled or invisible window");
  }
  panel.SetVisible(true);
  box.SetEnabled(false);
  EXPECT_THROW(box.SetFocus(), Error);
  box.SetEnabled(true);
  box.SetFocus();
  EXPECT_TRUE(box.Focused());
}

struct BoxAnswer {
  const char* name;
  std::function<void(QWidget*)> answer;
  int expected;
};

TEST_F(QtControlsTest, QuestionBoxAnswersAsItsRequestGivesIt) {
  const std::vector<BoxAnswer> answers = {
      {"Enter presses the default button",
       [](QWidget*) {
         XdotoolInBackground({"key", "Return"});
       },
       0},
      {"Escape answers the escape button",
       [](QWidget*) {
         XdotoolInBackground({"key", "Escape"});
       },
       1},
      {"the accelerator letter",
       [](QWidget*) {
         XdotoolInBackground({"key", "alt+n"});
       },
       1},
      {"closing answers the escape button", [](QWidget* box) { box->close(); }, 1},
  };
  MessageBoxRequest entry;
  entry.caption = "Information";
  entry.text = kThreeChinese;
  entry.buttons = {"&Yes", "&No"};
  entry.defaultButton = 0;
  entry.escapeButton = 1;
  for (const BoxAnswer& answer : answers) {
    SCOPED_TRACE(answer.name);
    ModalAnswers modal;
    QString text;
    modal.Add([](QWidget* box) { return qobject_cast<QMessageBox*>(box) != nullptr; },
              [&](QWidget* box) {
                text = static_cast<QMessageBox*>(box)->text();
                answer.answer(box);
              });
    EXPECT_EQ(ws_->ShowMessageBox(entry), answer.expected);
    EXPECT_EQ(text, QString::fromUtf8("甲乙丙"));
    ASSERT_EQ(modal.seen.size(), 1u);
    EXPECT_EQ(modal.seen[0], "Information");
  }
}

TEST_F(QtControlsTest, AnErrorAHandlerLetsOutBecomesTheErrorReportAndTheProgramGoesOn) {
  ws_->SetApplicationTitle("Titrelle");
  Control& panel = window_->Find("Panel");
  int clicks = 0;
  panel.OnClick = [&] {
    ++clicks;
    throw Error("Cannot open the file");
  };
  ModalAnswers modal;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  modal.Add([](QWidget* box) { return qobject_cast<QMessageBox*>(box) != nullptr; },
            [&](QWidget* box) {
              text = static_cast<QMessageBox*>(box)->text();
              icon = static_cast<QMessageBox*>(box)->icon();
              XdotoolInBackground({"key", "Return"});
            });
  QTest::mouseClick(window_->ControlNamed("Panel").Widget(), Qt::LeftButton, {}, QPoint(80, 14));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(modal.AllGiven());
  EXPECT_EQ(text, "Cannot open the file.");
  EXPECT_EQ(icon, QMessageBox::Critical);
  ASSERT_EQ(modal.seen.size(), 1u);
  EXPECT_EQ(modal.seen[0], "Titrelle");
}

TEST_F(QtControlsTest, AKeyWhoseHandlerFailsIsNotActedOn) {
  view_->SetListingText("one");
  view_->SetFocus();
  view_->CaretToEnd();
  view_->OnKeyDown = [](KeyEvent& key) {
    if (key.key == 'X') throw Error("no");
  };
  ModalAnswers modal;
  modal.Add([](QWidget* box) { return qobject_cast<QMessageBox*>(box) != nullptr; },
            [](QWidget* box) { static_cast<QMessageBox*>(box)->close(); });
  QTest::keyClick(Editor(), Qt::Key_X);
  QTest::keyClick(Editor(), Qt::Key_Y);
  EXPECT_TRUE(modal.AllGiven());
  EXPECT_EQ(view_->Text(), "oney");
}

// Mended: a typed name with quotes came back as the piece between them, in the working folder.
TEST_F(QtControlsTest, OpenDialogTakesATypedNameAsItStandsAndCancelGivesNothing) {
  const std::filesystem::path missing = folder_.Path() / "not-here.avi";
  const std::filesystem::path quoted = folder_.Path() / "it's \"q\" $x.mp4";
  std::ofstream(quoted) << "";
  for (const std::filesystem::path& typed : {missing, quoted}) {
    ModalAnswers modal;
    modal.Add([](QWidget* dialog) { return qobject_cast<QFileDialog*>(dialog) != nullptr; },
              [&](QWidget*) {
                XdotoolInBackground(
                    {"type", "--args", "1", QString::fromStdString(typed.string()), "key", "Return"});
              });
    EXPECT_EQ(ws_->ChooseFileToOpen(), std::optional<std::filesystem::path>(typed));
  }
  // A relative name is taken in the folder the dialog shows.
  std::optional<std::filesystem::path> expected;
  ModalAnswers modal;
  modal.Add(
      [](QWidget* dialog) { return qobject_cast<QFileDialog*>(dialog) != nullptr; },
      [&](QWidget* dialog) {
        expected = std::filesystem::path(
            static_cast<QFileDialog*>(dialog)->directory().absoluteFilePath("it's \"q\".mp4").toStdString());
        XdotoolInBackground({"type", "--args", "1", "it's \"q\".mp4", "key", "Return"});
      });
  EXPECT_EQ(ws_->ChooseFileToOpen(), expected);
  modal.Add([](QWidget* dialog) { return qobject_cast<QFileDialog*>(dialog) != nullptr; },
            [](QWidget*) {
              XdotoolInBackground({"key", "Escape"});
            });
  EXPECT_EQ(ws_->ChooseFileToOpen(), std::nullopt);
  EXPECT_TRUE(modal.AllGiven());
}

TEST_F(QtControlsTest, ATickStillShowingItsErrorReportIsNotStartedAgain) {
  int ticks = 0;
  bool nested = false;
  ModalAnswers modal;
  modal.Add([](QWidget* box) { return qobject_cast<QMessageBox*>(box) != nullptr; },
            [&](QWidget* box) {
              // The clock goes on ticking inside the report's loop; no second report may open over it.
              const int before = ticks;
              ProcessEventsFor(50);
              nested = QApplication::activeModalWidget() != box || ticks != before;
              static_cast<QMessageBox*>(box)->close();
            });
  std::unique_ptr<Timer> timer = ws_->StartTimer(1, [&] {
    ++ticks;
    if (ticks == 1) throw Error("tick");
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return modal.AllGiven() && ticks > 3; }, kDesktopWaitMs));
  EXPECT_FALSE(nested);
}

// The clock sets its label on every tick, far faster than a screen shows it: the program reads back what it
// set at once, and the label on the screen ends with the newest caption, sized to it.
TEST_F(QtControlsTest, ALabelSetEveryTickShowsItsNewestCaption) {
  WindowTable entry;
  entry.name = "ClockForm";
  entry.caption = "Clock";
  entry.width = 300;
  entry.height = 100;
  ControlEntry label;
  label.name = "Clock";
  label.kind = ControlKind::Label;
  label.left = 10, label.top = 10, label.width = 0, label.height = 0;  // sized to its caption
  label.text = "00:00";
  entry.controls = {label};
  QtWindow window(*ws_, entry);
  window.Show();
  Control& clock = window.ControlNamed("Clock");
  auto* widget = static_cast<QLabel*>(window.ControlNamed("Clock").Widget());
  EXPECT_EQ(widget->text(), "00:00");

  std::string caption;
  int tick = 0;
  std::unique_ptr<Timer> timer = ws_->StartTimer(1, [&] {
    caption = "00:01:" + std::to_string(100 + tick++ % 900) + " " + kThreeChinese;
    clock.SetText(caption);
    EXPECT_EQ(clock.Text(), caption);
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return tick >= 100; }, kDesktopWaitMs));
  timer.reset();
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return widget->text() == QStringFromCp936(caption); }, kDesktopWaitMs));
  EXPECT_GE(widget->width(), widget->fontMetrics().horizontalAdvance(widget->text()));
  EXPECT_EQ(widget->size(), widget->sizeHint());

  // A caption set after a quiet spell reaches the screen at once, the label sized to it again: a caption
  // that differs from the last in more than its digits is measured anew.
  for (const char* next : {"\xCD\xA3", "12:34:56:789", "98:76:54:321", "98:76:54:321 \xCD\xA3"}) {  // 停
    ProcessEventsFor(100);
    clock.SetText(next);
    EXPECT_EQ(widget->text(), QStringFromCp936(next));
    EXPECT_EQ(widget->size(), widget->sizeHint()) << next;
  }
  // Set once a screen frame, as with every frame of a video as fast as the screen: each caption is shown.
  for (const char* next : {"00:00:00:017", "00:00:00:033", "00:00:00:050"}) {
    std::this_thread::sleep_for(ScreenFrameInterval());
    clock.SetText(next);
    EXPECT_EQ(widget->text(), QStringFromCp936(next));
  }
}

// The position clock set for the next frame rings with the player's next frame, inside that frame's event
// (its label goes out with the frame's paint), and only then: a ring set for a time, or none, is not the
// frames'. Without frames it still rings, a little after a frame's time; frames that come set the interval.
TEST_F(QtControlsTest, TheClockSetForTheNextFrameRingsWithThePlayersFrame) {
  int rings = 0;
  std::unique_ptr<WakeUpTimer> clock = ws_->CreateWakeUpTimer([&] { ++rings; });
  const auto screenFrame = clock->FrameInterval();
  clock->WakeAtNextFrame();
  ws_->FrameShown();
  EXPECT_EQ(rings, 1);
  ws_->FrameShown();  // rung once: the next frame is not awaited until set again
  clock->WakeAfter(std::chrono::hours(1));
  ws_->FrameShown();
  clock->Sleep();
  ws_->FrameShown();
  EXPECT_EQ(rings, 1);

  // Frames 40 ms or more apart: the clock's frame is theirs.
  for (int frame = 0; frame < 4; ++frame) {
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return since.elapsed() >= 40; }, kDesktopWaitMs));
    ws_->FrameShown();
  }
  EXPECT_GE(clock->FrameInterval(), std::chrono::milliseconds(35));
  EXPECT_GE(clock->FrameInterval(), screenFrame);

  // No frame comes (a sound without a picture): it rings all the same.
  clock->WakeAtNextFrame();
  ASSERT_TRUE(ProcessEventsUntil([&] { return rings == 2; }, kDesktopWaitMs));
  // A timer that is gone is not rung.
  clock->WakeAtNextFrame();
  clock.reset();
  ws_->FrameShown();
  EXPECT_EQ(rings, 2);
}

TEST(FontFamiliesTest, ScreenFontsAreNamedOnceEachWithoutTheirFoundry) {
  TestApplication();
  TestFolder folder;
  QtWindowSystemOptions options;
  options.registryPath = (folder.Path() / "registry").string();
  QtWindowSystem ws(options);
  const std::vector<std::string> families = ws.ScreenFontFamilies();
  ASSERT_FALSE(families.empty());
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
  for (const std::string& family : families) EXPECT_EQ(family.find('['), std::string::npos) << family;
  // The Chinese face the program depends on is among them.
  EXPECT_NE(std::find(families.begin(), families.end(), "WenQuanYi Micro Hei"), families.end());
}

// Another X client holding keys, as another program does. It owns a window too, so that its going can be
// seen: the server destroys the window when it closes the client, in the same pass that frees its grabs.
class OtherClient {
 public:
  OtherClient() : connection_(xcb_connect(nullptr, nullptr)), watcher_(xcb_connect(nullptr, nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    root_ = screen->root;
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(xcb_request_check(
        watcher_, xcb_change_window_attributes_checked(watcher_, window_, XCB_CW_EVENT_MASK, &events)));
  }
  ~OtherClient() {
    if (connection_) xcb_disconnect(connection_);
    xcb_disconnect(watcher_);
  }
  bool Grab(std::uint32_t keysym) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    xcb_generic_error_t* error = xcb_request_check(
        connection_,
        xcb_grab_key_checked(connection_, 0, root_, 0, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return code != 0 && error == nullptr;
  }
  // Closes the connection and waits for the server's word that the client is gone: its window destroyed.
  // The server handles one client at a time, so every request sent after that word finds the grabs gone.
  bool DisconnectAndWaitUntilGone() {
    xcb_disconnect(std::exchange(connection_, nullptr));
    while (xcb_generic_event_t* event = xcb_wait_for_event(watcher_)) {
      const bool destroyed = (event->response_type & 0x7F) == XCB_DESTROY_NOTIFY &&
                             reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window_;
      std::free(event);
      if (destroyed) return true;
    }
    return false;  // the watcher's own connection broke
  }

 private:
  xcb_connection_t* connection_;
  xcb_connection_t* watcher_;
  xcb_window_t root_ = 0;
  xcb_window_t window_ = 0;
};

TEST(X11HotKeysTest, AKeyAnotherClientHoldsIsNotRegisteredAndTheOthersWorkWithCapsLockOn) {
  TestApplication();
  TestFolder folder;
  QtWindowSystemOptions options;
  options.registryPath = (folder.Path() / "registry").string();
  QtWindowSystem ws(options);
  X11HotKeys& keys = ws.X11HotKeySystem();
  ASSERT_TRUE(keys.SystemWide());
  std::vector<int> delivered;
  keys.OnHotKey = [&](int id) { delivered.push_back(id); };
  OtherClient other;
  ASSERT_TRUE(other.Grab(0xFFC6));  // F9
  EXPECT_FALSE(keys.RegisterHotKey(1, 0, vk::F9));
  EXPECT_TRUE(keys.RegisterHotKey(2, 0, vk::F10));
  EXPECT_FALSE(keys.RegisterHotKey(3, 0, vk::F10));  // held already, by this program
  // The other client is gone, and its grab with it.
  ASSERT_TRUE(other.DisconnectAndWaitUntilGone());
  EXPECT_TRUE(keys.RegisterHotKey(1, 0, vk::F9));
  ASSERT_TRUE(Xdotool({"key", "Caps_Lock", "F10", "Caps_Lock", "F9"}));
  EXPECT_TRUE(ProcessEventsUntil([&] { return delivered.size() >= 2; }, kDesktopWaitMs));
  EXPECT_EQ(delivered, (std::vector<int>{2, 1}));
  EXPECT_TRUE(keys.UnregisterHotKey(2));
  EXPECT_FALSE(keys.UnregisterHotKey(2));
}

TEST(X11HotKeysTest, GlobalAtomsAreCountedAndTheLocalTableIsEmpty) {
  TestApplication();
  TestFolder folder;
  QtWindowSystemOptions options;
  options.registryPath = (folder.Path() / "registry").string();
  QtWindowSystem first(options);
  QtWindowSystem second(options);
  HotKeys& a = first.HotKeySystem();
  HotKeys& b = second.HotKeySystem();
  EXPECT_EQ(a.FindAtom("MrvHotKeyLeft"), 0);
  const std::uint16_t atom = a.GlobalAddAtom("MrvHotKeyLeft");
  EXPECT_GE(atom, 0xC000);
  EXPECT_EQ(b.GlobalAddAtom("mrvhotkeyleft"), atom);  // names are compared without regard to case
  EXPECT_NE(a.GlobalAddAtom("MrvHotKeyRight"), atom);
  EXPECT_EQ(X11HotKeys::AtomReferenceCount("MrvHotKeyLeft"), 2);
  a.GlobalDeleteAtom(atom);
  EXPECT_EQ(X11HotKeys::AtomReferenceCount("MrvHotKeyLeft"), 1);
  b.GlobalDeleteAtom(atom);
  EXPECT_EQ(X11HotKeys::AtomReferenceCount("MrvHotKeyLeft"), 0);
  EXPECT_EQ(a.FindAtom("MrvHotKeyLeft"), 0);
  a.GlobalDeleteAtom(a.GlobalAddAtom("MrvHotKeyRight"));
  EXPECT_EQ(X11HotKeys::AtomReferenceCount("MrvHotKeyRight"), 1);
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// Without an X11 connection (the offscreen platform here, Wayland elsewhere) the keys are shortcuts of the
// program's own windows. The platform is chosen once per process: under X the test runs itself again in a
// process of its own on the offscreen platform.
TEST(ShortcutFallbackTest, WithoutX11TheKeysAreShortcutsOfTheProgramsWindows) {
  TestApplication();
  if (QGuiApplication::platformName() != "offscreen") {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ShortcutFallbackTest.*"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    return;
  }
  TestFolder folder;
  QtWindowSystemOptions options;
  options.registryPath = (folder.Path() / "registry").string();
  QtWindowSystem ws(options);
  X11HotKeys& keys = ws.X11HotKeySystem();
  EXPECT_FALSE(keys.SystemWide());
  std::vector<int> delivered;
  keys.OnHotKey = [&](int id) { delivered.push_back(id); };
  ASSERT_TRUE(keys.RegisterHotKey(7, 0, vk::F9));
  EXPECT_FALSE(keys.RegisterHotKey(8, 0, vk::F9));

  QLineEdit edit;
  edit.show();
  edit.setFocus();
  QTest::keyClick(&edit, Qt::Key_F8);
  QTest::keyClick(&edit, Qt::Key_F9);
  QTest::keyClick(&edit, Qt::Key_F9, Qt::ShiftModifier);  // another key: Shift+F9 is not registered
  // A caught key is posted to the program: every posted event delivered, every key has been told.
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(delivered, std::vector<int>{7});
  EXPECT_TRUE(keys.UnregisterHotKey(7));
  QTest::keyClick(&edit, Qt::Key_F9);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(delivered, std::vector<int>{7});
}

}  // namespace
}  // namespace titrelle
