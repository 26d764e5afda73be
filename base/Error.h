#pragma once
// The program's failures are exceptions carrying the text the user sees (code page 936 bytes).

#include <stdexcept>
#include <string>

namespace titrelle {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace titrelle
