#include "document/Cp936.h"

#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

#include "ui/Error.h"

namespace titrelle {

namespace {

// Length of the UTF-8 sequence that starts with `byte`; 1 for a byte that cannot start one, so that a
// broken sequence costs one "?" per byte and never swallows the text after it.
std::size_t Utf8SequenceLength(unsigned char byte) {
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  if (byte >= 0xE0) return byte <= 0xEF ? 3 : 1;
  if (byte >= 0xC2) return 2;
  return 1;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

#ifdef _WIN32

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

#else

// One iconv descriptor per conversion call: these run at the shells' edges, not in loops.
class Converter {
 public:
  Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error(std::string("Cannot convert text from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(descriptor_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `input`; on a sequence it cannot take, calls onInvalid(input, position, output), which appends
  // a substitute and returns how many input bytes to skip.
  template <typename OnInvalid>
  std::string Convert(std::string_view input, OnInvalid onInvalid) {
    std::string output;
    output.reserve(input.size() * 3 / 2 + 8);
    std::vector<char> buffer(4096);
    std::size_t position = 0;
    while (position < input.size()) {
      char* in = const_cast<char*>(input.data() + position);
      std::size_t inLeft = input.size() - position;
      char* out = buffer.data();
      std::size_t outLeft = buffer.size();
      const std::size_t result = iconv(descriptor_, &in, &inLeft, &out, &outLeft);
      const int error = errno;
      output.append(buffer.data(), buffer.size() - outLeft);
      position = input.size() - inLeft;
      if (result != static_cast<std::size_t>(-1)) continue;
      if (error == E2BIG) continue;
      iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      position += onInvalid(input, position, output);
    }
    return output;
  }

 private:
  iconv_t descriptor_;
};

#endif

}  // namespace

std::string Cp936FromUtf8(std::string_view utf8, bool* lossy) {
  if (lossy) *lossy = false;
#ifdef _WIN32
  BOOL usedDefault = FALSE;
  // Invalid UTF-8 becomes U+FFFD here, which code page 936 cannot hold: it ends up as "?" too.
  std::string result = Narrow(Widen(utf8, CP_UTF8, 0), 936, &usedDefault);
  if (lossy && usedDefault) *lossy = true;
  return result;
#else
  Converter converter("CP936", "UTF-8");
  return converter.Convert(utf8, [&](std::string_view input, std::size_t position, std::string& output) {
    if (lossy) *lossy = true;
    output += '?';
    const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(input[position]));
    // A well-formed character the code page lacks is skipped whole; a broken sequence one byte at a time.
    if (length > 1 && position + length <= input.size()) {
      for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(input[position + i]) & 0xC0) != 0x80) return std::size_t{1};
      }
      return length;
    }
    return std::size_t{1};
  });
#endif
}

std::string Utf8FromCp936(std::string_view cp936) {
#ifdef _WIN32
  std::wstring wide = Widen(cp936, 936, 0);
  return Narrow(wide, CP_UTF8, nullptr);
#else
  Converter converter("UTF-8", "CP936");
  return converter.Convert(cp936, [](std::string_view input, std::size_t position, std::string& output) {
    output += kReplacementCharacter;
    // A lead byte with a byte after it that the code page does not map is one unknown character.
    const bool pair = IsLeadByte(static_cast<unsigned char>(input[position])) &&
                      position + 1 < input.size() && static_cast<unsigned char>(input[position + 1]) >= 0x40;
    return std::size_t{pair ? 2u : 1u};
  });
#endif
}

namespace {

// Finds the occurrences of one pattern in one text, left to right, in linear time (Knuth-Morris-Pratt),
// keeping track of where characters start so that no match begins on a trail byte.
class AlignedMatcher {
 public:
  AlignedMatcher(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {
    failure_.assign(pattern.size(), 0);
    for (std::size_t i = 1, k = 0; i < pattern.size(); ++i) {
      while (k > 0 && pattern[i] != pattern[k]) k = failure_[k - 1];
      if (pattern[i] == pattern[k]) ++k;
      failure_[i] = k;
    }
  }

  // Puts the scan at `from`; a match is still only taken where a character starts.
  void Restart(std::size_t from) {
    matched_ = 0;
    position_ = from;
    boundary_ = 0;
  }

  // Moves the scan on to `from`, the end of the occurrence at `start` that was taken, so that the next one
  // does not overlap it.
  void SkipTo(std::size_t start, std::size_t from) {
    matched_ = 0;
    position_ = from;
    boundary_ = start;
  }

  // The next aligned occurrence at or after the scan position, npos when none.
  std::size_t Next() {
    const std::size_t m = pattern_.size();
    if (m == 0) return std::string_view::npos;
    while (position_ < text_.size()) {
      if (matched_ == 0) {
        // Nothing partly matched: jump straight to the next byte that could start a match.
        const void* hit = std::memchr(text_.data() + position_, pattern_[0], text_.size() - position_);
        if (hit == nullptr) break;
        position_ = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
      }
      const char byte = text_[position_];
      while (matched_ > 0 && byte != pattern_[matched_]) matched_ = failure_[matched_ - 1];
      if (byte == pattern_[matched_]) ++matched_;
      ++position_;
      if (matched_ == m) {
        const std::size_t start = position_ - m;
        matched_ = failure_[m - 1];
        if (StartsCharacter(start)) return start;
      }
    }
    position_ = text_.size();
    return std::string_view::npos;
  }

 private:
  // Whether `start` (not before boundary_) begins a character. Only the bytes that could be lead bytes right
  // before it matter: they pair up from the first of them, or from boundary_. Afterwards boundary_ moves up
  // to `start`: a byte is looked at again only inside an occurrence just taken, so the scan stays linear.
  bool StartsCharacter(std::size_t start) {
    std::size_t pairedFrom = start;
    while (pairedFrom > boundary_ && IsLeadByte(static_cast<unsigned char>(text_[pairedFrom - 1])))
      --pairedFrom;
    const bool aligned = (start - pairedFrom) % 2 == 0;
    boundary_ = aligned ? start : start + 1;
    return aligned;
  }

  std::string_view text_;
  std::string_view pattern_;
  std::vector<std::size_t> failure_;
  std::size_t matched_ = 0;
  std::size_t position_ = 0;
  std::size_t boundary_ = 0;  // a known start of a character, never beyond the next possible match start
};

}  // namespace

std::size_t FindCharacterAligned(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.empty() || from >= text.size()) return std::string_view::npos;
  AlignedMatcher matcher(text, pattern);
  matcher.Restart(from);
  return matcher.Next();
}

void ForEachCharacterAligned(std::string_view text, std::string_view pattern,
                             const std::function<void(std::size_t)>& onMatch) {
  if (pattern.empty()) return;
  AlignedMatcher matcher(text, pattern);
  for (std::size_t start = matcher.Next(); start != std::string_view::npos; start = matcher.Next()) {
    onMatch(start);
    matcher.SkipTo(start, start + pattern.size());
  }
}

std::string ReplaceAllCharacterAligned(std::string_view text, std::string_view pattern,
                                       std::string_view replacement) {
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;
  ForEachCharacterAligned(text, pattern, [&](std::size_t start) {
    result.append(text.substr(copied, start - copied));
    result.append(replacement);
    copied = start + pattern.size();
  });
  result.append(text.substr(copied));
  return result;
}

}  // namespace titrelle
