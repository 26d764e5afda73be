#pragma once
// Whether the subtitles show over the video: the user's choice, kept beside the style values
// (HKEY_CURRENT_USER\Software, "srtPreview": "1" shown, "0" not). On when never chosen.

#include "ui/SettingsRegistry.h"

namespace titrelle {

inline constexpr const char* kPreviewValueName = "srtPreview";

// False only for a stored "0"; a missing value, a key that cannot be opened or a value of another type
// read as on.
bool ReadPreviewChoice(SettingsRegistry& registry);
// Throws Error "Failed to set data for 'srtPreview'" with where and why, as the style values do.
void WritePreviewChoice(SettingsRegistry& registry, bool shown);

}  // namespace titrelle
