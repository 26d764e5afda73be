#include "style/ColorText.h"

#include <gtest/gtest.h>

#include "base/Error.h"

namespace titrelle {
namespace {

TEST(ColorText, RedGreenBlueOrder) {
  EXPECT_EQ(ColorToText(0x563412), "123456");
  EXPECT_EQ(ColorToText(0x0000FF), "FF0000");
  EXPECT_EQ(ColorToText(0xFF000000u | 0xA0B0C0), "C0B0A0");  // bits above the colour are not part of it
  EXPECT_EQ(TextToColor("123456"), 0x563412u);
  EXPECT_EQ(TextToColor("ff00aA"), 0xAA00FFu);
  EXPECT_EQ(TextToColor("FF0000"), 0x0000FFu);
}

TEST(ColorText, RoundTrip) {
  for (unsigned color : {0x000000u, 0xFFFFFFu, 0x0A0B0Cu, 0x80FF01u, 0x123456u}) {
    EXPECT_EQ(TextToColor(ColorToText(color)), color) << color;
  }
}

TEST(ColorText, BadPairNamesThePairBlueFirst) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"12345G", "'$5G' is not a valid integer value"}, {"GG3456", "'$GG' is not a valid integer value"},
      {"XX34ZZ", "'$ZZ' is not a valid integer value"},  // blue is read first
      {"1234", "'$' is not a valid integer value"},     {"", "'$' is not a valid integer value"},
      {"12345", "'$5' is not a valid integer value"},   {"12 456", "'$ 4' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    try {
      TextToColor(c.text);
      ADD_FAILURE() << "no error for '" << c.text << "'";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), c.message) << c.text;
    }
  }
}

}  // namespace
}  // namespace titrelle
