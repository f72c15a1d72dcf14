// Makes realistic tarvenik sources of any size for the benchmark and the
// tests: the 25 header lines, then groups of one Label line (about one in
// seven empty) and one to four Data lines of 2 to 100 coordinate pairs such
// as (35.123456,139.123456). The same seed gives the same bytes everywhere.
#ifndef TARVENIK2TRK_BENCH_SOURCE_GENERATOR_H_
#define TARVENIK2TRK_BENCH_SOURCE_GENERATOR_H_

#include <cstdint>
#include <ostream>
#include <string>

struct SourceShape {
  std::uint64_t bytes = 200'000'000;  // about this many, stopping after a group
  std::uint64_t seed = 1;
  bool crlf = true;  // CR LF line ends, else LF
};

namespace source_generator_detail {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number from `low` to `high`, both included.
  std::uint64_t between(std::uint64_t low, std::uint64_t high) {
    return low + next() % (high - low + 1);
  }

 private:
  std::uint64_t state_;
};

// Appends `whole`.`fraction` with six decimals.
inline void appendDegrees(std::string& out, std::uint64_t whole,
                          std::uint64_t fraction) {
  out += std::to_string(whole);
  out += '.';
  std::string digits = std::to_string(fraction);
  out.append(6 - digits.size(), '0');
  out += digits;
}

}  // namespace source_generator_detail

inline void generateSource(std::ostream& out, const SourceShape& shape) {
  using source_generator_detail::appendDegrees;
  source_generator_detail::Random random(shape.seed);
  const char* eol = shape.crlf ? "\r\n" : "\n";
  std::string chunk;
  for (int i = 1; i <= 25; ++i) {
    chunk += "; tarvenik header line " + std::to_string(i) + eol;
  }
  // Label names, some of them Shift_JIS (国道, 県道, 川).
  static const char* const kNames[] = {"\x8D\x91\x93\xB9", "\x8C\xA7\x93\xB9",
                                       "Route ", "\x90\xEC", "Line "};
  std::uint64_t written = 0;
  while (written + chunk.size() < shape.bytes) {
    if (random.between(0, 6) == 0) {
      chunk += "Label=";
    } else {
      chunk += "Label=";
      chunk += kNames[random.between(0, 4)];
      chunk += std::to_string(random.between(1, 9999));
    }
    chunk += eol;
    for (std::uint64_t d = random.between(1, 4); d > 0; --d) {
      chunk += "Data=";
      for (std::uint64_t p = random.between(2, 100); p > 0; --p) {
        chunk += '(';
        appendDegrees(chunk, random.between(24, 45), random.between(0, 999999));
        chunk += ',';
        appendDegrees(chunk, random.between(122, 153),
                      random.between(0, 999999));
        chunk += p > 1 ? ")," : ")";
      }
      chunk += eol;
    }
    if (chunk.size() > (1 << 20)) {
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      written += chunk.size();
      chunk.clear();
    }
  }
  out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

#endif  // TARVENIK2TRK_BENCH_SOURCE_GENERATOR_H_
