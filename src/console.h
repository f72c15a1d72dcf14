// The console the dialogue runs on: one word typed in, texts written out.
#ifndef TARVENIK2TRK_CONSOLE_H_
#define TARVENIK2TRK_CONSOLE_H_

#include <string>
#include <string_view>

class Console {
 public:
  virtual ~Console() = default;
  /// Writes `text` byte for byte and shows it at once.
  virtual void write(std::string_view text) = 0;
  /// Skips white space, then reads the bytes up to the next white space into
  /// `word`. Returns false when the input ends before a word begins.
  virtual bool readWord(std::string* word) = 0;
};

/// Returns the console of the process: standard input and standard output,
/// both as raw bytes (no line end is translated on any system).
Console& standardConsole();

/// Returns true for the bytes that end a typed word: space, tab, LF, VT, FF
/// and CR.
inline bool isWordSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

#endif  // TARVENIK2TRK_CONSOLE_H_
