// Replays every input of the fuzzing corpus through the fuzz target, so that
// each input it ever found stays a regression test in every build.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size);

TEST(FuzzCorpusTest, EveryInputConvertsSoundly) {
  int inputs = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(TARVENIK2TRK_FUZZ_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    SCOPED_TRACE(entry.path().filename().string());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()),
                           data.size());
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}
