#include "source_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "memory_file_system.h"

namespace {

using namespace std::string_literals;

struct Line {
  std::string text;
  bool terminated;
  bool operator==(const Line& o) const {
    return text == o.text && terminated == o.terminated;
  }
};

std::ostream& operator<<(std::ostream& os, const Line& line) {
  return os << testing::PrintToString(line.text)
            << (line.terminated ? " LF" : " (no LF)");
}

// Returns every line the scanner delivers from `content`, read `piece` bytes
// at a time.
std::vector<Line> scanLines(const std::string& content, std::size_t piece) {
  MemoryFileSystem files;
  files.files["src.txt"] = content;
  files.readPieceSize = piece;
  SourceScanner scanner(files);
  EXPECT_TRUE(scanner.open("src.txt").ok());
  std::vector<Line> lines;
  SourceLine line;
  while (scanner.nextLine(&line)) {
    lines.push_back({std::string(line.text), line.terminated});
  }
  EXPECT_TRUE(scanner.status().ok());
  EXPECT_EQ(scanner.lineCount(), static_cast<long long>(lines.size()));
  return lines;
}

struct LineCase {
  const char* what;
  std::string content;
  std::vector<Line> lines;
};

TEST(SourceScannerTest, DeliversLinesWithTextModeLineEnds) {
  const LineCase cases[] = {
      {"empty file", "", {}},
      {"LF ends", "a\nbb\n", {{"a", true}, {"bb", true}}},
      {"CR LF reads as LF", "a\r\nbb\r\n", {{"a", true}, {"bb", true}}},
      {"empty lines", "\n\r\n\n", {{"", true}, {"", true}, {"", true}}},
      {"a lone CR stays", "a\rb\n", {{"a\rb", true}}},
      {"only the CR before LF goes", "a\r\r\n", {{"a\r", true}}},
      {"last line without LF counts", "a\nbb", {{"a", true}, {"bb", false}}},
      {"a CR at the very end stays", "a\r", {{"a\r", false}}},
      {"0x1A ends the file",
       "a\nb\x1A"
       "c\n",
       {{"a", true}, {"b", false}}},
      {"0x1A right after an LF",
       "a\n\x1A"
       "b\n",
       {{"a", true}}},
      {"0x1A splits CR from LF", "a\r\x1A\n", {{"a\r", false}}},
      {"0x1A first",
       "\x1A"
       "a\n",
       {}},
      {"NUL is an ordinary byte", "a\0b\n"s, {{"a\0b"s, true}}},
      {"Shift_JIS bytes pass",
       "\x95\x5C\x83\x7C\n",
       {{"\x95\x5C\x83\x7C", true}}},
  };
  for (const LineCase& c : cases) {
    for (std::size_t piece : {1, 2, 3, 7, 1 << 20}) {
      EXPECT_EQ(scanLines(c.content, piece), c.lines)
          << c.what << ", read " << piece << " bytes at a time";
    }
  }
}

TEST(SourceScannerTest, KeepsALineLongerThanTheReadBufferWhole) {
  const std::string longLine(3 * 1024 * 1024 + 5, 'x');
  for (std::size_t piece : {4096, 1 << 22}) {
    std::vector<Line> lines =
        scanLines("a\n" + longLine + "\r\nb\n" + longLine, piece);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], (Line{longLine, true}));
    EXPECT_EQ(lines[2], (Line{"b", true}));
    EXPECT_EQ(lines[3], (Line{longLine, false}));
  }
}

TEST(SourceScannerTest, ReportsAMissingSource) {
  MemoryFileSystem files;
  SourceScanner scanner(files);
  Status status = scanner.open("missing.txt");
  EXPECT_EQ(status.code, Status::kCannotOpen);
  EXPECT_EQ(status.file, "missing.txt");
  SourceLine line;
  EXPECT_FALSE(scanner.nextLine(&line));
}

TEST(SourceScannerTest, StopsAtAReadFailure) {
  MemoryFileSystem files;
  files.files["src.txt"] = "a\nb\nc\n";
  files.readPieceSize = 2;
  files.failOperation = 3;  // open, read "a\n", then the read of "b\n" fails
  SourceScanner scanner(files);
  ASSERT_TRUE(scanner.open("src.txt").ok());
  SourceLine line;
  ASSERT_TRUE(scanner.nextLine(&line));
  EXPECT_EQ(line.text, "a");
  EXPECT_FALSE(scanner.nextLine(&line));
  EXPECT_EQ(scanner.status().code, Status::kCannotRead);
  EXPECT_EQ(scanner.status().file, "src.txt");
  EXPECT_FALSE(scanner.nextLine(&line));
}

