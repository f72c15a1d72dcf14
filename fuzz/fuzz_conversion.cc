// libFuzzer target: converts arbitrary bytes as a source typed under an
// arbitrary name, entirely in memory, and checks what was written.
//
// Input layout: byte 0 picks an operation to fail (0: none), byte 1 the
// length of the typed text (up to 63 bytes), then the typed text, then the
// source.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversion_driver.h"
#include "memory_file_system.h"
#include "string_console.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool holds(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// Counts the Data lines after the 25 header lines, reading the source the
// simple way: 0x1A ends it, CR LF is LF, and a Label line long enough to
// have a value is only searched for "Data" before its cut.
long long dataLines(std::string_view source) {
  source = source.substr(0, source.find('\x1A'));
  long long count = 0, number = 0;
  while (!source.empty()) {
    std::size_t lf = source.find('\n');
    std::string_view line = source.substr(0, lf);
    source = lf == std::string_view::npos ? "" : source.substr(lf + 1);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (++number <= 25) continue;
    if (holds(line, "Label") && line.size() + 1 >= 8) {
      std::size_t start = line.find_first_not_of('=');
      std::size_t cut = start == std::string_view::npos ? std::string_view::npos
                                                        : line.find('=', start);
      if (cut != std::string_view::npos) line = line.substr(0, cut);
    }
    if (holds(line, "Data")) ++count;
  }
  return count;
}

// Checks the shape of one block file and returns its number of tracks.
long long checkBlockFile(std::string_view content) {
  // Every line ends with CR LF: each LF follows a CR, and the file ends
  // with an LF (or is empty).
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\n') check(i > 0 && content[i - 1] == '\r');
  }
  check(content.empty() || content.back() == '\n');
  long long tracks = 0;
  std::size_t at = 0;
  auto nextLine = [&]() {
    std::size_t end = content.find("\r\n", at);
    check(end != std::string_view::npos);
    std::string_view line = content.substr(at, end - at);
    at = end + 2;
    return line;
  };
  while (at < content.size()) {
    check(nextLine().empty());
    std::string_view heading = nextLine();
    check(heading.substr(0, 3) == "H  " && heading.back() == ')' &&
          holds(heading, "("));
    check(nextLine().empty());
    check(nextLine() == "H  Latitude     Longitude");
    ++tracks;
    while (at < content.size() && content.substr(at, 4) == "T  N") {
      check(holds(nextLine(), "   E"));
    }
  }
  return tracks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 2) return 0;
  const int failOperation = data[0] % 64;
  const std::size_t typedSize = std::min<std::size_t>(data[1] % 64, size - 2);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view typed = bytes.substr(2, typedSize);
  const std::string_view source = bytes.substr(2 + typedSize);

  StringConsole console{std::string(typed)};
  std::string name;
  const bool haveName = StringConsole(std::string(typed)).readWord(&name);

  MemoryFileSystem disk;
  disk.readPieceSize = 1 + source.size() % 7919;
  disk.failOperation = failOperation;
  if (haveName) disk.files[name] = std::string(source);
  const int status = ConversionDriver(console, disk).run();

  const std::string banner =
      std::string(texts::kBanner) + std::string(texts::kPrompt);
  check(console.output.compare(0, banner.size(), banner) == 0);
  if (haveName && disk.files.count(name)) check(disk.files[name] == source);
  if (!haveName || failOperation != 0) {
    check(status == 0 || status == 1 || status == -1);
    return 0;
  }

  // A healthy run succeeds, unless the typed name makes a block file that
  // is the source itself ("x.hMOR0000.trk"); then it refuses at once.
  if (status == 1) {
    check(console.output.size() > banner.size());
    return 0;
  }
  check(status == 0);
  long long tracks = 0;
  std::size_t blocks = 0;
  for (const auto& [file, content] : disk.files) {
    if (file == name) continue;
    const long long inFile = checkBlockFile(content);
    check(inFile <= 1000);
    tracks += inFile;
    ++blocks;
  }
  check(tracks == dataLines(source));
  check(blocks == static_cast<std::size_t>(tracks / 1000 + 1));
  return 0;
}
