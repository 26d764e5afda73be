// The style as the user meets it: the start-up load, the font options dialog, restyling the open document.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Scenario.h"
#include "style/FontOptionUnit.h"
#include "style/StyleStrings.h"

namespace titrelle {
namespace {

using Writes = std::vector<std::pair<std::string, std::string>>;

const std::string kHeiti = ScenarioWorld::Gbk("黑体");
const std::string kSongti = ScenarioWorld::Gbk("宋体");

// The values a first start leaves behind.
const Writes kDefaultValues = {{"srtFontColorD", "#FFFFFF"}, {"srtFontNameD", kHeiti}, {"srtFontSizeD", "18"},
                               {"srtFontPosLD", ""},         {"srtFontPosUD", ""},     {"srtDefault", "1"},
                               {"srtBord", "bord0"},         {"srtShad", "Shad3"}};

class StyleScenario : public Scenario {
 protected:
  explicit StyleScenario(bool start = true) : Scenario(false) {
    ws.fontFamilies = {"Zeta", kSongti, "arial", kHeiti};
    if (start) Start();
  }

  TFontOptionForm& Dialog() { return *Form().FontOptionForm; }
  HeadlessWindow& DialogWindow() { return dynamic_cast<HeadlessWindow&>(*Dialog().Form); }
  HeadlessControl& Field(const std::string& name) { return DialogWindow().Get(name); }
  void OpenFontDialog() { ASSERT_TRUE(Control("BitBtn1").Click()); }

  void OpenNewDocument() {
    OpenVideo("movie.avi");
    WaitUntilOpened();
  }
  void CommitLine(const std::string& text) {
    PressF9();
    WaitMs(700);
    PressF10();
    TypeInInput(text);
    PressEnter();
  }
  std::string FileViewLine(int index) { return Form().Document.TempRichEdit.Line(index); }

