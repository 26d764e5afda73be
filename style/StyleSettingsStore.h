#pragma once
// The style settings in HKEY_CURRENT_USER\Software: the stored defaults written on the first start, the
// values that fill the font options dialog, and what a save of the dialog records. Every operation opens the
// key, works and closes it again, so no handle and no cached value outlives it.

#include <initializer_list>
#include <string>
#include <string_view>

#include "ui/SettingsRegistry.h"

namespace titrelle {

// The key every operation opens: "\software\", the leading backslash making it start at the root key.
inline constexpr const char* kStyleSettingsKeyPath = "\\software\\";

class StyleSettingsStore {
 public:
  explicit StyleSettingsStore(SettingsRegistry& registry) : registry_(registry) {}

  // The text of one of the nine values the program reads (srtFontColor, srtFontName, srtFontSize,
  // srtFontColorD, srtFontNameD, srtFontSizeD, srtFontPosLD, srtFontPosUD, srtDefault); empty when missing
  // or when the key cannot be opened. Throws Error "Invalid data type for '%s'" for a value that is not
  // text, and std::invalid_argument for any other name.
  std::string ReadStyleValue(const std::string& name);

  // The first start's values, in this order: srtFontColorD, srtFontNameD, srtFontSizeD, srtFontPosLD,
  // srtFontPosUD, srtDefault, srtBord, srtShad.
  void WriteDefaultStyleValues();
  // srtDefault := flag ("1" default style, "0" custom style).
  void WriteDefaultStyleFlag(const std::string& flag);
  // srtFontColor, srtFontName, srtFontSize, srtFontPosL, srtFontPosU, in this order.
  void WriteCurrentStyleValues(const std::string& colorText, const std::string& fontName,
                               const std::string& fontSize, const std::string& left, const std::string& top);

  // Writes (name, text) pairs in order; the first failing write throws Error "Failed to set data for '%s'"
  // and the writes after it are not attempted.
  struct NamedText {
    const char* name;
    std::string_view text;
  };
  void WriteTexts(std::initializer_list<NamedText> values);

  // For messages: ' (srtFontColorD in "<where the values are kept>")', empty where the store names no place.
  std::string Where(const std::string& valueName) const;

 private:
  std::string WhereAndWhy() const;  // ' in "<where>". <the system's reason>', as far as known
  SettingsRegistry& registry_;
};

}  // namespace titrelle
