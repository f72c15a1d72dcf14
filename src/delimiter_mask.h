// Masks of the delimiter bytes "=(),\n" that separate and enclose the
// coordinates of a Data line: bit i of a mask tells whether byte i of a
// 32-byte window is a delimiter. The same mask is taken three ways: one
// byte at a time (the reference), with 16-byte compiler vectors (SSE2 on
// x86-64, NEON on ARM), and 32 bytes at once with AVX2 where the processor
// has it. They must agree on every byte; a test checks that they do.
#ifndef TARVENIK2TRK_DELIMITER_MASK_H_
#define TARVENIK2TRK_DELIMITER_MASK_H_

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace delimiter_mask {

// The bytes that separate and enclose the coordinates of a Data line.
constexpr std::array<bool, 256> makeDelimiterTable() {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("=(),\n")) table[c] = true;
  return table;
}
inline constexpr std::array<bool, 256> kDelimiter = makeDelimiterTable();

inline bool isDelimiter(char c) {
  return kDelimiter[static_cast<unsigned char>(c)];
}

/// Returns a mask of the 32 bytes at `p` with bit i set when p[i] is one of
/// the delimiters "=(),\n", one byte at a time.
inline std::uint32_t delimiterMaskBytewise(const char* p) {
  std::uint32_t mask = 0;
  for (int i = 0; i < 32; ++i) mask |= std::uint32_t{isDelimiter(p[i])} << i;
  return mask;
}

/// Returns the same mask as delimiterMaskBytewise, 16 bytes at a time where
/// the compiler offers vectors (GCC and Clang: SSE2 on x86-64, NEON on ARM).
inline std::uint32_t delimiterMask(const char* p) {
#if defined(__GNUC__)
  typedef unsigned char Bytes __attribute__((vector_size(16)));
  typedef signed char Flags __attribute__((vector_size(16)));
  auto sixteen = [p](int offset) -> std::uint32_t {
    Bytes v;
    std::memcpy(&v, p + offset, 16);
    // "(" and ")" differ only in their lowest bit.
    const Flags hit = (v == '=') | ((v | 1) == ')') | (v == ',') | (v == '\n');
#if defined(__SSE2__)
    typedef char Chars __attribute__((vector_size(16)));
    return static_cast<std::uint16_t>(
        __builtin_ia32_pmovmskb128(reinterpret_cast<const Chars&>(hit)));
#else
    // Gather the top bit of each byte: the multiply moves byte k's top bit
    // to bit 56 + k of the product.
    std::uint64_t halves[2];
    std::memcpy(halves, &hit, 16);
    constexpr std::uint64_t kTop = 0x8080808080808080ull;
    constexpr std::uint64_t kGather = 0x0002040810204081ull;
    return static_cast<std::uint32_t>(
        (((halves[0] & kTop) * kGather) >> 56) |
        ((((halves[1] & kTop) * kGather) >> 56) << 8));
#endif
  };
  return sixteen(0) | sixteen(16) << 16;
#else
  return delimiterMaskBytewise(p);
#endif
}

/// The portable way to take the mask of 32 bytes.
struct PortableMask {
  static std::uint32_t of(const char* p) { return delimiterMask(p); }
};

#if defined(__GNUC__) && defined(__x86_64__)
#define TARVENIK2TRK_AVX2_MASK 1
/// The four vectors Avx2Mask compares with: every byte "=", ")", "," or LF.
/// They are filled at start-up rather than known to the compiler, which
/// then compares with them in memory instead of building each one anew in
/// every round (the calls in the loop would not let them stay in registers).
struct Avx2Splats {
  alignas(32) unsigned char bytes[4][32];
};
inline Avx2Splats makeAvx2Splats() {
  Avx2Splats splats{};
  const char values[4] = {'=', ')', ',', '\n'};
  for (int i = 0; i < 4; ++i) std::memset(splats.bytes[i], values[i], 32);
  return splats;
}
inline const Avx2Splats kAvx2Splats = makeAvx2Splats();

/// All 32 bytes in one go, for processors with AVX2 (and BMI, which the
/// splitter's bit steps use); see hasAvx2().
struct Avx2Mask {
  [[gnu::target("avx2,bmi,bmi2")]] static inline std::uint32_t of(
      const char* p) {
    typedef unsigned char Bytes __attribute__((vector_size(32), aligned(32)));
    typedef char Chars __attribute__((vector_size(32)));
    Bytes v;
    std::memcpy(&v, p, 32);
    const Bytes* splat = reinterpret_cast<const Bytes*>(kAvx2Splats.bytes);
    // "(" and ")" differ only in their lowest bit.
    const auto hit = (v == splat[0]) | ((v | 1) == splat[1]) | (v == splat[2]) |
                     (v == splat[3]);
    return static_cast<std::uint32_t>(
        __builtin_ia32_pmovmskb256(reinterpret_cast<const Chars&>(hit)));
  }
};

/// Returns true when the processor has AVX2, BMI1 and BMI2 (all that have
/// AVX2 have the others too).
inline bool hasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") &&
                          __builtin_cpu_supports("bmi") &&
                          __builtin_cpu_supports("bmi2");
  return has;
}
#endif

}  // namespace delimiter_mask

#endif  // TARVENIK2TRK_DELIMITER_MASK_H_