  // Custom mode with every field chosen the way the user does it: colour #123456, 宋体, size 24, at 120, 40.
  void ChooseCustomStyle() {
    if (Field("CheckBoxDefault").Checked()) {
      ASSERT_TRUE(Field("CheckBoxDefault").Click());
    }
    ws.colorAnswers.push_back(0x563412);
    ASSERT_TRUE(Field("PanelColor").Click());
    ASSERT_TRUE(Field("PanelName").Click());
    const auto& names = Field("FontNameComboBox");
    int songti = -1;
    for (int i = 0; i < names.ItemCount(); ++i) songti = names.Item(i) == kSongti ? i : songti;
    ASSERT_TRUE(Field("FontNameComboBox").SelectItem(songti));
    ASSERT_TRUE(Field("PanelSize").Click());
    ASSERT_TRUE(Field("FontSizeComboBox").SelectItem(23));
    Field("Edit1").SetText("");
    ASSERT_TRUE(Field("Edit1").Type("120"));
    Field("Edit2").SetText("");
    ASSERT_TRUE(Field("Edit2").Type("40"));
  }
  const std::string kCustomPrefix = "<font color=#123456>{\\fn" + kSongti + "\\fs24\\pos(120,40)\\}";
};

TEST_F(StyleScenario, FirstStartWritesTheDefaultsAndPutsTheDefaultStyleInForce) {
  EXPECT_EQ(ws.registry.writes, kDefaultValues);
  EXPECT_EQ(ws.registry.openKeys, 0);
  EXPECT_EQ(Form().StylePart1(), DefaultStylePart1);
  EXPECT_EQ(Form().StylePart2(), "<b>");
  EXPECT_TRUE(ErrorReports().empty());

  OpenNewDocument();
  CommitLine("Hello");
  EXPECT_EQ(FileViewLine(2), DefaultLinePrefix + "Hello</b>");
}

class StyleFromEarlierRun : public StyleScenario {
 protected:
  StyleFromEarlierRun() : StyleScenario(false) {
    for (const auto& [name, text] : kDefaultValues) ws.registry.SetText(name, text);
  }
};

TEST_F(StyleFromEarlierRun, ACustomStyleSavedBeforeStillStartsInTheDefaultStyle) {
  ws.registry.SetText("srtDefault", "0");
  ws.registry.SetText("srtFontColor", "#00FF00");
  Start();
  EXPECT_TRUE(ws.registry.writes.empty());
  EXPECT_EQ(Form().StylePart1() + Form().StylePart2(), DefaultLinePrefix);

  OpenFontDialog();
  EXPECT_TRUE(Field("CheckBoxDefault").Checked());
  EXPECT_FALSE(Field("Panel2").Enabled());
  EXPECT_EQ(Field("PanelColor").Text(), "#FFFFFF");
  EXPECT_EQ(Field("PanelColor").Color(), 0xFFFFFFu);
  EXPECT_EQ(Field("PanelName").Text(), kHeiti);
  EXPECT_EQ(Field("PanelSize").Text(), "18");
  EXPECT_EQ(Field("Edit1").Text(), "");
  EXPECT_EQ(Field("Edit2").Text(), "");
}

TEST_F(StyleFromEarlierRun, AnEmptyFlagWritesTheDefaultsAgain) {
  ws.registry.SetText("srtDefault", "");
  Start();
  EXPECT_EQ(ws.registry.writes, kDefaultValues);
}

// The mend: a start-up load that fails still leaves the default style in force, and says why.
TEST_F(StyleFromEarlierRun, AFailingStartUpLoadReportsAndStillPutsTheDefaultStyleInForce) {
  struct Case {
    const char* what;
    std::function<void(MemoryRegistry&)> damage;
    std::string report;
  };
  const std::vector<Case> cases = {
      {"colour default deleted", [](MemoryRegistry& r) { r.Erase("srtFontColorD"); },
       "'$' is not a valid integer value."},
      {"colour default not hex", [](MemoryRegistry& r) { r.SetText("srtFontColorD", "#GG0000"); },
       "'$GG' is not a valid integer value."},
      {"flag not a text", [](MemoryRegistry& r) { r.SetNonText("srtDefault"); },
       "Invalid data type for 'srtDefault'"},
      {"store unreachable on a first start",
       [](MemoryRegistry& r) {
         r.Erase("srtDefault");
         r.keyMissing = true;
       },
       "Failed to set data for 'srtFontColorD'"},
  };
  for (const Case& c : cases) {
    ScenarioWorld world(false);
    for (const auto& [name, text] : kDefaultValues) world.ws.registry.SetText(name, text);
    c.damage(world.ws.registry);
    world.Start();
    EXPECT_EQ(world.ErrorReports(), std::vector<std::string>{c.report}) << c.what;
    EXPECT_EQ(world.Form().StylePart1(), DefaultStylePart1) << c.what;
    EXPECT_EQ(world.Form().StylePart2(), DefaultStylePart2) << c.what;
    EXPECT_TRUE(world.Window().Visible()) << c.what;
  }
  // And the lines written afterwards carry the whole default markup.
  ws.registry.Erase("srtFontColorD");
  Start();
  OpenNewDocument();
  CommitLine("Hello");
  EXPECT_EQ(FileViewLine(2), DefaultLinePrefix + "Hello</b>");
}

TEST_F(StyleScenario, UntickingOnAFirstRunOffersTheDefaultsAtTheUsualPlace) {
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  EXPECT_FALSE(Field("CheckBoxDefault").Checked());
  EXPECT_TRUE(Field("Panel2").Enabled());
  EXPECT_EQ(Field("PanelColor").Text(), "#FFFFFF");
  EXPECT_EQ(Field("PanelName").Text(), kHeiti);
  EXPECT_EQ(Field("PanelSize").Text(), "18");
  EXPECT_EQ(Field("Edit1").Text(), "190");
  EXPECT_EQ(Field("Edit2").Text(), "270");
}

TEST_F(StyleScenario, UntickingAfterACustomSaveOffersItsColourFontAndSizeButNotItsPlace) {
  OpenFontDialog();
  ChooseCustomStyle();
  ASSERT_TRUE(Field("SaveButton").Click());
  EXPECT_EQ(ws.registry.Text("srtFontPosL"), "120");
  EXPECT_EQ(ws.registry.Text("srtFontPosU"), "40");

  OpenFontDialog();
  EXPECT_TRUE(Field("CheckBoxDefault").Checked()) << "an empty document opens in default mode";
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  EXPECT_EQ(Field("PanelColor").Text(), "#123456");
  EXPECT_EQ(Field("PanelColor").Color(), 0x563412u);
  EXPECT_EQ(Field("PanelName").Text(), kSongti);
  EXPECT_EQ(Field("PanelSize").Text(), "24");
  EXPECT_EQ(Field("Edit1").Text(), "190");
  EXPECT_EQ(Field("Edit2").Text(), "270");
}

// A stored colour the dialog cannot read is reported with its value's name and the settings file's.
TEST_F(StyleScenario, ADamagedStoredColourNamesItsValueAndWhereItIsKept) {
  ws.registry.location = "/home/u/.config/titrelle/registry";
  ws.registry.SetText("srtFontColorD", "#GG0000");
  OpenFontDialog();
  EXPECT_EQ(
      ErrorReports(),
      std::vector<std::string>{
          "'$GG' is not a valid integer value (srtFontColorD in \"/home/u/.config/titrelle/registry\")"});
  EXPECT_TRUE(DialogWindow().Visible());
}

TEST_F(StyleScenario, AResumedCustomDocumentFillsTheDialog) {
  WriteFile("movie.srt", "1\r\n00:00:01:000 --> 00:00:02:000\r\n<font color=#FF0000>{\\fn" + kSongti +
                             "\\fs8\\pos(5,1000)\\}Hello\r\n\r\n");
  OpenVideo("movie.avi", kYes);
  ASSERT_EQ(Form().Document.OmitClosingTag, 1);
  OpenFontDialog();
  EXPECT_FALSE(Field("CheckBoxDefault").Checked());
  EXPECT_TRUE(Field("Panel2").Enabled());
  EXPECT_EQ(Field("PanelColor").Text(), "#FF0000");
  EXPECT_EQ(Field("PanelColor").Color(), 0x0000FFu);
  EXPECT_EQ(Field("PanelName").Text(), kSongti);
  EXPECT_EQ(Field("PanelSize").Text(), "8");
  EXPECT_EQ(Field("Edit1").Text(), "5");
  EXPECT_EQ(Field("Edit2").Text(), "1000");
  EXPECT_EQ(Form().Document.OmitClosingTag, 1);
}

TEST_F(StyleScenario, AColourTheProgramCannotReadIsReportedAndTheDialogStillOpens) {
  WriteFile(
      "movie.srt",
      "1\r\n00:00:01:000 --> 00:00:02:000\r\n<font color=#12XY56>{\\fnArial\\fs20\\pos(1,2)\\}x\r\n\r\n");
  OpenVideo("movie.avi", kYes);
  OpenFontDialog();
  EXPECT_EQ(ErrorReports(), std::vector<std::string>{"'$XY' is not a valid integer value."});
  EXPECT_TRUE(DialogWindow().Visible());
  EXPECT_FALSE(Field("CheckBoxDefault").Checked());
  EXPECT_EQ(Field("PanelColor").Text(), "#12XY56");
  // The fields after the failing conversion keep what unticking put there.
  EXPECT_EQ(Field("PanelName").Text(), kHeiti);
  EXPECT_EQ(Field("Edit1").Text(), "190");
}

TEST_F(StyleScenario, ADefaultThirdLineOrACustomOneWithClosingTagsOpensInDefaultMode) {
  // Closed without saving in custom mode before the first line: the lines carry the custom prefix and "</b>".
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  DialogWindow().Close();
  OpenNewDocument();
  CommitLine("one");
  ASSERT_EQ(FileViewLine(2), "<font color=#FFFFFF>{\\fn" + kHeiti + "\\fs18\\pos(190,270)\\}one</b>");
  ASSERT_EQ(Form().Document.OmitClosingTag, 0);
  OpenFontDialog();
  EXPECT_TRUE(Field("CheckBoxDefault").Checked());
  EXPECT_FALSE(Field("Panel2").Enabled());
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
  // Closed in default mode: the next line is in the default style.
  DialogWindow().Close();
  CommitLine("two");
  ASSERT_EQ(FileViewLine(6), DefaultLinePrefix + "two</b>");
}

TEST_F(StyleScenario, AThirdLineInTheDefaultStyleOpensInDefaultModeAndLowersTheFlag) {
  OpenNewDocument();
  CommitLine("one");
  // Whatever the flag said, a line in the default layout tells the truth about the document.
  Form().Document.OmitClosingTag = 1;
  OpenFontDialog();
  EXPECT_TRUE(Field("CheckBoxDefault").Checked());
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
}

TEST_F(StyleScenario, SavingCustomOnADefaultDocumentRestylesEveryLine) {
  OpenNewDocument();
  CommitLine("one");
  CommitLine("two </b> inside");
  const std::string before = Form().Document.TempRichEdit.Text();
  const std::size_t registryWrites = ws.registry.writes.size();

  OpenFontDialog();
  ChooseCustomStyle();
  // Every change of the file view saves the subtitle file, but for the program's own steps of a refill: the
  // restyling saves it once, when complete.
  std::vector<std::string> changes;
  Form().Document.TempRichEdit.OnChange = [this, &changes, save = Form().Document.TempRichEdit.OnChange] {
    if (Form().Document.Refilling == 0) changes.push_back(Form().Document.TempRichEdit.Text());
    save();
  };
  ASSERT_TRUE(Field("SaveButton").Click());

  EXPECT_EQ(changes, std::vector<std::string>{Form().Document.TempRichEdit.Text()});
  EXPECT_FALSE(DialogWindow().Visible());
  EXPECT_EQ(FileViewLine(2), kCustomPrefix + "one");
  EXPECT_EQ(FileViewLine(6), kCustomPrefix + "two  inside");
  EXPECT_EQ(Form().Document.TempRichEdit.Count(), 8);
  EXPECT_EQ(Form().Document.TempRichEdit.Text().find("</b>"), std::string::npos);
  EXPECT_EQ(Form().Document.OmitClosingTag, 1);
  EXPECT_EQ(FileBytes("movie.srt"), Form().Document.TempRichEdit.Text());
  EXPECT_NE(FileBytes("movie.srt"), before);
  EXPECT_EQ(Writes(ws.registry.writes.begin() + registryWrites, ws.registry.writes.end()),
            (Writes{{"srtDefault", "0"},
                    {"srtFontColor", "#123456"},
                    {"srtFontName", kSongti},
                    {"srtFontSize", "24"},
                    {"srtFontPosL", "120"},
                    {"srtFontPosU", "40"}}));

  CommitLine("three");
  EXPECT_EQ(FileViewLine(10), kCustomPrefix + "three");
}

TEST_F(StyleScenario, OneUndoPutsEveryLinesOldStyleBackAndRedoRestylesAgain) {
  OpenNewDocument();
  CommitLine("one");
  CommitLine("two");
  const std::string before = FileBytes("movie.srt");
  OpenFontDialog();
  ChooseCustomStyle();
  ASSERT_TRUE(Field("SaveButton").Click());
  const std::string restyled = FileBytes("movie.srt");
  ASSERT_NE(restyled, before);

  HeadlessControl& input = Control("InputEdit");
  ASSERT_TRUE(input.PressKey('Z', modifier::Ctrl));
  EXPECT_EQ(FileBytes("movie.srt"), before);
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
  ASSERT_TRUE(input.PressKey('Y', modifier::Ctrl));
  EXPECT_EQ(FileBytes("movie.srt"), restyled);
  EXPECT_EQ(Form().Document.OmitClosingTag, 1);
  // The commits before it come back one by one.
  ASSERT_TRUE(input.PressKey('Z', modifier::Ctrl));
  ASSERT_TRUE(input.PressKey('Z', modifier::Ctrl));
  EXPECT_EQ(ScenarioWorld::SplitLines(FileBytes("movie.srt")).size(), 5u);
  EXPECT_EQ(FileBytes("movie.srt"), before.substr(0, FileBytes("movie.srt").size()));
}

TEST_F(StyleScenario, SavingDefaultOnACustomDocumentRestylesAndClosesLaterLines) {
  const std::string custom = "<font color=#FF0000>{\\fn" + kSongti + "\\fs8\\pos(5,1000)\\}";
  WriteFile("movie.srt", "1\r\n00:00:01:000 --> 00:00:02:000\r\n" + custom + "one\r\n\r\n" +
                             "2\r\n00:00:03:000 --> 00:00:04:000\r\n" + custom + "two\r\n\r\n");
  OpenVideo("movie.avi", kYes);
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  ASSERT_TRUE(Field("SaveButton").Click());

  EXPECT_EQ(FileViewLine(2), DefaultLinePrefix + "one");
  EXPECT_EQ(FileViewLine(6), DefaultLinePrefix + "two");
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
  EXPECT_EQ(FileBytes("movie.srt"), Form().Document.TempRichEdit.Text());
  EXPECT_EQ(ws.registry.Text("srtDefault"), "1");
  EXPECT_EQ(ws.registry.Text("srtFontColor"), "#FFFFFF");
  EXPECT_EQ(ws.registry.Text("srtFontName"), kHeiti);
  EXPECT_EQ(ws.registry.Text("srtFontSize"), "18");
  EXPECT_EQ(ws.registry.Text("srtFontPosL"), "");
  EXPECT_EQ(Form().StylePart1() + Form().StylePart2(), DefaultLinePrefix);
}

TEST_F(StyleScenario, ClosingWithoutSavingChangesOnlyTheLinesWrittenAfterwards) {
  OpenNewDocument();
  CommitLine("one");
  const std::string file = FileBytes("movie.srt");
  const std::size_t registryWrites = ws.registry.writes.size();

  OpenFontDialog();
  ChooseCustomStyle();
  DialogWindow().Close();

  EXPECT_EQ(FileBytes("movie.srt"), file);
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
  EXPECT_EQ(ws.registry.writes.size(), registryWrites);
  CommitLine("two");
  EXPECT_EQ(FileViewLine(2), DefaultLinePrefix + "one</b>");
  EXPECT_EQ(FileViewLine(6), kCustomPrefix + "two</b>");
}

TEST_F(StyleScenario, ARegistryFailureAtSaveKeepsTheDialogOpenWithTheDocumentRestyled) {
  OpenNewDocument();
  CommitLine("one");
  OpenFontDialog();
  ChooseCustomStyle();
  ws.registry.failingWrites = {"srtFontName"};
  ASSERT_TRUE(Field("SaveButton").Click());

  EXPECT_EQ(ErrorReports(), std::vector<std::string>{"Failed to set data for 'srtFontName'"});
  EXPECT_TRUE(DialogWindow().Visible());
  EXPECT_EQ(FileViewLine(2), kCustomPrefix + "one");
  EXPECT_EQ(FileBytes("movie.srt"), Form().Document.TempRichEdit.Text());
  EXPECT_EQ(Form().Document.OmitClosingTag, 1);
  EXPECT_EQ(Form().StylePart1(), "<font color=#123456>");
  EXPECT_EQ(ws.registry.Text("srtDefault"), "0");
  EXPECT_FALSE(ws.registry.Has("srtFontPosL")) << "the writes after the failing one are not attempted";

  // The user tries again once the store works.
  ws.registry.failingWrites.clear();
  ASSERT_TRUE(Field("SaveButton").Click());
  EXPECT_FALSE(DialogWindow().Visible());
  EXPECT_EQ(ws.registry.Text("srtFontPosL"), "120");
}

TEST_F(StyleScenario, ThePositionBoxesTakeOnlyDigitsPointsAndTheirKeys) {
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  for (const char* box : {"Edit1", "Edit2"}) {
    Field(box).SetText("");
    ASSERT_TRUE(Field(box).Type("a-1 .2x9" + Gbk("二") + "5"));  // a Chinese character is dropped whole
    EXPECT_EQ(Field(box).Text(), "1.295") << box;
    ASSERT_TRUE(Field(box).PressKey(vk::Back));
    EXPECT_EQ(Field(box).Text(), "1.29") << box;
  }
  Field("Edit1").SetFocus();
  ASSERT_TRUE(Field("Edit1").PressKey(vk::Return));
  EXPECT_TRUE(Field("Edit2").Focused());
  ASSERT_TRUE(Field("Edit2").PressKey(vk::Return));
  EXPECT_TRUE(Field("SaveButton").Focused());
}

TEST_F(StyleScenario, TheDialogsListsAndColourPicker) {
  OpenFontDialog();
  EXPECT_EQ(DialogWindow().Layout().caption, Gbk("字体设置"));
  EXPECT_EQ(DialogWindow().Width(), 387);
  EXPECT_EQ(DialogWindow().Height(), 312);
  EXPECT_TRUE(Field("PanelColor").Focused());

  const auto& sizes = Field("FontSizeComboBox");
  ASSERT_EQ(sizes.ItemCount(), 100);
  EXPECT_EQ(sizes.Item(0), "1");
  EXPECT_EQ(sizes.Item(99), "100");
  const auto& names = Field("FontNameComboBox");
  std::vector<std::string> items;
  for (int i = 0; i < names.ItemCount(); ++i) items.push_back(names.Item(i));
  EXPECT_EQ(items, (std::vector<std::string>{"arial", "Default", "Zeta", kHeiti, kSongti}));
  EXPECT_FALSE(names.Visible());

  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  // The picker starts on black, then on the colour last picked; cancelling changes nothing.
  ws.colorAnswers = {0x00FF00, std::nullopt};
  ASSERT_TRUE(Field("PanelColor").Click());
  EXPECT_EQ(Field("PanelColor").Text(), "#00FF00");
  ASSERT_TRUE(Field("PanelColor").Click());
  EXPECT_EQ(Field("PanelColor").Text(), "#00FF00");
  EXPECT_EQ(Field("PanelColor").Color(), 0x00FF00u);
  EXPECT_EQ(ws.colorPickerStarts, (std::vector<unsigned>{0x000000, 0x00FF00}));
}

TEST_F(StyleScenario, TheNewestDialogsStringsAreUsedAndStaleDialogsGo) {
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());
  DialogWindow().Close();
  EXPECT_EQ(Form().StylePart1(), "<font color=#FFFFFF>");
  OpenFontDialog();
  DialogWindow().Close();
  EXPECT_EQ(Form().StylePart1(), DefaultStylePart1);
  for (int i = 0; i < 5; ++i) {
    OpenFontDialog();
    DialogWindow().Close();
  }
  EXPECT_EQ(Form().FontOptionForms.size(), 1u);
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// Mended: the fields took the focus but not the keys. Space or Enter on a field opens its picker or list as
// a click does, and a list then has the focus.
TEST_F(StyleScenario, TheDialogsFieldsOpenByKeyboard) {
  OpenFontDialog();
  ASSERT_TRUE(Field("CheckBoxDefault").Click());  // custom mode: the fields can be changed
  ws.colorAnswers.push_back(0x563412);
  ASSERT_TRUE(Field("PanelColor").PressKey(vk::Space));
  EXPECT_EQ(Field("PanelColor").Text(), "#123456");
  const struct {
    const char* field;
    const char* list;
    int key;
  } cases[] = {{"PanelName", "FontNameComboBox", vk::Return}, {"PanelSize", "FontSizeComboBox", vk::Space}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    ASSERT_TRUE(Field(c.field).PressKey(c.key));
    EXPECT_TRUE(Field(c.list).Visible());
    EXPECT_EQ(DialogWindow().FocusedControl(), &Field(c.list));
  }
}

}  // namespace
}  // namespace titrelle
