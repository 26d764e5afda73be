#pragma once
// Whether F9 and F10 land on the speech (the check box under the video), and the user's own lag, kept beside
// the style values (HKEY_CURRENT_USER\Software): "srtSpeechSnap" "1" on, "0" off, on when never chosen;
// "srtSpeechLag" the distances of the last marks moved onto the speech (capture/SnapLag.h).

#include "capture/SnapLag.h"
#include "ui/SettingsRegistry.h"

namespace titrelle {

// The user's choice and lag, as read at start and kept up to date.
struct SpeechSnapChoice {
  bool on = true;
  SnapLag lag;
};

inline constexpr const char* kSpeechSnapValueName = "srtSpeechSnap";
inline constexpr const char* kSpeechLagValueName = "srtSpeechLag";

// False only for a stored "0".
bool ReadSpeechSnapChoice(SettingsRegistry& registry);
// Throws Error "Failed to set data for 'srtSpeechSnap'" with where and why, as the style values do.
void WriteSpeechSnapChoice(SettingsRegistry& registry, bool on);

// Nothing learned where the value is missing, unreadable or of another type.
SnapLag ReadSpeechLag(SettingsRegistry& registry);
// Throws as WriteSpeechSnapChoice does.
void WriteSpeechLag(SettingsRegistry& registry, const SnapLag& lag);

}  // namespace titrelle
