#include "capture/SpeechSnapSetting.h"

#include "style/StyleSettingsStore.h"

namespace titrelle {

namespace {

SettingsKey::Value ReadValue(SettingsRegistry& registry, const char* name) {
  const auto key = registry.OpenKey(kStyleSettingsKeyPath);
  if (!key) return {};
  return key->Read(name);
}

}  // namespace

bool ReadSpeechSnapChoice(SettingsRegistry& registry) {
  const SettingsKey::Value value = ReadValue(registry, kSpeechSnapValueName);
  return !(value.type == SettingsKey::ValueType::Text && value.text == "0");
}

void WriteSpeechSnapChoice(SettingsRegistry& registry, bool on) {
  StyleSettingsStore(registry).WriteTexts({{kSpeechSnapValueName, on ? "1" : "0"}});
}

SnapLag ReadSpeechLag(SettingsRegistry& registry) {
  const SettingsKey::Value value = ReadValue(registry, kSpeechLagValueName);
  if (value.type != SettingsKey::ValueType::Text) return {};
  return SnapLag::FromText(value.text);
}

void WriteSpeechLag(SettingsRegistry& registry, const SnapLag& lag) {
  StyleSettingsStore(registry).WriteTexts({{kSpeechLagValueName, lag.Text()}});
}

}  // namespace titrelle