TEST(SourceScannerTest, TheFirst25LinesAreTheHeader) {
  std::string content;
  for (int i = 0; i < 27; ++i) content += "Label=x\n";
  MemoryFileSystem files;
  files.files["src.txt"] = content;
  SourceScanner scanner(files);
  ASSERT_TRUE(scanner.open("src.txt").ok());
  SourceLine line;
  for (int i = 1; i <= 27; ++i) {
    ASSERT_TRUE(scanner.nextLine(&line));
    EXPECT_EQ(scanner.isHeaderLine(), i <= 25) << "line " << i;
  }
}

struct LabelCase {
  std::string line;
  bool counted;      // the label count grows
  std::string name;  // trackName("Layer") afterwards
  bool dataLine;     // isDataLine afterwards
};

TEST(SourceScannerTest, AppliesLabelLines) {
  const LabelCase cases[] = {
      {"Label=A", true, "A", false},
      {"Label=a=b", true, "a=b", false},
      {"Label=Data-1", true, "Data-1", false},
      {"==Label=x", true, "x", false},
      {"Label==x", true, "=x", false},
      {"Label= x ", true, " x ", false},
      {"Label=", true, "Layer", false},  // 7 bytes with its LF
      {"Label", true, "Layer", false},
      {"LabelX", true, "Layer", false},
      {"  Label=", true, "Layer", false},  // cut, but the value is empty
      {"Label no equals sign", true, "Layer", false},
      {"===Label", true, "Layer", false},
      {"Data Label=x", true, "x", true},    // "Data" stands before the cut
      {"LabelData", true, "Layer", true},   // no cut: the whole line counts
      {"label=x", false, "before", false},  // keywords are case-sensitive
      {"Data=1,2", false, "before", true},
      {"Label=\x95\x5C\x83\x7C", true, "\x95\x5C\x83\x7C", false},
      {"Label=a\0b"s, true, "a\0b"s, false},
      {"Label=" + std::string(100000, 'n'), true, std::string(100000, 'n'),
       false},
  };
  for (const LabelCase& c : cases) {
    MemoryFileSystem files;
    files.files["src.txt"] = "Label=before\n" + c.line + "\n";
    SourceScanner scanner(files);
    ASSERT_TRUE(scanner.open("src.txt").ok());
    SourceLine line;
    ASSERT_TRUE(scanner.nextLine(&line));
    scanner.applyLabel(&line);
    ASSERT_TRUE(scanner.nextLine(&line));
    scanner.applyLabel(&line);
    EXPECT_EQ(scanner.labelCount(), c.counted ? 2 : 1) << c.line;
    EXPECT_EQ(scanner.trackName("Layer"), c.name) << c.line;
    EXPECT_EQ(scanner.isDataLine(line), c.dataLine) << c.line;
  }
}

TEST(SourceScannerTest, LabelStateLastsUntilTheNextLabelLine) {
  MemoryFileSystem files;
  files.files["src.txt"] =
      "Data=1,2\nLabel=A\nData=1,2\nother\nData=1,2\nLabel=\nData=1,2\n"
      "Label=B\nData=1,2\n";
  SourceScanner scanner(files);
  ASSERT_TRUE(scanner.open("src.txt").ok());
  std::vector<std::pair<std::string, long long>> tracks;
  SourceLine line;
  while (scanner.nextLine(&line)) {
    scanner.applyLabel(&line);
    if (scanner.isDataLine(line)) {
      tracks.emplace_back(scanner.trackName("Layer"), scanner.labelCount());
    }
  }
  const std::vector<std::pair<std::string, long long>> expected = {
      {"Layer", 0}, {"A", 1}, {"A", 1}, {"Layer", 2}, {"B", 3}};
  EXPECT_EQ(tracks, expected);
}

struct PairCase {
  std::string line;
  std::vector<std::pair<std::string, std::string>> pairs;
  bool complete;
};

