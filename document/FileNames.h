#pragma once
// The names beside a video: its subtitle file and the backup. Paths are the system's own names; the rules
// work on their characters (UTF-8 on Linux, UTF-16 on Windows), in which no separator or dot can hide inside
// another character.

#include <filesystem>
#include <string>
#include <string_view>

namespace titrelle {

enum class PathStyle { Windows, Posix };
// The style of this system's paths: "\" (and "/" and ":") separate where the preferred separator is "\".
constexpr PathStyle kNativePathStyle =
    std::filesystem::path::preferred_separator == '\\' ? PathStyle::Windows : PathStyle::Posix;

template <typename String>
struct BasicMediaNames {
  String mediaBaseName;     // file name without folder, first occurrence of the extension text removed
  String mediaFolder;       // up to and including the last separator
  String subtitleFileName;  // mediaBaseName + ".srt"
  String subtitlePath;      // mediaFolder + subtitleFileName
};

// The names of a path given as the system's characters, for either style: a path of another system can be
// tested here too.
template <typename Char>
BasicMediaNames<std::basic_string<Char>> DeriveMediaNamesOf(std::basic_string_view<Char> mediaPath,
                                                            PathStyle style) {
  using String = std::basic_string<Char>;
  const auto isSeparator = [style](Char c) {
    return style == PathStyle::Posix ? c == Char('/') : c == Char('\\') || c == Char(':') || c == Char('/');
  };
  std::size_t nameStart = mediaPath.size();
  while (nameStart > 0 && !isSeparator(mediaPath[nameStart - 1])) --nameStart;

  BasicMediaNames<String> names;
  names.mediaFolder = String(mediaPath.substr(0, nameStart));
  String baseName(mediaPath.substr(nameStart));
  const std::size_t lastDot = baseName.rfind(Char('.'));
  if (lastDot != String::npos) {
    // The extension's text goes where it first occurs, which need not be the end: x.mp4.old.mp4 keeps
    // its last ".mp4". Names made this way are what earlier subtitle files were saved under.
    const String extension = baseName.substr(lastDot);
    baseName.erase(baseName.find(extension), extension.size());
  }
  names.mediaBaseName = baseName;
  names.subtitleFileName = names.mediaBaseName + String{Char('.'), Char('s'), Char('r'), Char('t')};
  names.subtitlePath = names.mediaFolder + names.subtitleFileName;
  return names;
}

using MediaNames = BasicMediaNames<std::filesystem::path>;

MediaNames DeriveMediaNames(const std::filesystem::path& mediaPath);
std::filesystem::path BackupPath(const std::filesystem::path& subtitlePath);  // + ".bak"
// Where another writer's version goes when the user writes this program's version over it: + ".theirs".
std::filesystem::path TheirsPath(const std::filesystem::path& subtitlePath);

}  // namespace titrelle
