#pragma once
// A path's name as UTF-8 text and back, for what names files in text (the headless shell's scripted dialogs,
// tests): the same bytes on POSIX, converted from and to UTF-16 on Windows. The program itself keeps paths
// as the system's names (ui/FileSystem.h).

#include <filesystem>
#include <string>
#include <string_view>

namespace titrelle {

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace titrelle
