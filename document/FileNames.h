#pragma once
#include <string>

namespace titrelle {

enum class PathStyle { Windows, Posix };
#ifdef _WIN32
constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

struct MediaNames {
  std::string mediaBaseName;     // file name without folder, first occurrence of the extension text removed
  std::string mediaFolder;       // up to and including the last separator
  std::string subtitleFileName;  // mediaBaseName + ".srt"
  std::string subtitlePath;      // mediaFolder + subtitleFileName
};

MediaNames DeriveMediaNames(const std::string& mediaPath, PathStyle style = kNativePathStyle);
std::string BackupPath(const std::string& subtitlePath);  // + ".bak"

}  // namespace titrelle
