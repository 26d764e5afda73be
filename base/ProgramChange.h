#pragma once
// "The program is changing this; handlers stand aside": one scoped object that raises a flag the handlers
// look at, and puts the flag back as it was however the change ends (an exception included).

namespace titrelle {

template <typename Flag>
class ProgramChange {
 public:
  explicit ProgramChange(Flag& flag) : flag_(flag), before_(flag) { flag_ = static_cast<Flag>(1); }
  ~ProgramChange() { End(); }
  ProgramChange(const ProgramChange&) = delete;
  ProgramChange& operator=(const ProgramChange&) = delete;

  // Lowers the flag before the scope ends: the rest of the scope is an ordinary change again.
  void End() {
    if (ended_) return;
    ended_ = true;
    flag_ = before_;
  }

 private:
  Flag& flag_;
  Flag before_;
  bool ended_ = false;
};

template <typename Flag>
ProgramChange(Flag&) -> ProgramChange<Flag>;

}  // namespace titrelle
