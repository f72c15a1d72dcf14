// SourceScanner reads a source file written by tarvenik in one pass, one
// line at a time, and knows its kinds of lines: the 25 header lines, Label
// lines (Label=value) and Data lines (Data= and then latitude and longitude
// values). It keeps the label count and the current label, from which the
// tracks take their numbers and names, and splits Data lines into
// coordinate pairs. All text stays the bytes it was; nothing is decoded.
#ifndef TARVENIK2TRK_SOURCE_SCANNER_H_
#define TARVENIK2TRK_SOURCE_SCANNER_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "delimiter_mask.h"
#include "file_system.h"
#include "status.h"

/// One line of the source. The bytes stay valid until the next nextLine().
struct SourceLine {
  std::string_view text;    // the line without its line end (LF or CR LF)
  bool terminated = false;  // whether an LF ended it
};

struct CoordinatePair {
  std::string_view latitude;
  std::string_view longitude;
};

class SourceScanner {
 public:
  /// The number of lines at the start of a source that are its header.
  static constexpr long long kHeaderLines = 25;

  explicit SourceScanner(FileSystem& files);

  /// Opens the source `name`; returns kCannotOpen when it is missing or not
  /// a readable regular file.
  Status open(const std::string& name);

  /// Returns true and the next line in `line`, or false at the end of the
  /// source and when a read failed (then status() says so). The end is a
  /// byte 0x1A or the end of the file; a last line without an LF counts.
  bool nextLine(SourceLine* line);

  /// Returns ok, or kCannotRead after a read of the source failed.
  const Status& status() const { return status_; }

  /// Returns the number of lines delivered so far.
  long long lineCount() const { return lineCount_; }

  /// Returns true while the last line delivered is one of the header's.
  bool isHeaderLine() const { return lineCount_ <= kHeaderLines; }

  /// Does nothing unless `line` holds "Label". Otherwise counts the label and
  /// takes the text after the first "=" that follows the line's leading "="
  /// bytes as the current label, and cuts `line` before that "=". A line of
  /// fewer than 7 bytes before its line end, a line with no "=" to cut at
  /// (kept whole) and an empty value leave the source unlabelled.
  void applyLabel(SourceLine* line);

  /// Returns true when `line`, as applyLabel() left it, holds "Data".
  bool isDataLine(const SourceLine& line) const;

  /// Returns the current label, or `layerName` while unlabelled (also
  /// before the first Label line).
  std::string_view trackName(std::string_view layerName) const {
    return unlabelled_ ? layerName : std::string_view(label_);
  }

  /// Returns the number of Label lines seen after the header.
  long long labelCount() const { return labelCount_; }

  /// Splits the text of a Data line after its first five bytes at the bytes
  /// "=(),\n" into tokens and pairs them up, latitude first, into `pairs`.
  /// Returns false when the number of tokens is odd: the lone latitude at
  /// the end is then left out.
  static bool coordinatePairs(const SourceLine& line,
                              std::vector<CoordinatePair>* pairs);

  /// The same split, handing each pair to `visit(latitude, longitude)` as
  /// it is found. Returns false when a lone latitude was left out.
  template <typename Visit>
  static bool forEachCoordinatePair(const SourceLine& line, Visit&& visit);

  /// The same, with the delimiter masks taken by `Mask` (one of those in
  /// delimiter_mask.h); forEachCoordinatePair picks the fastest.
  template <typename Mask, typename Visit>
  [[gnu::always_inline]] static inline bool forEachCoordinatePairWith(
      const SourceLine& line, Visit& visit);

  /// Closes the source.
  void close();

 private:
  /// Moves the unfinished line to the front of the buffer, grows the buffer
  /// when that line fills it, and reads more. Returns false on a read error.
  bool refill();

  FileSystem& files_;
  std::string name_;
  std::unique_ptr<ReadableFile> file_;
  Status status_;

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;     // start of the next line
  std::size_t scanFrom_ = 0;  // where the search for its LF goes on
  std::size_t end_ = 0;       // end of the bytes read
  bool atEnd_ = false;        // nothing more will be read

  long long lineCount_ = 0;
  long long labelCount_ = 0;
  bool unlabelled_ = true;
  std::string label_;
};

namespace source_scanner_detail {
#ifdef TARVENIK2TRK_AVX2_MASK
// The splitter compiled for AVX2 and BMI, so that Avx2Mask::of is inlined
// into it.
template <typename Visit>
[[gnu::target("avx2,bmi,bmi2")]] bool forEachCoordinatePairAvx2(
    const SourceLine& line, Visit& visit) {
  return SourceScanner::forEachCoordinatePairWith<delimiter_mask::Avx2Mask>(
      line, visit);
}
#endif
}  // namespace source_scanner_detail

