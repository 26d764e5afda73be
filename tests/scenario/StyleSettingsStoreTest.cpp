// The style settings store over the in-memory registry.
#include "style/StyleSettingsStore.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "platforms/headless/MemoryRegistry.h"

namespace titrelle {
namespace {

using Writes = std::vector<std::pair<std::string, std::string>>;

// 黑体
const std::string kHeiti = "\xBA\xDA\xCC\xE5";

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

class StyleSettingsStoreTest : public ::testing::Test {
 protected:
  MemoryRegistry registry;
  StyleSettingsStore store{registry};
};

TEST_F(StyleSettingsStoreTest, WritesTheDefaultsInOrderThroughOneKey) {
  store.WriteDefaultStyleValues();
  EXPECT_EQ(registry.writes, (Writes{{"srtFontColorD", "#FFFFFF"},
                                     {"srtFontNameD", kHeiti},
                                     {"srtFontSizeD", "18"},
                                     {"srtFontPosLD", ""},
                                     {"srtFontPosUD", ""},
                                     {"srtDefault", "1"},
                                     {"srtBord", "bord0"},
                                     {"srtShad", "Shad3"}}));
  EXPECT_EQ(registry.openCount, 1);
  EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(StyleSettingsStoreTest, WritesTheDialogsFieldsAndFlag) {
  store.WriteDefaultStyleFlag("0");
  store.WriteCurrentStyleValues("#123456", "Arial", "24", "120", "40");
  EXPECT_EQ(registry.writes, (Writes{{"srtDefault", "0"},
                                     {"srtFontColor", "#123456"},
                                     {"srtFontName", "Arial"},
                                     {"srtFontSize", "24"},
                                     {"srtFontPosL", "120"},
                                     {"srtFontPosU", "40"}}));
  EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(StyleSettingsStoreTest, ReadsTextMissingAndOtherValues) {
  registry.SetText("srtFontNameD", kHeiti);
  registry.SetText("srtFontSize", std::string("24\0junk", 7));
  registry.SetNonText("srtDefault");
  EXPECT_EQ(store.ReadStyleValue("srtFontNameD"), kHeiti);
  EXPECT_EQ(store.ReadStyleValue("srtFontSize"), "24");
  EXPECT_EQ(store.ReadStyleValue("srtFontColor"), "");
  EXPECT_EQ(ErrorOf([&] { store.ReadStyleValue("srtDefault"); }), "Invalid data type for 'srtDefault'");
  EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(StyleSettingsStoreTest, ReadsOnlyTheNineValuesItUses) {
  for (const char* name : {"srtFontColor", "srtFontName", "srtFontSize", "srtFontColorD", "srtFontNameD",
                           "srtFontSizeD", "srtFontPosLD", "srtFontPosUD", "srtDefault"}) {
    EXPECT_NO_THROW(store.ReadStyleValue(name)) << name;
  }
  // The custom positions, the border and the shadow are stored for nothing and never read.
  for (const char* name : {"srtFontPosL", "srtFontPosU", "srtBord", "srtShad", "srtdefault"}) {
    EXPECT_THROW(store.ReadStyleValue(name), std::invalid_argument) << name;
  }
}

TEST_F(StyleSettingsStoreTest, AKeyThatCannotBeOpenedReadsEmptyAndFailsTheFirstWrite) {
  registry.SetText("srtDefault", "1");
  registry.keyMissing = true;
  EXPECT_EQ(store.ReadStyleValue("srtDefault"), "");
  EXPECT_EQ(ErrorOf([&] { store.WriteDefaultStyleValues(); }), "Failed to set data for 'srtFontColorD'");
  EXPECT_EQ(ErrorOf([&] { store.WriteDefaultStyleFlag("1"); }), "Failed to set data for 'srtDefault'");
  EXPECT_EQ(ErrorOf([&] { store.WriteCurrentStyleValues("#FFFFFF", kHeiti, "18", "", ""); }),
            "Failed to set data for 'srtFontColor'");
  EXPECT_TRUE(registry.writes.empty());
}

TEST_F(StyleSettingsStoreTest, AFailedWriteStopsTheWritesAfterIt) {
  registry.failingWrites = {"srtFontSize"};
  EXPECT_EQ(ErrorOf([&] { store.WriteCurrentStyleValues("#FFFFFF", kHeiti, "18", "1", "2"); }),
            "Failed to set data for 'srtFontSize'");
  EXPECT_EQ(registry.writes, (Writes{{"srtFontColor", "#FFFFFF"}, {"srtFontName", kHeiti}}));
  EXPECT_EQ(registry.openKeys, 0) << "the key is closed on the way out";
}

}  // namespace
}  // namespace titrelle
