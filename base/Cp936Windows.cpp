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
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, defaultChar, used);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, narrow.data(), length, defaultChar, used);
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

std::string Utf8FromCp936(std::string_view cp936) {
  std::wstring wide = Widen(cp936, 936, 0);
  return Narrow(wide, CP_UTF8, nullptr);
}

}  // namespace titrelle
