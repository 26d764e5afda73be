// Code page 936 conversions on Windows: the system's own tables.
#include "base/Cp936.h"

#include <string>

#include <windows.h>

namespace titrelle {

namespace {

std::wstring Widen(std::string_view text, UINT codePage, DWORD flags) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const char* defaultChar = codePage == CP_UTF8 ? nullptr : "?";
  BOOL* used = codePage == CP_UTF8 ? nullptr : usedDefault;
  // No best fit: a character the code page lacks must not pass for a look-alike ("e" for an accented one).
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, defaultChar, used);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), size, narrow.data(), length, defaultChar, used);
  return narrow;
}

}  // namespace

std::string Cp936FromUtf8(std::string_view utf8, bool* lossy) {
  if (lossy) *lossy = false;
  BOOL usedDefault = FALSE;
  // Invalid UTF-8 becomes U+FFFD here, which code page 936 cannot hold: it ends up as "?" too.
  std::string result = Narrow(Widen(utf8, CP_UTF8, 0), 936, &usedDefault);
  if (lossy && usedDefault) *lossy = true;
  return result;
}

std::string Cp936FromUtf8Refusing(std::string_view utf8, bool* refused) {
  *refused = false;
  BOOL usedDefault = FALSE;
  const std::wstring wide = Widen(utf8, CP_UTF8, 0);
  std::string whole = Narrow(wide, 936, &usedDefault);
  if (!usedDefault) return whole;
  // Some character is missing: one at a time (a surrogate pair is one), each kept or left out.
  *refused = true;
  std::string kept;
  for (std::size_t i = 0; i < wide.size();) {
    const bool pair = i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
    const std::size_t length = pair ? 2 : 1;
    BOOL missing = FALSE;
    const std::string character = Narrow(wide.substr(i, length), 936, &missing);
    if (!missing) kept += character;
    i += length;
  }
  return kept;
}

std::string Utf8FromCp936(std::string_view cp936) {
  std::wstring wide = Widen(cp936, 936, 0);
  return Narrow(wide, CP_UTF8, nullptr);
}

}  // namespace titrelle
