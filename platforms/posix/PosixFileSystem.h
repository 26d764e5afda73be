#pragma once
// Files on a POSIX system: paths are the system's own bytes (UTF-8 on every Linux desktop), and a save keeps
// the file what it was.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "ui/FileSystem.h"

namespace titrelle {

// How a save names its temporary file, and the mode a file it creates gets. The temporary file lies beside
// the target as lead + the target's name + tail + six random characters; the same pattern finds what a
// killed save left.
struct SaveNaming {
  std::string lead;
  std::string tail;
  mode_t newFileMode = 0666;  // before the umask
};

// The subtitle file's naming: a hidden ".clip.srt.titrelle-save-XXXXXX" beside "clip.srt".
SaveNaming SubtitleSaveNaming();

// The save of the program's files. A file with one name, whose owner and group the saver can keep, in a
// folder that takes new files, is replaced atomically: written to a temporary file, flushed, renamed over it.
// Any other file (a hard link, another user's file, a folder that refuses new files) is written in place, its
// space reserved first; if writing still fails, the old bytes are put back. A symbolic link is followed and
// stays a link; the mode is kept. A file its owner made read-only is refused, even for the super-user.
// Throws Error, naming the file and the system's reason.
void SaveKeepingIdentity(const std::filesystem::path& path, std::string_view bytes, const SaveNaming& naming);
// Removes the temporary files of `naming` beside `path` that saves killed before their end left behind.
void RemoveUnfinishedSaves(const std::filesystem::path& path, const SaveNaming& naming);

// A path or a system message as code page 936 text, for messages.
std::string DisplayPath(const std::filesystem::path& path);
std::string SystemReason(int error);

class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::filesystem::path& path) const override;
  std::string ReadWhole(const std::filesystem::path& path) const override;
  void Save(const std::filesystem::path& path, std::string_view bytes) override;
  void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) override;
  void Remove(const std::filesystem::path& path) override;
  void RemoveUnfinishedSaves(const std::filesystem::path& path) override;
  std::string DisplayName(const std::filesystem::path& path) const override { return DisplayPath(path); }
};

}  // namespace titrelle
