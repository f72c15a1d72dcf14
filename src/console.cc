#include "console.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

class StandardConsole : public Console {
 public:
  StandardConsole() {
#ifdef _WIN32
    // The tool writes its own CR LF; text mode would turn it into CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  }

  void write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }

  bool readWord(std::string* word) override {
    word->clear();
    int c = std::getchar();
    while (c != EOF && isWordSpace(c)) c = std::getchar();
    if (c == EOF) return false;
    while (c != EOF && !isWordSpace(c)) {
      word->push_back(static_cast<char>(c));
      c = std::getchar();
    }
    return true;
  }
};

}  // namespace

Console& standardConsole() {
  static StandardConsole console;
  return console;
}
