#include "document/Cp936Decoder.h"

#include "base/Cp936.h"

namespace titrelle {

namespace {

// A table of every double-byte character, made once from the program's codec.
class Cp936Decoder {
 public:
  Cp936Decoder() {
    std::string pairs;
    pairs.reserve(kLeadCount * kTrailCount * 2);
    for (int lead = kFirstLead; lead <= kLastLead; ++lead) {
      for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
        pairs += static_cast<char>(lead);
        pairs += static_cast<char>(trail);
      }
    }
    // Each pair gives one character, or one U+FFFD when it is not one.
    const std::string utf8 = Utf8FromCp936(pairs);
    std::size_t position = 0;
    for (Character& character : pairs_) {
      if (!Take(utf8, position, character)) return;
    }
    if (position != utf8.size()) return;
    // The bytes that stand alone: 0x80, 0xFF, and a lead byte that nothing can follow.
    const auto takeAlone = [](const char* bytes, Character& character) {
      const std::string utf8 = Utf8FromCp936(bytes);
      std::size_t position = 0;
      return Take(utf8, position, character) && position == utf8.size();
    };
    ready_ = takeAlone("\x80", byte80_) && takeAlone("\xFF", byteFF_) && takeAlone("\x81", broken_);
  }

  std::string Decode(std::string_view cp936) const {
    if (!ready_) return Utf8FromCp936(cp936);
    // Two passes over the table: the length, then the bytes into a string of that size.
    std::size_t length = 0;
    ForEachCharacter(cp936, [&length](const Character& character) { length += character.length; });
    std::string utf8(length, '\0');
    char* out = utf8.data();
    ForEachCharacter(cp936, [&out](const Character& character) {
      for (unsigned char i = 0; i < character.length; ++i) *out++ = character.bytes[i];
    });
    return utf8;
  }

 private:
  template <typename OnCharacter>
  void ForEachCharacter(std::string_view cp936, OnCharacter onCharacter) const {
    Character ascii;
    ascii.length = 1;
    std::size_t i = 0;
    while (i < cp936.size()) {
      const auto byte = static_cast<unsigned char>(cp936[i]);
      if (byte < 0x80) {
        ascii.bytes[0] = static_cast<char>(byte);
        onCharacter(ascii);
        ++i;
      } else if (byte == 0x80 || byte == 0xFF) {
        onCharacter(byte == 0x80 ? byte80_ : byteFF_);
        ++i;
      } else if (i + 1 < cp936.size() && static_cast<unsigned char>(cp936[i + 1]) >= kFirstTrail) {
        const auto trail = static_cast<unsigned char>(cp936[i + 1]);
        onCharacter(pairs_[(byte - kFirstLead) * kTrailCount + (trail - kFirstTrail)]);
        i += 2;
      } else {
        onCharacter(broken_);  // a lead byte before a byte that cannot follow it, or at the end
        ++i;
      }
    }
  }

  static constexpr int kFirstLead = 0x81, kLastLead = 0xFE, kFirstTrail = 0x40, kLastTrail = 0xFF;
  static constexpr int kLeadCount = kLastLead - kFirstLead + 1;
  static constexpr int kTrailCount = kLastTrail - kFirstTrail + 1;

  struct Character {
    char bytes[3] = {};
    unsigned char length = 0;
  };

  // One character of `utf8` from `position`; false when it is not a character of one to three bytes.
  static bool Take(const std::string& utf8, std::size_t& position, Character& character) {
    if (position >= utf8.size()) return false;
    const auto first = static_cast<unsigned char>(utf8[position]);
    const std::size_t length = first < 0x80 ? 1 : (first & 0xE0) == 0xC0 ? 2 : (first & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || position + length > utf8.size()) return false;
    for (std::size_t i = 0; i < length; ++i) character.bytes[i] = utf8[position + i];
    character.length = static_cast<unsigned char>(length);
    position += length;
    return true;
  }

  Character pairs_[kLeadCount * kTrailCount];
  Character byte80_, byteFF_, broken_;
  bool ready_ = false;
};

}  // namespace

std::string Utf8FromCp936Document(std::string_view cp936) {
  static const Cp936Decoder decoder;
  return decoder.Decode(cp936);
}

}  // namespace titrelle
