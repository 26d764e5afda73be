#pragma once
// Files on a POSIX system: paths are the system's own bytes (UTF-8 on every Linux desktop), and a save keeps
// the file what it was.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "ui/FileSystem.h"

namespace titrelle {

// How a save names its files beside the target, and the mode a file it creates gets. The temporary file is
// lead + the target's name + tail + six random characters; the recovery file of a save in place is lead +
// the target's name + recoveryTail. Where such a name would pass the folder's limit on a name's length, a
// short name of the program's own stands for it: ".titrelle-" + sixteen hexadecimal digits of the target's
// name + ".save-XXXXXX" or ".recover". The same names find what a killed save left.
struct SaveNaming {
  std::string lead;
  std::string tail;
  mode_t newFileMode = 0666;  // before the umask
  std::string recoveryTail = ".recover";
};

// The subtitle file's naming: a hidden ".clip.srt.titrelle-save-XXXXXX" beside "clip.srt", and
// ".clip.srt.titrelle-recover" while it is written in place.
SaveNaming SubtitleSaveNaming();

// The save of the program's files. A file with one name, whose owner and group the saver can keep, in a
// folder that takes new files, is replaced atomically: written to a temporary file, flushed, renamed over it.
// Any other file (a hard link, another user's file, a folder that refuses new files) is written in place: the
// new bytes go first to the recovery file beside it (flushed, and the folder with it), then into the file,
// its space reserved first; if writing fails, the old bytes are put back. A kill in the middle leaves the
// recovery file, which CompleteInterruptedSave writes into the file at the next open. Where the folder takes
// no recovery file either, the file is written in place without one. A symbolic link is followed and stays
// a link, unless another user made it in a folder everyone may write to; the mode is kept. A file its owner
// made read-only is refused, even for the super-user, and so is anything but a regular file.
// Throws Error, naming the file and the system's reason.
// Gives the stamp of the file as the save left it.
FileStamp SaveKeepingIdentity(const std::filesystem::path& path, std::string_view bytes,
                              const SaveNaming& naming);
// Removes the temporary files of `naming` beside `path` that saves killed before their end left behind.
void RemoveUnfinishedSaves(const std::filesystem::path& path, const SaveNaming& naming);
// Writes the recovery file of `naming` beside `path`, if a save killed in place left one, into the file and
// removes it. True when it did.
bool CompleteInterruptedSave(const std::filesystem::path& path, const SaveNaming& naming);

// A path or a system message as code page 936 text, for messages.
std::string DisplayPath(const std::filesystem::path& path);
std::string SystemReason(int error);

class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::filesystem::path& path) const override;
  std::string ReadWhole(const std::filesystem::path& path, FileStamp* stamp = nullptr) const override;
  std::unique_ptr<FileReading> StartReading(const std::filesystem::path& path) const override;
  FileStamp Stamp(const std::filesystem::path& path) const override;
  FileStamp Save(const std::filesystem::path& path, std::string_view bytes) override;
  void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) override;
  void Remove(const std::filesystem::path& path) override;
  void RemoveUnfinishedSaves(const std::filesystem::path& path) override;
  bool CompleteInterruptedSave(const std::filesystem::path& path) override;
  std::unique_ptr<FileLock> LockForEditing(const std::filesystem::path& path) override;
  std::string DisplayName(const std::filesystem::path& path) const override { return DisplayPath(path); }
};

}  // namespace titrelle
