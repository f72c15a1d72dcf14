// The benchmark's I/O floor: reads a source in large blocks and writes a
// given number of bytes, in large blocks, spread over a given number of
// files. No conversion at all: the least any converter must spend.
//   bench_io_floor SOURCE OUTPUT_BYTES FILES
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const unsigned long long outputBytes = std::strtoull(argv[2], nullptr, 10);
  const unsigned long long files = std::strtoull(argv[3], nullptr, 10);
  std::vector<char> block(1 << 20);
  std::FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) return 1;
  std::setvbuf(in, nullptr, _IONBF, 0);
  unsigned long long left = outputBytes;
  int status = 0;
  for (unsigned long long f = 0; f < files; ++f) {
    std::string name = "floor." + std::to_string(f) + ".out";
    std::FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr) return 1;
    std::setvbuf(out, nullptr, _IONBF, 0);
    unsigned long long share = f + 1 == files ? left : outputBytes / files;
    left -= share;
    while (share > 0) {
      std::size_t got = std::fread(block.data(), 1, block.size(), in);
      if (got == 0) got = block.size();  // source done: keep writing
      std::size_t n = got < share ? got : static_cast<std::size_t>(share);
      if (std::fwrite(block.data(), 1, n, out) != n) status = 1;
      share -= n;
    }
    if (std::fclose(out) != 0) status = 1;
  }
  while (std::fread(block.data(), 1, block.size(), in) > 0) {
  }
  std::fclose(in);
  return status;
}