TEST(SourceScannerTest, SplitsDataLinesIntoCoordinatePairs) {
  const std::string longNumber = "35." + std::string(5000, '1');
  const PairCase cases[] = {
      {"Data=(35.5,139.7),(35.6,139.8)",
       {{"35.5", "139.7"}, {"35.6", "139.8"}},
       true},
      {"Data=35.5,139.7", {{"35.5", "139.7"}}, true},
      {"Data=", {}, true},
      {"Data", {}, true},
      {"Data=()", {}, true},
      {"Data=((35.5,,139.7)),=(", {{"35.5", "139.7"}}, true},
      {"Data=(35.5,139.7),(35.6)", {{"35.5", "139.7"}}, false},
      {"Data=35.5", {}, false},
      {"xData1,2", {{"1", "2"}}, true},  // the first five bytes are passed over
      {"Data=-35.5 ,+139.7x", {{"-35.5 ", "+139.7x"}}, true},
      {"Data=" + longNumber + "," + longNumber,
       {{longNumber, longNumber}},
       true},
      {"Data=a\0b,c"s, {{"a\0b"s, "c"}}, true},
      {"Data=1,2\r3,4", {{"1", "2\r3"}}, false},
  };
  for (const PairCase& c : cases) {
    SourceLine line{c.line, true};
    std::vector<CoordinatePair> pairs;
    EXPECT_EQ(SourceScanner::coordinatePairs(line, &pairs), c.complete)
        << c.line;
    std::vector<std::pair<std::string, std::string>> got;
    for (const CoordinatePair& p : pairs) {
      got.emplace_back(p.latitude, p.longitude);
    }
    EXPECT_EQ(got, c.pairs) << c.line;

    // The portable masks give the same split as the fastest ones.
    std::vector<std::pair<std::string, std::string>> portable;
    auto collect = [&portable](std::string_view lat, std::string_view lon) {
      portable.emplace_back(lat, lon);
    };
    EXPECT_EQ(
        SourceScanner::forEachCoordinatePairWith<delimiter_mask::PortableMask>(
            line, collect),
        c.complete)
        << c.line;
    EXPECT_EQ(portable, c.pairs) << c.line;
  }
}

// Splits the text after the first five bytes the plain way, for comparison.
std::pair<std::vector<std::pair<std::string, std::string>>, bool>
referenceSplit(std::string_view text) {
  std::vector<std::string> tokens;
  std::string token;
  for (char c : text.size() > 5 ? text.substr(5) : std::string_view()) {
    if (std::string_view("=(),\n").find(c) != std::string_view::npos) {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) tokens.push_back(token);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < tokens.size(); i += 2) {
    pairs.emplace_back(tokens[i], tokens[i + 1]);
  }
  return {pairs, tokens.size() % 2 == 0};
}

TEST(SourceScannerTest, SplitsRandomLinesLikeThePlainWay) {
  unsigned seed = 2024;
  auto next = [&seed]() {
    seed = seed * 1103515245 + 12345;
    return seed >> 16;
  };
  for (int round = 0; round < 3000; ++round) {
    // Lines of every length around the 32- and 64-byte windows, of tokens
    // mostly short and sometimes long, and runs of delimiters.
    std::string text = "Data=";
    const unsigned length = next() % 400;
    const unsigned longTokens = next() % 4;
    while (text.size() < length) {
      const unsigned kind = next() % 10;
      if (kind < 6) {
        text += std::to_string(next() % 100000) + "." + std::to_string(next());
      } else if (kind < 9) {
        text += "=(),\n"[next() % 5];
      } else {
        text.append(longTokens * (next() % 40), static_cast<char>(next()));
      }
    }
    const auto expected = referenceSplit(text);
    SourceLine line{text, true};
    std::vector<std::pair<std::string, std::string>> fastest, portable;
    const bool fastestComplete = SourceScanner::forEachCoordinatePair(
        line, [&](std::string_view lat, std::string_view lon) {
          fastest.emplace_back(lat, lon);
        });
    auto collect = [&](std::string_view lat, std::string_view lon) {
      portable.emplace_back(lat, lon);
    };
    const bool portableComplete =
        SourceScanner::forEachCoordinatePairWith<delimiter_mask::PortableMask>(
            line, collect);
    ASSERT_EQ(fastest, expected.first) << testing::PrintToString(text);
    ASSERT_EQ(fastestComplete, expected.second) << testing::PrintToString(text);
    ASSERT_EQ(portable, expected.first) << testing::PrintToString(text);
    ASSERT_EQ(portableComplete, expected.second);
  }
}

TEST(SourceScannerTest, DelimiterMasksAgreeOnEveryByte) {
  using namespace delimiter_mask;
  // Every byte value at every position, and random windows besides.
  std::string bytes;
  for (int round = 0; round < 32; ++round) {
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c * 7 + round);
  }
  unsigned seed = 12345;
  for (int i = 0; i < 4096; ++i) {
    seed = seed * 1103515245 + 12345;
    bytes += "=(),\n0123456789.-"[(seed >> 16) % 17];
  }
  for (std::size_t at = 0; at + 64 <= bytes.size(); ++at) {
    const char* p = bytes.data() + at;
    const auto expected = static_cast<std::uint32_t>(delimiterMaskBytewise(p));
    ASSERT_EQ(PortableMask::of(p), expected) << "at " << at;
#ifdef TARVENIK2TRK_AVX2_MASK
    if (hasAvx2()) {
      ASSERT_EQ(Avx2Mask::of(p), expected) << "at " << at;
    }
#endif
  }
}

}  // namespace
