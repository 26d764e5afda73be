#include "document/SubtitleFile.h"

#include "base/Cp936.h"

namespace titrelle {

std::string NormalizeLineBreaks(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 16);
  const char* next = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  while (next != end) {
    // Copy up to the next CR or LF in one piece, then write one CR LF for the break found there.
    const char* stop = next;
    while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
    text.append(next, stop);
    if (stop == end) break;
    text += "\r\n";
    next = stop + 1;
    if (*stop == '\r' && next != end && *next == '\n') ++next;
  }
  return text;
}

}  // namespace titrelle

namespace titrelle {

namespace {

bool IsValidUtf8WithNonAscii(std::string_view bytes) {
  bool nonAscii = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    nonAscii = true;
    std::size_t length = 0;
    if (byte >= 0xC2 && byte <= 0xDF)
      length = 2;
    else if (byte >= 0xE0 && byte <= 0xEF)
      length = 3;
    else if (byte >= 0xF0 && byte <= 0xF4)
      length = 4;
    else
      return false;
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return nonAscii;
}

bool IsValidCp936(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) continue;
    if (!IsLeadByte(byte) || i + 1 == bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

}  // namespace

FileEncoding DetectFileEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return FileEncoding::Utf8;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return FileEncoding::Utf16;
  if (bytes.size() >= 2) {
    std::size_t zeros = 0;
    for (const char byte : bytes) zeros += byte == '\0' ? 1 : 0;
    if (zeros * 4 >= bytes.size()) return FileEncoding::Utf16;
  }
  if (IsValidUtf8WithNonAscii(bytes) && !IsValidCp936(bytes)) return FileEncoding::Utf8;
  return FileEncoding::Cp936;
}

}  // namespace titrelle
