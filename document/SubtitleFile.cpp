#include "document/SubtitleFile.h"

#include <algorithm>
#include <cstring>

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

// Well-formed UTF-8 (shortest forms only, no surrogates, nothing past U+10FFFF); `multiByte` set when it
// holds a character of several bytes. Code page 936 text is almost never this: its trail bytes would all have
// to be continuation bytes and its lead bytes the right starts, character after character.
bool IsWellFormedUtf8(std::string_view bytes, bool& multiByte) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    multiByte = true;
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
      if (byte == 0xE0) secondLow = 0xA0;   // no overlong forms
      if (byte == 0xED) secondHigh = 0x9F;  // no surrogates
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
      if (byte == 0xF0) secondLow = 0x90;
      if (byte == 0xF4) secondHigh = 0x8F;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < secondLow || second > secondHigh) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// UTF-16 without a byte order mark. Every ASCII character of it (each time line, number and break) has a
// zero byte, and all of them sit on the same side: the odd places in little-endian order, the even ones in
// big-endian. Chinese characters seldom have one (U+4E00 does), so a file of long Chinese lines has few
// zeros, but still nearly all on one side; text in code page 936 or UTF-8 has none. The bytes must then
// read as UTF-16 code units: no NUL character, no surrogate without its partner.
bool IsUtf16WithoutByteOrderMark(std::string_view bytes, const std::size_t (&zeros)[2]) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return false;
  const bool littleEndian = zeros[1] > zeros[0];
  const std::size_t ownSide = zeros[littleEndian ? 1 : 0];
  const std::size_t otherSide = zeros[littleEndian ? 0 : 1];
  const std::size_t units = bytes.size() / 2;
  if (ownSide == 0 || ownSide * 32 < units || otherSide * 8 > ownSide) return false;
  bool highSurrogateBefore = false;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    const unsigned unit = littleEndian ? first | second << 8 : first << 8 | second;
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (unit == 0 || low != highSurrogateBefore) return false;
    highSurrogateBefore = high;
  }
  return !highSurrogateBefore;
}

}  // namespace

FileEncoding DetectFileEncoding(std::string_view bytes) {
  FileTextScan scan;
  scan.Scan(bytes, true);
  return scan.Encoding(bytes);
}

void FileTextScan::Scan(std::string_view bytes, bool atEnd) {
  std::size_t end = bytes.size();
  if (!atEnd) {
    const std::size_t lastLineFeed = bytes.rfind('\n');
    if (lastLineFeed == std::string_view::npos || lastLineFeed < scanned_) return;
    end = lastLineFeed + 1;
  }
  const std::string_view piece = bytes.substr(scanned_, end - scanned_);
  for (const char* zero = static_cast<const char*>(std::memchr(piece.data(), '\0', piece.size()));
       zero != nullptr;
       zero = static_cast<const char*>(std::memchr(zero + 1, '\0', piece.data() + piece.size() - zero - 1)))
    ++zeros_[(scanned_ + static_cast<std::size_t>(zero - piece.data())) % 2];
  if (utf8_) utf8_ = IsWellFormedUtf8(piece, multiByte_);
  carriageReturns_ += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\r'));
  for (std::size_t at = piece.find('\n'); at != std::string_view::npos; at = piece.find('\n', at + 1)) {
    ++lineFeeds_;
    if (scanned_ + at > 0 && bytes[scanned_ + at - 1] == '\r') ++crLineFeeds_;
  }
  scanned_ = end;
}

FileEncoding FileTextScan::Encoding(std::string_view bytes) const {
  if (bytes.starts_with("\xEF\xBB\xBF")) return FileEncoding::Utf8;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return FileEncoding::Utf16;
  if (IsUtf16WithoutByteOrderMark(bytes, zeros_)) return FileEncoding::Utf16;
  // Text with zero bytes in a quarter of its places is no code page 936 either: it is kept as it is.
  if (bytes.size() >= 2 && (zeros_[0] + zeros_[1]) * 4 >= bytes.size()) return FileEncoding::Utf16;
  if (utf8_ && multiByte_) return FileEncoding::Utf8;
  return FileEncoding::Cp936;
}

}  // namespace titrelle
