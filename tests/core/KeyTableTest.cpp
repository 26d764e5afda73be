// The key table: every key finds its one command where it applies, and typing is never taken.
#include "ui/KeyTable.h"

#include <gtest/gtest.h>

#include <optional>

#include "ui/Controls.h"
#include "ui/EventRules.h"

namespace titrelle {
namespace {

using namespace keyplace;
constexpr unsigned kShift = modifier::Shift;
constexpr unsigned kAlt = modifier::Alt;
constexpr unsigned kCtrl = modifier::Ctrl;

TEST(KeyTable, AKeyFindsItsCommandOnlyWhereAndWhenItApplies) {
  const struct {
    const char* name;
    int key;
    unsigned modifiers;
    unsigned place;
    bool editMode;
    std::optional<KeyCommand> command;
  } cases[] = {
      {"F9 system-wide", vk::F9, 0, SystemWide, false, KeyCommand::MarkStart},
      {"F9 is no window key", vk::F9, 0, UserView, false, std::nullopt},
      {"Enter in the entry box", vk::Return, 0, EntryBox, false, KeyCommand::CommitLine},
      {"Enter in the user view is the view's", vk::Return, 0, UserView, true, std::nullopt},
      {"Ctrl+Z on a button", 'Z', kCtrl, OtherControls, false, KeyCommand::Undo},
      {"Ctrl+Shift+Z redoes", 'Z', kCtrl | kShift, EntryBox, false, KeyCommand::Redo},
      {"Ctrl+Alt+Z is nothing", 'Z', kCtrl | kAlt, EntryBox, false, std::nullopt},
      {"Space in the video panel", vk::Space, 0, PlayerPanel, false, KeyCommand::PlayPause},
      {"Space in the user view is typed", vk::Space, 0, UserView, true, std::nullopt},
      {"Shift+Right in the video panel", vk::Right, kShift, PlayerPanel, true, KeyCommand::FineStepForward},
      {"Shift+Right in the user view selects", vk::Right, kShift, UserView, true, std::nullopt},
      {"Alt+Shift+Left in edit mode", vk::Left, kAlt | kShift, UserView, true, KeyCommand::EndEarlier},
      {"Alt+Left while capturing", vk::Left, kAlt, PlayerPanel, false, std::nullopt},
      {"F12 from the video panel in edit mode", vk::F12, 0, PlayerPanel, true, KeyCommand::EndFromPosition},
      {"F11 never from the entry box", vk::F11, 0, EntryBox, true, std::nullopt},
      {"Ctrl+Shift+Delete", vk::Delete, kCtrl | kShift, UserView, true, KeyCommand::DeleteSubtitle},
      {"Delete alone is the view's", vk::Delete, 0, UserView, true, std::nullopt},
      {"Shift+F9 in the table in edit mode", vk::F9, kShift, Table, true, KeyCommand::SnapToSpeech},
      {"Shift+F9 while capturing is nothing", vk::F9, kShift, PlayerPanel, false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const KeyBinding* binding = FindKeyBinding(c.key, c.modifiers, c.place, c.editMode);
    ASSERT_EQ(binding != nullptr, c.command.has_value());
    if (binding) {
      EXPECT_EQ(binding->command, *c.command);
    }
  }
}

TEST(KeyTable, NoBindingShadowsAnotherAndNoneTakesTyping) {
  const auto table = KeyTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const KeyBinding& a = table[i];
    SCOPED_TRACE(KeyText(a));
    EXPECT_FALSE(a.help.empty());
    for (std::size_t j = i + 1; j < table.size(); ++j) {
      const KeyBinding& b = table[j];
      const bool modesMeet = a.mode == KeyMode::Any || b.mode == KeyMode::Any || a.mode == b.mode;
      EXPECT_FALSE(a.key == b.key && a.modifiers == b.modifiers && (a.places & b.places) != 0 && modesMeet)
          << KeyText(b);
    }
    // Where text is typed, a key without Ctrl or Alt is the text's, Enter in the entry box, the function keys
    // and Insert (which types nothing: a text box would only switch to overwriting) aside.
    const bool typedHere = (a.places & (EntryBox | UserView | OtherControls)) != 0;
    const bool plain = (a.modifiers & (kCtrl | kAlt)) == 0;
    const bool functionKey = (a.key >= 112 && a.key <= vk::F12) || a.key == vk::Insert;
    if (typedHere && plain && !functionKey) {
      EXPECT_EQ(a.command, KeyCommand::CommitLine);
    }
  }
  EXPECT_EQ(KeyHelpLines().size(), table.size());
  EXPECT_EQ(KeyHelpLines()[0].substr(0, 3), "F9\t");
}

}  // namespace
}  // namespace titrelle
