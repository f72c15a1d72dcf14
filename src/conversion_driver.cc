#include "conversion_driver.h"

#include <charconv>
#include <new>
#include <utility>

#include "source_scanner.h"
#include "track_file_set.h"

// The Japanese texts are Shift_JIS (code page 932) bytes, written as they
// are so that they read correctly on a Japanese Windows console.
namespace texts {
const std::string_view kBanner =
    "tarvenik\x82\xC5\x8D\xEC\x90\xAC\x82\xB5\x82\xBD\x83t\x83@\x83\x43\x83"
    "\x8B\x82\xA9\x82\xE7trk\x83\x66\x81[\x83^\x82\xF0\x8D\xEC\x90\xAC\x82"
    "\xB5\x82\xDC\x82\xB7\r\n";
const std::string_view kPrompt = "Input file >>";
}  // namespace texts

namespace {

// "ファイルが開けません(" ... ")": the file cannot be opened.
constexpr std::string_view kCannotOpen =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1(";
// "ファイルが読めません(" ... ")": the file cannot be read.
constexpr std::string_view kCannotRead =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82"
    "\xF1(";
// "ファイルが作成できません(" ... ")": the file cannot be created.
constexpr std::string_view kCannotCreate =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82"
    "\xDC\x82\xB9\x82\xF1(";
// "ファイルに書き込めません(" ... ")": the file cannot be written.
constexpr std::string_view kCannotWrite =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82"
    "\xDC\x82\xB9\x82\xF1(";
// "入力ファイルには書き込めません(" ... ")": the source cannot be written.
constexpr std::string_view kIsSource =
    "\x93\xFC\x97\xCD\x83t\x83@\x83\x43\x83\x8B\x82\xC9\x82\xCD\x8F\x91\x82"
    "\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1(";
// "メモリが足りません(" ... ")": there is not enough memory.
constexpr std::string_view kOutOfMemory =
    "\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82"
    "\xF1(";
// "<n>行目: 経度のない緯度を飛ばしました": line n's lone latitude was skipped.
constexpr std::string_view kLoneLatitude =
    "\x8Ds\x96\xDA: \x8Co\x93x\x82\xCC\x82\xC8\x82\xA2\x88\xDC\x93x\x82\xF0"
    "\x94\xF2\x82\xCE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\n";

struct LayerCode {
  std::string_view code;
  std::string_view layerName;
};

// Tested in this order; a later match replaces an earlier one.
constexpr LayerCode kLayerCodeTable[] = {
    {"DK", "RoadNum"},      {"GK", "GyouseiKai"}, {"KK", "RiverNum"},
    {"SK", "WaterLineNum"}, {"TK", "RailNum"},
};

bool isShiftJisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Returns where the base name of `name` begins.
std::size_t baseNameStart(std::string_view name, PathStyle style) {
  if (style == PathStyle::kPosix) {
    std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
  }
  std::size_t start = 0;
  std::size_t i = 0;
  if (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':') {
    start = i = 2;
  }
  while (i < name.size()) {
    auto c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '\\') {
      start = ++i;
    } else if (isShiftJisLeadByte(c) && i + 1 < name.size()) {
      i += 2;  // a double-byte character: its second byte may be 0x5C
    } else {
      ++i;
    }
  }
  return start;
}

std::string lineNumberWarning(long long lineNumber) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, lineNumber).ptr;
  std::string text(digits, end);
  text += kLoneLatitude;
  return text;
}

}  // namespace

TypedName splitTypedName(std::string_view name, PathStyle style) {
  const std::size_t baseStart = baseNameStart(name, style);
  std::string_view base = name.substr(baseStart);
  std::string_view stem = base;
  std::size_t first = base.find_first_not_of('.');
  if (first != std::string_view::npos) {
    stem = base.substr(first, base.find('.', first) - first);
  }
  return {std::string(name.substr(0, baseStart)), std::string(stem)};
}

std::string_view layerNameFor(std::string_view stem) {
  std::string_view layerName = stem;
  for (const LayerCode& row : kLayerCodeTable) {
    if (stem.find(row.code) != std::string_view::npos) {
      layerName = row.layerName;
    }
  }
  return layerName;
}

namespace {

// Returns the text a message for `code` begins with, before the file name.
std::string_view messageStart(Status::Code code) {
  switch (code) {
    case Status::kOk:
      break;
    case Status::kCannotOpen:
      return kCannotOpen;
    case Status::kCannotRead:
      return kCannotRead;
    case Status::kCannotCreate:
      return kCannotCreate;
    case Status::kCannotWrite:
      return kCannotWrite;
    case Status::kIsSource:
      return kIsSource;
    case Status::kOutOfMemory:
      return kOutOfMemory;
  }
  return {};
}

constexpr std::string_view kMessageEnd = ")\r\n";

}  // namespace

std::string messageFor(const Status& status) {
  if (status.ok()) return std::string();
  std::string message(messageStart(status.code));
  message += status.file;
  message += kMessageEnd;
  return message;
}

int exitStatusFor(const Status& status) {
  switch (status.code) {
    case Status::kOk:
      return 0;
    case Status::kCannotCreate:
    case Status::kCannotWrite:
      return -1;
    default:
      return 1;
  }
}

int ConversionDriver::fail(const Status& status) {
  // Written in pieces, so that the message needs no memory: it may have to
  // say that there is none left.
  console_.write(messageStart(status.code));
  console_.write(status.file);
  console_.write(kMessageEnd);
  return exitStatusFor(status);
}

int ConversionDriver::run() {
  console_.write(texts::kBanner);
  console_.write(texts::kPrompt);
  std::string name;
  // Memory grows with the longest line of the source; a line longer than
  // the machine can hold ends the run with a message, not a crash.
  try {
    if (!console_.readWord(&name)) {
      return fail(Status::Failure(Status::kCannotOpen, ""));
    }
    return convert(name);
  } catch (const std::bad_alloc&) {
    // The name is moved, not copied: it may be what took the memory.
    return fail(Status::Failure(Status::kOutOfMemory, std::move(name)));
  }
}

int ConversionDriver::convert(const std::string& name) {
  SourceScanner scanner(files_);
  Status opened = scanner.open(name);
  if (!opened.ok()) return fail(opened);

  const TypedName parts = splitTypedName(name);
  const std::string_view layerName = layerNameFor(parts.stem);
  TrackFileSet tracks(files_, parts.directory + parts.stem, name);

  SourceLine line;
  while (tracks.prepareBlock().ok() && scanner.nextLine(&line)) {
    if (scanner.isHeaderLine()) continue;
    scanner.applyLabel(&line);
    if (!scanner.isDataLine(line)) continue;
    tracks.beginTrack(scanner.trackName(layerName), scanner.labelCount());
    const bool complete = SourceScanner::forEachCoordinatePair(
        line, [&tracks](std::string_view latitude, std::string_view longitude) {
          tracks.addPoint(latitude, longitude);
        });
    if (!complete) console_.write(lineNumberWarning(scanner.lineCount()));
  }

  scanner.close();
  if (!scanner.status().ok()) {
    tracks.closeCurrent();
    return fail(scanner.status());
  }
  const Status written = tracks.closeCurrent();
  return written.ok() ? 0 : fail(written);
}
