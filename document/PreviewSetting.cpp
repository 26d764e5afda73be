#include "document/PreviewSetting.h"

#include "style/StyleSettingsStore.h"

namespace titrelle {

bool ReadPreviewChoice(SettingsRegistry& registry) {
  const auto key = registry.OpenKey(kStyleSettingsKeyPath);
  if (!key) return true;
  const SettingsKey::Value value = key->Read(kPreviewValueName);
  return !(value.type == SettingsKey::ValueType::Text && value.text == "0");
}

void WritePreviewChoice(SettingsRegistry& registry, bool shown) {
  StyleSettingsStore(registry).WriteTexts({{kPreviewValueName, shown ? "1" : "0"}});
}

}  // namespace titrelle
