#pragma once
// The subtitle file on disk: its text is the file view's text, byte for byte.

#include <string>
#include <string_view>

namespace titrelle {

// Writes `text` to `path` atomically: a temporary file in the same folder, flushed, then moved over the old
// file. Throws Error "Cannot create file "%s". %s" when it cannot be created or replaced (a read-only target
// is not replaced) and "Failed to Save Stream" when writing fails. A failure leaves the old file untouched
// and no temporary file behind.
void WriteSubtitleFile(const std::string& path, std::string_view text);

// Reads a file's bytes; CR LF, a lone CR and a lone LF each become one CR LF. Throws Error when unreadable.
std::string ReadSubtitleFile(const std::string& path);
std::string NormalizeLineBreaks(std::string_view bytes);

bool FileExists(const std::string& path);  // a folder does not count

}  // namespace titrelle
