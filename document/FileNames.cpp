#include "document/FileNames.h"

#include <string_view>

#include "document/Cp936.h"

namespace titrelle {

namespace {

bool IsSeparator(char c, PathStyle style) {
  if (style == PathStyle::Posix) return c == '/';
  return c == '\\' || c == ':' || c == '/';
}

// Index of the last separator, or npos. The walk goes character by character so that a trail byte that
// happens to be 0x5C ("\") inside a double-byte character is never taken for a separator.
std::size_t LastSeparator(std::string_view path, PathStyle style) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (style == PathStyle::Windows && IsLeadByte(static_cast<unsigned char>(path[i])) &&
        i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (IsSeparator(path[i], style)) last = i;
  }
  return last;
}

}  // namespace

MediaNames DeriveMediaNames(const std::string& mediaPath, PathStyle style) {
  const std::size_t separator = LastSeparator(mediaPath, style);
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;

  MediaNames names;
  names.mediaFolder = mediaPath.substr(0, nameStart);
  std::string baseName = mediaPath.substr(nameStart);
  // "." is below the trail-byte range, so a byte search for it is safe in code page 936.
  const std::size_t lastDot = baseName.rfind('.');
  if (lastDot != std::string::npos) {
    // The extension's text goes where it first occurs, which need not be the end: x.mp4.old.mp4 keeps
    // its last ".mp4". Names made this way are what earlier subtitle files were saved under.
    const std::string extension = baseName.substr(lastDot);
    baseName.erase(baseName.find(extension), extension.size());
  }
  names.mediaBaseName = baseName;
  names.subtitleFileName = names.mediaBaseName + ".srt";
  names.subtitlePath = names.mediaFolder + names.subtitleFileName;
  return names;
}

std::string BackupPath(const std::string& subtitlePath) { return subtitlePath + ".bak"; }

}  // namespace titrelle
