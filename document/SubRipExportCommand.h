#pragma once
// `titrelle --export-srt IN.srt [OUT.srt] [--plain]`: writes a standard SubRip copy of IN and exits, without
// a window or a display. Paths are the operating system's own names, taken as they come.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace titrelle {

class FileSystem;

inline constexpr std::string_view kExportSrtOption = "--export-srt";

// The arguments after "--export-srt". Prints what it wrote to `out`, or what went wrong to `errors` (naming
// the file, and the line where there is one). Returns the exit status: 0 written, 1 bad input or a failed
// write (no output file then), 2 wrong arguments.
// The files are read and written through `files`, as the program's own are.
int RunExportSrtCommand(FileSystem& files, const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& errors);
// The same for arguments that are the system's own names already (UTF-16 on Windows): a name no code page
// holds is a file like any other. The messages name the files in UTF-8.
int RunExportSrtCommand(FileSystem& files, const std::vector<std::filesystem::path>& arguments,
                        std::ostream& out, std::ostream& errors);

}  // namespace titrelle
