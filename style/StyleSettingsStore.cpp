#include "style/StyleSettingsStore.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

#include "base/Error.h"

namespace titrelle {

namespace {

// The values the program ever reads; srtFontPosL, srtFontPosU, srtBord and srtShad are only written.
constexpr std::array<std::string_view, 9> kReadableValues = {
    "srtFontColor", "srtFontName",  "srtFontSize",  "srtFontColorD", "srtFontNameD",
    "srtFontSizeD", "srtFontPosLD", "srtFontPosUD", "srtDefault",
};

// 黑体
const std::string kDefaultFontName = "\xBA\xDA\xCC\xE5";

}  // namespace

std::string StyleSettingsStore::ReadStyleValue(const std::string& name) {
  if (std::find(kReadableValues.begin(), kReadableValues.end(), name) == kReadableValues.end()) {
    throw std::invalid_argument("not a style value the program reads: " + name);
  }
  const auto key = registry_.OpenKey(kStyleSettingsKeyPath);
  // A key that cannot be opened reads like one without values.
  if (!key) return {};
  const SettingsKey::Value value = key->Read(name);
  switch (value.type) {
    case SettingsKey::ValueType::Missing:
      return {};
    case SettingsKey::ValueType::Text:
      return value.text;
    case SettingsKey::ValueType::Other:
      break;
  }
  throw Error("Invalid data type for '" + name + "'");
}

void StyleSettingsStore::WriteTexts(std::initializer_list<NamedText> values) {
  const auto key = registry_.OpenKey(kStyleSettingsKeyPath);
  for (const NamedText& value : values) {
    if (!key || !key->WriteText(value.name, std::string(value.text))) {
      throw Error(std::string("Failed to set data for '") + value.name + "'" + WhereAndWhy());
    }
  }
}

std::string StyleSettingsStore::WhereAndWhy() const {
  std::string detail;
  if (const std::string location = registry_.Location(); !location.empty())
    detail += " in \"" + location + "\"";
  if (const std::string reason = registry_.LastFailure(); !reason.empty()) detail += ". " + reason;
  return detail;
}

std::string StyleSettingsStore::Where(const std::string& valueName) const {
  const std::string location = registry_.Location();
  return location.empty() ? std::string() : " (" + valueName + " in \"" + location + "\")";
}

void StyleSettingsStore::WriteDefaultStyleValues() {
  WriteTexts({
      {"srtFontColorD", "#FFFFFF"},
      {"srtFontNameD", kDefaultFontName},
      {"srtFontSizeD", "18"},
      {"srtFontPosLD", ""},
      {"srtFontPosUD", ""},
      {"srtDefault", "1"},
      {"srtBord", "bord0"},
      {"srtShad", "Shad3"},
  });
}

void StyleSettingsStore::WriteDefaultStyleFlag(const std::string& flag) {
  WriteTexts({{"srtDefault", flag}});
}

void StyleSettingsStore::WriteCurrentStyleValues(const std::string& colorText, const std::string& fontName,
                                                 const std::string& fontSize, const std::string& left,
                                                 const std::string& top) {
  WriteTexts({
      {"srtFontColor", colorText},
      {"srtFontName", fontName},
      {"srtFontSize", fontSize},
      {"srtFontPosL", left},
      {"srtFontPosU", top},
  });
}

}  // namespace titrelle
