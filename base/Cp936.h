#pragma once
// Code page 936 (GBK) text: the core's texts are byte strings in it. Conversion to and from UTF-8 is for
// the shells' edges; the double-byte-aware search is for every pass that matches patterns in a text.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace titrelle {

// A byte that starts a double-byte character (0x81..0xFE).
constexpr bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// UTF-8 to code page 936. A character code page 936 cannot hold becomes "?", and *lossy is set.
std::string Cp936FromUtf8(std::string_view utf8, bool* lossy = nullptr);
// UTF-8 to code page 936 for text the user typed or pasted: a character code page 936 cannot hold (Korean,
// an emoji, a rare ideograph, a broken sequence) is left out instead of becoming "?", and *refused is set.
std::string Cp936FromUtf8Refusing(std::string_view utf8, bool* refused);
// Code page 936 to UTF-8. A byte sequence that is not valid code page 936 becomes U+FFFD.
std::string Utf8FromCp936(std::string_view cp936);

// At most the first `bytes` bytes of `text`, whole characters only: what a label shows of a line of
// megabytes, which laid out whole would stop the window.
std::string_view LeadingCharacters(std::string_view text, std::size_t bytes);

// First occurrence of `pattern` in `text` at or after `from` that does not start on the trail byte of a
// double-byte character; npos when none (or when the pattern is empty).
std::size_t FindCharacterAligned(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Calls onMatch(start) for every occurrence, left to right, without overlap, never starting on a trail byte.
// Linear in the text's length.
void ForEachCharacterAligned(std::string_view text, std::string_view pattern,
                             const std::function<void(std::size_t)>& onMatch);

// Every occurrence, left to right, without overlap, never starting on a trail byte, replaced; the inserted
// text is not rescanned.
std::string ReplaceAllCharacterAligned(std::string_view text, std::string_view pattern,
                                       std::string_view replacement);

}  // namespace titrelle
