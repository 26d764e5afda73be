#include "document/FileNames.h"

namespace titrelle {

MediaNames DeriveMediaNames(const std::filesystem::path& mediaPath) {
  using Char = std::filesystem::path::value_type;
  const auto names =
      DeriveMediaNamesOf<Char>(std::basic_string_view<Char>(mediaPath.native()), kNativePathStyle);
  return {names.mediaBaseName, names.mediaFolder, names.subtitleFileName, names.subtitlePath};
}

std::filesystem::path BackupPath(const std::filesystem::path& subtitlePath) {
  std::filesystem::path backup = subtitlePath;
  backup += ".bak";
  return backup;
}

std::filesystem::path TheirsPath(const std::filesystem::path& subtitlePath) {
  std::filesystem::path theirs = subtitlePath;
  theirs += ".theirs";
  return theirs;
}

}  // namespace titrelle