template <typename Visit>
bool SourceScanner::forEachCoordinatePair(const SourceLine& line,
                                          Visit&& visit) {
#ifdef TARVENIK2TRK_AVX2_MASK
  if (delimiter_mask::hasAvx2()) {
    return source_scanner_detail::forEachCoordinatePairAvx2(line, visit);
  }
#endif
  return forEachCoordinatePairWith<delimiter_mask::PortableMask>(line, visit);
}

template <typename Mask, typename Visit>
bool SourceScanner::forEachCoordinatePairWith(const SourceLine& line,
                                              Visit& visit) {
  using delimiter_mask::isDelimiter;
  // The first five bytes, "Data=", are passed over.
  if (line.text.size() <= 5) return true;
  const char* const text = line.text.data() + 5;
  const std::size_t size = line.text.size() - 5;
  // The mask of the 32 bytes at q; bytes beyond the text count as
  // delimiters, which is what the end of the text is to a token.
  auto maskAt = [text, size](std::size_t q) -> std::uint64_t {
    if (q <= size && size - q >= 32) return Mask::of(text + q);
    char tail[32];
    std::memset(tail, '\n', sizeof tail);
    if (q < size) std::memcpy(tail, text + q, size - q);
    return Mask::of(tail);
  };
  // Fast path: `window` holds the mask of the 64 bytes from `base`, and p
  // stays within its first half. Where a pair begins at p, the mask changes
  // four times after p in the usual case, "35.123456,139.123456),(": at the
  // end of the latitude, at the start and the end of the longitude, and at
  // the next latitude. The masks are taken at fixed steps ahead of p, so
  // that finding a pair never waits for the load of the bytes it is in.
  std::size_t base = 0;
  std::uint64_t window = maskAt(0) | maskAt(32) << 32;
  std::size_t p = 0;
  for (;;) {
    if (p >= size) return true;  // only whole pairs were taken
    if (p - base >= 32) {
      if (p - base >= 64) {
        base = p;
        window = maskAt(p) | maskAt(p + 32) << 32;
      } else {
        base += 32;
        window = window >> 32 | maskAt(base + 32) << 32;
      }
    }
    const unsigned offset = static_cast<unsigned>(p - base);
    const std::uint64_t delimiters = window >> offset;
    if (delimiters & 1) {  // p is on delimiters: pass over them
      p += static_cast<unsigned>(std::countr_one(delimiters));
      continue;
    }
    const std::uint64_t c1 = delimiters ^ (delimiters << 1);
    const std::uint64_t c2 = c1 & (c1 - 1);
    const std::uint64_t c3 = c2 & (c2 - 1);
    const std::uint64_t c4 = c3 & (c3 - 1);
    // The bits beyond the window are zero, as if their bytes were no
    // delimiters. That can only add a change from delimiter to other byte
    // right at the window's end, which the next latitude's start c4 may
    // then be: a place after a delimiter, from where the scan goes on as
    // well. The other three changes come before it, so they are real.
    if (c4 != 0) {
      const unsigned latitudeEnd = std::countr_zero(c1);
      const unsigned longitudeStart = std::countr_zero(c2);
      const unsigned longitudeEnd = std::countr_zero(c3);
      visit(std::string_view(text + p, latitudeEnd),
            std::string_view(text + p + longitudeStart,
                             longitudeEnd - longitudeStart));
      p += static_cast<unsigned>(std::countr_zero(c4));
      continue;
    }
    // Slow path, one byte at a time, for one pair: the last of a line, and
    // pairs with long tokens or long runs of delimiters.
    while (p != size && isDelimiter(text[p])) ++p;
    if (p == size) return true;
    const std::size_t latitude = p;
    while (p != size && !isDelimiter(text[p])) ++p;
    const std::size_t latitudeEnd = p;
    while (p != size && isDelimiter(text[p])) ++p;
    if (p == size) return false;  // a latitude without its longitude
    const std::size_t longitude = p;
    while (p != size && !isDelimiter(text[p])) ++p;
    visit(std::string_view(text + latitude, latitudeEnd - latitude),
          std::string_view(text + longitude, p - longitude));
  }
}

#endif  // TARVENIK2TRK_SOURCE_SCANNER_H_
