// Code page 936 conversions on POSIX systems: iconv.
#include "base/Cp936.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "base/Error.h"
#include "base/Utf8Sequence.h"

namespace titrelle {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// One iconv descriptor per direction and thread, opened on first use: opening one costs far more than a
// short conversion, and a settings file or a whole document converts many short texts.
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
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);  // the descriptor is reused: start afresh
    std::string output;
    output.reserve(input.size() * 3 / 2 + 8);
    buffer_.resize(4096);
    std::vector<char>& buffer = buffer_;
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
  std::vector<char> buffer_;
};

}  // namespace

namespace {

// `substitute` takes the place of each character the code page lacks; *lossy tells whether there was one.
std::string Cp936FromUtf8With(std::string_view utf8, bool* lossy, std::string_view substitute) {
  if (lossy) *lossy = false;
  thread_local Converter converter("CP936", "UTF-8");
  return converter.Convert(utf8, [&](std::string_view input, std::size_t position, std::string& output) {
    if (lossy) *lossy = true;
    output += substitute;
    return Utf8SubstitutedLength(input, position);
  });
}

}  // namespace

std::string Cp936FromUtf8(std::string_view utf8, bool* lossy) { return Cp936FromUtf8With(utf8, lossy, "?"); }

std::string Cp936FromUtf8Refusing(std::string_view utf8, bool* refused) {
  return Cp936FromUtf8With(utf8, refused, "");
}

std::string Utf8FromCp936(std::string_view cp936) {
  thread_local Converter converter("UTF-8", "CP936");
  return converter.Convert(cp936, [](std::string_view input, std::size_t position, std::string& output) {
    output += kReplacementCharacter;
    // A lead byte with a byte after it that the code page does not map is one unknown character.
    const bool pair = IsLeadByte(static_cast<unsigned char>(input[position])) &&
                      position + 1 < input.size() && static_cast<unsigned char>(input[position + 1]) >= 0x40;
    return std::size_t{pair ? 2u : 1u};
  });
}

}  // namespace titrelle
