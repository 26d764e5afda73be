// Code page 936 conversions on Windows: the system's own tables, with the same answers as the POSIX codec
// where the input is no text (a broken UTF-8 sequence, a byte code page 936 has no character for) and for a
// character the code page lacks, which the system alone would turn into a look-alike or into two "?" for
// the two halves of a surrogate pair.
#include "base/Cp936.h"

#include <optional>
#include <string>

#include <windows.h>

#include "base/Utf8Sequence.h"

namespace titrelle {

namespace {

constexpr UINT kCodePage = 936;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// `text` converted, or nothing when the system finds a sequence in it that is not a character.
std::optional<std::wstring> Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWideText(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

// `wide` in code page 936; *missing tells whether a character had no place in it (it became "?").
std::string Cp936FromWideText(std::wstring_view wide, bool* missing) {
  *missing = false;
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  // No best fit: a character the code page lacks must not pass for a look-alike ("e" for an accented one).
  const int length =
      WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, "?", &usedDefault);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, narrow.data(), length, "?",
                      &usedDefault);
  *missing = usedDefault != FALSE;
  return narrow;
}

// Well-formed UTF-8 (`run`) into code page 936, each character the code page lacks (a surrogate pair is one)
// replaced by `substitute`.
void AppendCp936(std::string_view run, std::string_view substitute, bool& lossy, std::string& out) {
  const std::optional<std::wstring> wide = Widen(run, CP_UTF8);
  if (!wide) {  // not expected of well-formed UTF-8; every character of it counts as missing
    lossy = true;
    out += substitute;
    return;
  }
  bool missing = false;
  std::string whole = Cp936FromWideText(*wide, &missing);
  if (!missing) {
    out += whole;
    return;
  }
  lossy = true;
  for (std::size_t i = 0; i < wide->size();) {
    const bool pair = i + 1 < wide->size() && IS_HIGH_SURROGATE((*wide)[i]) && IS_LOW_SURROGATE((*wide)[i + 1]);
    const std::size_t length = pair ? 2 : 1;
    const std::string character = Cp936FromWideText(std::wstring_view(*wide).substr(i, length), &missing);
    out += missing ? std::string(substitute) : character;
    i += length;
  }
}

std::string Cp936FromUtf8With(std::string_view utf8, bool* lossy, std::string_view substitute) {
  bool anyLost = false;
  std::string out;
  out.reserve(utf8.size());
  std::size_t position = 0;
  while (position < utf8.size()) {
    std::size_t end = position;
    for (std::size_t length; end < utf8.size() && (length = WellFormedUtf8Length(utf8, end)) > 0;) end += length;
    AppendCp936(utf8.substr(position, end - position), substitute, anyLost, out);
    position = end;
    if (position < utf8.size()) {
      anyLost = true;
      out += substitute;
      position += Utf8SubstitutedLength(utf8, position);
    }
  }
  if (lossy) *lossy = anyLost;
  return out;
}

constexpr bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// Bytes that are characters in shape (single bytes below 0xFF, lead and trail pairs) into UTF-8; a pair the
// system's table does not map becomes U+FFFD.
void AppendUtf8(std::string_view run, std::string& out) {
  if (const std::optional<std::wstring> wide = Widen(run, kCodePage)) {
    out += Utf8FromWideText(*wide);
    return;
  }
  for (std::size_t i = 0; i < run.size();) {
    const std::size_t length = IsLeadByte(static_cast<unsigned char>(run[i])) ? 2 : 1;
    const std::optional<std::wstring> wide = Widen(run.substr(i, length), kCodePage);
    out += wide ? Utf8FromWideText(*wide) : std::string(kReplacementCharacter);
    i += length;
  }
}

}  // namespace

std::string Cp936FromUtf8(std::string_view utf8, bool* lossy) { return Cp936FromUtf8With(utf8, lossy, "?"); }

std::string Cp936FromUtf8Refusing(std::string_view utf8, bool* refused) {
  return Cp936FromUtf8With(utf8, refused, "");
}

std::string Utf8FromCp936(std::string_view cp936) {
  std::string out;
  out.reserve(cp936.size() * 3 / 2);
  std::size_t runStart = 0;
  std::size_t position = 0;
  const auto flushRun = [&] {
    AppendUtf8(cp936.substr(runStart, position - runStart), out);
  };
  while (position < cp936.size()) {
    const auto byte = static_cast<unsigned char>(cp936[position]);
    const bool lead = IsLeadByte(byte);
    const bool followed = position + 1 < cp936.size();
    const auto next = followed ? static_cast<unsigned char>(cp936[position + 1]) : 0;
    if (!lead && byte != 0xFF) {
      ++position;  // ASCII, or 0x80 (the euro sign)
    } else if (lead && followed && IsTrailByte(next)) {
      position += 2;
    } else {
      // 0xFF, a lead byte at the end or before a byte that cannot follow it: one unknown character, which
      // takes the byte after the lead with it where that byte could only be a trail byte (0x7F, 0xFF).
      flushRun();
      out += kReplacementCharacter;
      position += lead && followed && next >= 0x40 ? 2 : 1;
      runStart = position;
    }
  }
  flushRun();
  return out;
}

}  // namespace titrelle
