// The settings in the real registry (HKEY_CURRENT_USER\Software, under Wine or on Windows): texts in code page
// 936 read back byte for byte, whatever the system's own code page is; other kinds of value are told apart.
#include "platforms/windows/WindowsRegistry.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace titrelle {
namespace {

constexpr wchar_t kValue[] = L"TitrelleTestValue";

class WindowsRegistryTest : public ::testing::Test {
 protected:
  ~WindowsRegistryTest() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software", kValue); }
  // A fresh registry object each time: nothing may come from memory.
  SettingsKey::Value Read() {
    WindowsRegistry registry;
    return registry.OpenKey("\\software\\")->Read("TitrelleTestValue");
  }
  bool Write(const std::string& text) {
    WindowsRegistry registry;
    return registry.OpenKey("\\software\\")->WriteText("TitrelleTestValue", text);
  }
};

TEST_F(WindowsRegistryTest, TextsReadBackByteForByte) {
  const std::string texts[] = {
      "\xBA\xDA\xCC\xE5",                                       // 黑体, the default font's name
      "{\\fn\xCB\xCE\xCC\xE5\\fs24\\3c&HFFFFFF&}<b>\xA3\xAC",  // a style string: 宋体, a full-width comma
      "",
      std::string(5000, 'x'),  // longer than a first guess of its size
  };
  for (const std::string& text : texts) {
    ASSERT_TRUE(Write(text));
    const SettingsKey::Value value = Read();
    EXPECT_EQ(value.type, SettingsKey::ValueType::Text);
    EXPECT_EQ(value.text, text);
  }
}

TEST_F(WindowsRegistryTest, ValuesOfOtherKindsAndMissingOnesAreToldApart) {
  EXPECT_EQ(Read().type, SettingsKey::ValueType::Missing);
  const DWORD number = 18;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software", kValue, REG_DWORD, &number, sizeof number),
            ERROR_SUCCESS);
  EXPECT_EQ(Read().type, SettingsKey::ValueType::Other);
  // Another program's text with a zero character inside: the text up to it.
  const wchar_t text[] = L"ab\0cd";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software", kValue, REG_SZ, text, sizeof text), ERROR_SUCCESS);
  EXPECT_EQ(Read().text, "ab");

  WindowsRegistry registry;
  EXPECT_EQ(registry.OpenKey("\\software\\TitrelleNoSuchKey\\"), nullptr);
  EXPECT_FALSE(registry.LastFailure().empty());
}

}  // namespace
}  // namespace titrelle
