// A Console for tests and fuzzing: the typed input comes from a string, and
// everything written is collected.
#ifndef TARVENIK2TRK_STRING_CONSOLE_H_
#define TARVENIK2TRK_STRING_CONSOLE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "console.h"

class StringConsole : public Console {
 public:
  explicit StringConsole(std::string input) : input_(std::move(input)) {}

  void write(std::string_view text) override { output.append(text); }

  bool readWord(std::string* word) override {
    word->clear();
    while (at_ < input_.size() && isWordSpace(input_[at_])) ++at_;
    if (at_ == input_.size()) return false;
    while (at_ < input_.size() && !isWordSpace(input_[at_])) {
      word->push_back(input_[at_++]);
    }
    return true;
  }

  /// Everything written so far.
  std::string output;

 private:
  std::string input_;
  std::size_t at_ = 0;
};

#endif  // TARVENIK2TRK_STRING_CONSOLE_H_
