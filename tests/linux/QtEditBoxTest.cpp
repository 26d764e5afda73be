// A single-line edit box holds one line whatever reaches it: the line typed into the input box becomes one
// line of both views, and a break inside it would split one view's line and not the other's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QtTest/QTest>
#include <memory>
#include <string>

#include "DesktopDriver.h"

namespace titrelle {
namespace {

TEST(QtEditBoxTest, PastedLineBreaksBecomeSpacesAndTypingGoesOnAtTheCaret) {
  TestApplication();
  TestFolder folder;
  QtWindowSystemOptions options;
  options.registryPath = (folder.Path() / "registry").string();
  QtWindowSystem ws(options);
  WindowTable table;
  table.name = "TestForm";
  table.caption = "Test";
  table.width = 300;
  table.height = 120;
  ControlEntry entry;
  entry.name = "Edit";
  entry.kind = ControlKind::Edit;
  entry.left = 10, entry.top = 10, entry.width = 200, entry.height = 24;
  entry.tabOrder = 0;
  table.controls = {entry};
  QtWindow window(ws, table);
  window.Show();
  ProcessEventsUntil([&] { return window.Frame()->isActiveWindow(); }, kDesktopWaitMs);
  Control& edit = window.Find("Edit");
  edit.SetFocus();
  QWidget* widget = window.ControlNamed("Edit").Widget();

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

}  // namespace
}  // namespace titrelle
