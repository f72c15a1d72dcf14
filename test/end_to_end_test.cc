// Runs the built program the way a person does: the source's name typed on
// standard input, in a fresh directory, and compares the exit status, every
// byte written to standard output and every file left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "source_generator.h"

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;

std::string environment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// The program under test, and what to start it with (empty: nothing).
const std::string kProgram =
    environment("TARVENIK2TRK_TEST_PROGRAM", TARVENIK2TRK_PROGRAM);
const std::string kLauncher = environment("TARVENIK2TRK_TEST_LAUNCHER", "");

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? "'\\''"s : std::string(1, c);
  return q + "'";
}

// The console texts, as Shift_JIS bytes.
const std::string kBanner =
    "tarvenik\x82\xC5\x8D\xEC\x90\xAC\x82\xB5\x82\xBD\x83t\x83@\x83\x43\x83"
    "\x8B\x82\xA9\x82\xE7trk\x83\x66\x81[\x83^\x82\xF0\x8D\xEC\x90\xAC\x82"
    "\xB5\x82\xDC\x82\xB7\r\nInput file >>";
const std::string kCannotOpen =  // ファイルが開けません(
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1(";
const std::string kCannotCreate =  // ファイルが作成できません(
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82"
    "\xDC\x82\xB9\x82\xF1(";
const std::string kCannotWrite =  // ファイルに書き込めません(
    "\x83t\x83@\x83\x43\x83\x8B\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82"
    "\xDC\x82\xB9\x82\xF1(";
const std::string kIsSource =  // 入力ファイルには書き込めません(
    "\x93\xFC\x97\xCD\x83t\x83@\x83\x43\x83\x8B\x82\xC9\x82\xCD\x8F\x91\x82"
    "\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1(";
const std::string kLoneLatitude =  // 行目: 経度のない緯度を飛ばしました
    "\x8Ds\x96\xDA: \x8Co\x93x\x82\xCC\x82\xC8\x82\xA2\x88\xDC\x93x\x82\xF0"
    "\x94\xF2\x82\xCE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\n";

std::string header(const char* lineEnd = "\n") {
  std::string text;
  for (int i = 1; i <= 25; ++i) {
    text +=
        "tarvenik header " + std::to_string(i) + " Label=h Data=1,2" + lineEnd;
  }
  return text;
}

std::string track(const std::string& heading, const std::string& points) {
  return "\r\nH  " + heading + "\r\n\r\nH  Latitude     Longitude\r\n" + points;
}

// Where a source lies, what is typed for it, and the first track file it
// must give, with the name of its one unlabelled track.
struct PlaceCase {
  std::string source;
  std::string typed;
  std::string trackFile;
  std::string trackName;
};

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() /
           ("tarvenik2trk-e2e-" + std::to_string(random()));
    fs::create_directories(dir_ / "work");
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path work() const { return dir_ / "work"; }

  // Empties the work directory, for the next case of a table.
  void clearWork() {
    fs::remove_all(work());
    fs::create_directories(work());
  }

  // Starts the program in the work directory with `input` on standard
  // input, after the shell commands `limits`; returns its exit status (255
  // for -1).
  int run(const std::string& input, const std::string& limits = "") {
    writeFile(dir_ / "stdin", input);
    std::string command = "cd " + quoted(work().string()) + " && " + limits +
                          (kLauncher.empty() ? "" : kLauncher + " ") +
                          quoted(kProgram) + " < " +
                          quoted((dir_ / "stdin").string()) + " > " +
                          quoted((dir_ / "stdout").string()) + " 2>/dev/null";
    int status = std::system(command.c_str());
    output_ = readFile(dir_ / "stdout");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
  }

  const std::string& output() const { return output_; }

  // Returns every file below the work directory, by relative name.
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::recursive_directory_iterator(work())) {
      if (entry.is_regular_file() && !entry.is_symlink()) {
        all[fs::relative(entry.path(), work()).generic_string()] =
            readFile(entry.path());
      }
    }
    return all;
  }

  void put(const std::string& name, const std::string& content) {
    fs::create_directories((work() / name).parent_path());
    writeFile(work() / name, content);
  }

  // Converts a one-track source for each case and checks its track file.
  void expectTrackFilesBesideTheSource(const std::vector<PlaceCase>& cases) {
    for (const PlaceCase& c : cases) {
      clearWork();
      put(c.source, header() + "Label=\nData=1,2\n");
      ASSERT_EQ(run(c.typed), 0) << c.typed;
      EXPECT_EQ(files()[c.trackFile],
                track(c.trackName + "(1)", "T  N1   E2\r\n"))
          << c.typed;
    }
  }

 private:
  fs::path dir_;
  std::string output_;
};

TEST_F(EndToEndTest, ConvertsASourceByteForByte) {
  const std::string body =
      "Label=\x93\xB9\x98\x48 1\n"  // a Shift_JIS label
      "Data=(35.5,139.7),(35.6,139.8)\n"
      "not a keyword line\n"
      "Data=(36.0,140.0)\n"
      "Label=\n"
      "Data=(1.5,2.5)\n";
  const std::string expected =
      track("\x93\xB9\x98\x48 1(1)",
            "T  N35.5   E139.7\r\nT  N35.6   E139.8\r\n") +
      track("\x93\xB9\x98\x48 1(1)", "T  N36.0   E140.0\r\n") +
      track("RoadNum(2)", "T  N1.5   E2.5\r\n");
  for (const char* lineEnd : {"\n", "\r\n"}) {
    std::string source = header(lineEnd) + body;
    if (std::string(lineEnd) == "\r\n") {
      source = header(lineEnd);
      for (char c : body) source += c == '\n' ? "\r\n"s : std::string(1, c);
    }
    clearWork();
    put("DK0001.txt", source);
    ASSERT_EQ(run("DK0001.txt\n"), 0);
    EXPECT_EQ(output(), kBanner);
    const std::map<std::string, std::string> expectedFiles = {
        {"DK0001.txt", source}, {"DK0001.hMOR0000.trk", expected}};
    EXPECT_EQ(files(), expectedFiles)
        << "line ends " << (lineEnd[1] ? "CR LF" : "LF");
  }
}

// The sample the README converts gives the track file kept beside it.
TEST_F(EndToEndTest, ConvertsTheBundledSample) {
  const fs::path examples = TARVENIK2TRK_EXAMPLES;
  put("DK0001.txt", readFile(examples / "DK0001.txt"));
  ASSERT_EQ(run("DK0001.txt\n"), 0);
  EXPECT_EQ(output(), kBanner);
  EXPECT_EQ(files()["DK0001.hMOR0000.trk"],
            readFile(examples / "expected" / "DK0001.hMOR0000.trk"));
}

TEST_F(EndToEndTest, ReadsTheNameAsOneWord) {
  put("GK12TK.txt", header() + "Label=\nData=1,2\n");
  ASSERT_EQ(run("  \t GK12TK.txt  trailing words\n"), 0);
  EXPECT_EQ(files()["GK12TK.hMOR0000.trk"],
            track("RailNum(1)", "T  N1   E2\r\n"));
}

TEST_F(EndToEndTest, ReportsSourcesThatCannotBeOpened) {
  fs::create_directories(work() / "adir");
  const std::string source = header() + "Label=a\nData=1,2\n";
  const std::pair<std::string, std::string> cases[] = {
      {"missing.txt\n", "missing.txt"},
      {"adir\n", "adir"},
      {"a b.txt\n", "a"},
      {"", ""},
      {" \n \n", ""},
      {"DK.txt\0.x\n"s, "DK.txt\0.x"s},  // names no file: it holds a NUL
  };
  for (const auto& c : cases) {
    put("DK.txt", source);
    EXPECT_EQ(run(c.first), 1) << c.first;
    EXPECT_EQ(output(), kBanner + kCannotOpen + c.second + ")\r\n") << c.first;
    EXPECT_EQ(files(), (std::map<std::string, std::string>{{"DK.txt", source}}))
        << c.first;
  }
}

TEST_F(EndToEndTest, WritesOneEmptyFileWithoutTracks) {
  put("SK1.txt", header());
  ASSERT_EQ(run("SK1.txt"), 0);
  const std::map<std::string, std::string> expected = {
      {"SK1.txt", header()}, {"SK1.hMOR0000.trk", ""}};
  EXPECT_EQ(files(), expected);
}

TEST_F(EndToEndTest, RotatesBlockFilesEvery1000Tracks) {
  for (int count : {1000, 1001}) {
    clearWork();
    std::string source = header() + "Label=x\n";
    for (int i = 0; i < count; ++i)
      source += "Data=" + std::to_string(i) + ",0\n";
    put("KK.txt", source);
    ASSERT_EQ(run("KK.txt"), 0);
    std::map<std::string, std::string> got = files();
    ASSERT_EQ(got.size(), 3u) << count;
    std::string first, second;
    for (int i = 0; i < 1000; ++i)
      first += track("x(1)", "T  N" + std::to_string(i) + "   E0\r\n");
    if (count == 1001) second = track("x(1)", "T  N1000   E0\r\n");
    EXPECT_EQ(got["KK.hMOR0000.trk"], first);
    EXPECT_EQ(got["KK.hMOR0001.trk"], second);
  }
}

TEST_F(EndToEndTest, PutsTrackFilesBesideTheSource) {
  expectTrackFilesBesideTheSource({
      {"old.dir/DK01.txt", "old.dir/DK01.txt", "old.dir/DK01.hMOR0000.trk",
       "RoadNum"},
      {"DK02.txt", "./DK02.txt", "DK02.hMOR0000.trk", "RoadNum"},
      {"sub/x/.XX03.txt.bak", "sub/x/../x/.XX03.txt.bak",
       "sub/x/XX03.hMOR0000.trk", "XX03"},
  });
}

TEST_F(EndToEndTest, HandlesLinesOfAnyLengthAndTheLastLine) {
  std::string data = "Data=";
  std::string points;
  for (int i = 0; i < 2000; ++i) {
    data += "(35.123456789012345678901,139." + std::to_string(i) + "),";
    points +=
        "T  N35.123456789012345678901   E139." + std::to_string(i) + "\r\n";
  }
  const std::string label = "Label=" + std::string(500, 'L');
  put("TK.txt", header() + label + "\n" + data +
                    "\nData=7,8\x1A"
                    "Data=9,9\n");
  ASSERT_EQ(run("TK.txt"), 0);
  const std::string name(500, 'L');
  EXPECT_EQ(
      files()["TK.hMOR0000.trk"],
      track(name + "(1)", points) + track(name + "(1)", "T  N7   E8\r\n"));
}

TEST_F(EndToEndTest, WarnsAboutALoneLatitude) {
  put("DK.txt", header() + "Label=a\nData=1,2,3\n");
  ASSERT_EQ(run("DK.txt"), 0);
  EXPECT_EQ(output(), kBanner + "27" + kLoneLatitude);
  EXPECT_EQ(files()["DK.hMOR0000.trk"], track("a(1)", "T  N1   E2\r\n"));
}

TEST_F(EndToEndTest, ReplacesAnExistingBlockFile) {
  put("DK.txt", header());
  put("DK.hMOR0000.trk", "old content");
  ASSERT_EQ(run("DK.txt"), 0);
  EXPECT_EQ(files()["DK.hMOR0000.trk"], "");
}

TEST_F(EndToEndTest, NeverWritesOverItsSource) {
  const std::string source = header() + "Label=a\nData=1,2\n";
  put("DK01.hMOR0000.trk", source);
  EXPECT_EQ(run("DK01.hMOR0000.trk"), 1);
  EXPECT_EQ(output(), kBanner + kIsSource + "DK01.hMOR0000.trk)\r\n");
  EXPECT_EQ(
      files(),
      (std::map<std::string, std::string>{{"DK01.hMOR0000.trk", source}}));
  // Links are made on this (POSIX) side; a Windows build under wine sees
  // them as the files they lead to.
  put("DK02.txt", source);
  fs::create_symlink("DK02.txt", work() / "DK02.hMOR0000.trk");
  EXPECT_EQ(run("DK02.txt"), 1);
  EXPECT_EQ(output(), kBanner + kIsSource + "DK02.hMOR0000.trk)\r\n");
  EXPECT_EQ(files()["DK02.txt"], source);
  fs::create_hard_link(work() / "DK02.txt", work() / "DK03.hMOR0000.trk");
  fs::rename(work() / "DK02.txt", work() / "DK03.txt");
  fs::remove(work() / "DK02.hMOR0000.trk");
  EXPECT_EQ(run("DK03.txt"), 1);
  EXPECT_EQ(files()["DK03.txt"], source);
}

TEST_F(EndToEndTest, ReportsOutputFailures) {
  const std::string source = header() + "Label=a\nData=1,2\n";
  put("DK1.txt", source);
  fs::create_directories(work() / "DK1.hMOR0000.trk");
  EXPECT_EQ(run("DK1.txt"), 255);
  EXPECT_EQ(output(), kBanner + kCannotCreate + "DK1.hMOR0000.trk)\r\n");
  EXPECT_EQ(files()["DK1.txt"], source);
  if (!fs::exists("/dev/full")) return;
  fs::remove(work() / "DK1.hMOR0000.trk");
  fs::create_symlink("/dev/full", work() / "DK1.hMOR0000.trk");
  EXPECT_EQ(run("DK1.txt"), 255);
  EXPECT_EQ(output(), kBanner + kCannotWrite + "DK1.hMOR0000.trk)\r\n");
  EXPECT_EQ(files()["DK1.txt"], source);
}

// Returns true when every LF in `content` follows a CR and the content is
// empty or ends with an LF.
bool crLfLines(const std::string& content) {
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\n' && (i == 0 || content[i - 1] != '\r')) return false;
  }
  return content.empty() || content.back() == '\n';
}

TEST_F(EndToEndTest, SurvivesBinaryGarbage) {
  std::mt19937 random(42);
  for (int round = 0; round < 3; ++round) {
    std::string garbage = header();
    for (int i = 0; i < 300000; ++i) {
      // Mostly bytes that matter to the scanner, so that the garbage holds
      // keywords and line ends too.
      static const char kBytes[] =
          "LabelData=(),\r\n\x1A\x00\x95\x5C"
          "0123456789.";
      char c = random() % 4 == 0 ? static_cast<char>(random())
                                 : kBytes[random() % (sizeof kBytes - 1)];
      if (c == '\x1A' && random() % 50 != 0) c = 'a';
      garbage += c;
    }
    garbage += round == 0 ? "Label=x\nData=1,2\n" : "";
    clearWork();
    put("GK.bin", garbage);
    EXPECT_EQ(run("GK.bin"), 0);
    std::map<std::string, std::string> got = files();
    EXPECT_EQ(got["GK.bin"], garbage);
    EXPECT_EQ(got.count("GK.hMOR0000.trk"), 1u);
    for (const auto& [name, content] : got) {
      if (name != "GK.bin") {
        EXPECT_TRUE(crLfLines(content)) << name;
      }
    }
  }
}

// A Windows build under wine sees code page 932 names, but wine keeps them
// on this side in UTF-8; TARVENIK2TRK_TEST_DISK_NAMES=utf-8 says so. Names
// here use only the characters below.
const bool kUtf8DiskNames =
    environment("TARVENIK2TRK_TEST_DISK_NAMES", "") == "utf-8";

// Returns the name under which the file typed as `typed` lies on disk.
std::string diskName(std::string typed) {
  if (!kUtf8DiskNames) return typed;
  const std::pair<std::string, std::string> characters[] = {
      {"\x95\x5C", "\xE8\xA1\xA8"},  // 表
      {"\x83\x7C", "\xE3\x83\x9D"},  // ポ
      {"\\", "/"},
  };
  std::string name;
  for (std::size_t i = 0; i < typed.size();) {
    bool replaced = false;
    for (const auto& [cp932, utf8] : characters) {
      if (typed.compare(i, cp932.size(), cp932) == 0) {
        name += utf8;
        i += cp932.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) name += typed[i++];
  }
  return name;
}

TEST_F(EndToEndTest, KeepsNulAndShiftJisBytes) {
  // 表 (0x95 0x5C) and ポ (0x83 0x7C) hold the bytes of "\\" and "|".
  const std::string name =
      "\x95\x5C\x83\x7C"
      "DK.txt";
  put(diskName(name), header() + "Label=a\0b\x95\x5C\n"s + "Data=(1\0,2)\n"s +
                          "Label=\x83\x7C\nData=3,4\n");
  ASSERT_EQ(run(" \t" + name + " \n"), 0);
  EXPECT_EQ(output(), kBanner);
  EXPECT_EQ(files()[diskName("\x95\x5C\x83\x7C"
                             "DK.hMOR0000.trk")],
            track("a\0b\x95\x5C(1)"s, "T  N1\0   E2\r\n"s) +
                track("\x83\x7C(2)", "T  N3   E4\r\n"));

  // "表.DK.txt": the second byte of 表 is no separator, so the stem is 表,
  // and no layer code is in it.
  const std::string dotted = "\x95\x5C.DK.txt";
  put(diskName(dotted), header() + "Label=\nData=5,6\n");
  ASSERT_EQ(run(dotted), 0);
  EXPECT_EQ(files()[diskName("\x95\x5C.hMOR0000.trk")],
            track("\x95\x5C(1)", "T  N5   E6\r\n"));
}

// Each system's own path rules. On Windows "\\" separates directories
// too and "Z:" names a drive; elsewhere both are bytes of a file name.
TEST_F(EndToEndTest, FollowsEachSystemsPathRules) {
  const bool windows =
      kProgram.size() >= 4 && kProgram.substr(kProgram.size() - 4) == ".exe";
  if (windows) {
    expectTrackFilesBesideTheSource({
        {"sub/x.dir/DK1.txt", "sub\\x.dir\\DK1.txt",
         "sub/x.dir/DK1.hMOR0000.trk", "RoadNum"},
        {"DK2.txt", "Z:DK2.txt", "DK2.hMOR0000.trk", "RoadNum"},
        {diskName("\x95\x5C\\DK3.txt"), "\x95\x5C\\DK3.txt",
         diskName("\x95\x5C\\DK3.hMOR0000.trk"), "RoadNum"},
    });
  } else {
    expectTrackFilesBesideTheSource({
        {"sub\\x.dir\\DK1.txt", "sub\\x.dir\\DK1.txt", "sub\\x.hMOR0000.trk",
         "sub\\x"},
        {"Z:DK2.txt", "Z:DK2.txt", "Z:DK2.hMOR0000.trk", "RoadNum"},
        {"\x95\x5C\\DK3.txt", "\x95\x5C\\DK3.txt", "\x95\x5C\\DK3.hMOR0000.trk",
         "RoadNum"},
    });
  }
}

TEST_F(EndToEndTest, KeepsAHugeLabelAndAHugeDataLine) {
  const std::string label(1 << 20, 'L');
  // One Data line of about 100 MB, written without holding it in memory.
  const long long points = 4'500'000;
  {
    std::ofstream out(work() / "SK.txt", std::ios::binary);
    out << header() << "Label=" << label << "\r\n"
        << "Data=";
    std::string chunk;
    for (long long i = 0; i < points; ++i) {
      chunk += "(35.123456,139.123456),";
      if (chunk.size() > (1 << 20)) {
        out << chunk;
        chunk.clear();
      }
    }
    out << chunk << "\r\n";
  }
  // Memory may grow with the longest line, never with the file: 512 MiB of
  // address space is room for a 100 MB line and little more. (A sanitized
  // build reserves far more address space, and so does wine.)
  const bool limitMemory = !kSanitized && kLauncher.empty();
  ASSERT_EQ(run("SK.txt", limitMemory ? "ulimit -v 524288 && " : ""), 0);
  const std::string out = readFile(work() / "SK.hMOR0000.trk");
  const std::string heading = track(label + "(1)", "");
  const std::string point = "T  N35.123456   E139.123456\r\n";
  ASSERT_EQ(out.size(), heading.size() + points * point.size());
  EXPECT_EQ(out.compare(0, heading.size(), heading), 0);
  EXPECT_EQ(out.compare(out.size() - point.size(), point.size(), point), 0);

  // With too little memory for that line the run ends with a message
  // (メモリが足りません), not a crash.
  if (limitMemory) {
    EXPECT_EQ(run("SK.txt", "ulimit -v 65536 && "), 1);
    EXPECT_EQ(output(), kBanner +
                            "\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82\xE8"
                            "\x82\xDC\x82\xB9\x82\xF1(SK.txt)\r\n");
  }
}

TEST_F(EndToEndTest, StopsBeforeItsSecondBlockFileWhenThatIsTheSource) {
  std::string source = header() + "Label=a\n";
  for (int i = 0; i < 1001; ++i) source += "Data=1,2\n";
  put("DK01.hMOR0001.trk", source);
  EXPECT_EQ(run("DK01.hMOR0001.trk"), 1);
  EXPECT_EQ(output(), kBanner + kIsSource + "DK01.hMOR0001.trk)\r\n");
  std::map<std::string, std::string> got = files();
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(got["DK01.hMOR0001.trk"], source);
  std::string first;
  for (int i = 0; i < 1000; ++i) first += track("a(1)", "T  N1   E2\r\n");
  EXPECT_EQ(got["DK01.hMOR0000.trk"], first);
}

// A deliberately plain conversion, one std::string line at a time, written
// apart from the tool's code: for well-formed sources its files must match
// the tool's byte for byte.
std::map<std::string, std::string> referenceConversion(
    const std::string& source, const std::string& stem,
    const std::string& layerName) {
  std::map<std::string, std::string> files;
  std::istringstream in(source);
  std::string line, label, current;
  bool unlabelled = true;
  long long lineNumber = 0, labels = 0, tracks = 0;
  auto blockName = [&](long long block) {
    std::string number = std::to_string(block);
    while (number.size() < 4) number = "0" + number;
    return stem + ".hMOR" + number + ".trk";
  };
  current = blockName(0);
  files[current];
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (++lineNumber <= 25) continue;
    if (line.find("Label") != std::string::npos) {
      ++labels;
      std::size_t eq = line.find('=');
      label = eq == std::string::npos ? "" : line.substr(eq + 1);
      unlabelled = label.empty();
      if (eq != std::string::npos) line.erase(eq);
    }
    if (line.find("Data") == std::string::npos) continue;
    std::string& out = files[current];
    out += "\r\nH  " + (unlabelled ? layerName : label) + "(" +
           std::to_string(labels) + ")\r\n\r\nH  Latitude     Longitude\r\n";
    std::vector<std::string> tokens;
    std::string token;
    for (char c : line.substr(5) + ",") {
      if (std::string("=(),").find(c) != std::string::npos) {
        if (!token.empty()) tokens.push_back(token);
        token.clear();
      } else {
        token += c;
      }
    }
    for (std::size_t i = 0; i + 1 < tokens.size(); i += 2) {
      out += "T  N" + tokens[i] + "   E" + tokens[i + 1] + "\r\n";
    }
    if (++tracks % 1000 == 0) files[current = blockName(tracks / 1000)];
  }
  return files;
}

TEST_F(EndToEndTest, AGeneratedSourceMatchesAPlainLineByLineConversion) {
  for (bool crlf : {true, false}) {
    clearWork();
    SourceShape shape;
    shape.bytes = 6'000'000;
    shape.seed = crlf ? 7 : 8;
    shape.crlf = crlf;
    std::ostringstream source;
    generateSource(source, shape);
    put("RK.x.txt", source.str());
    ASSERT_EQ(run("RK.x.txt"), 0);
    std::map<std::string, std::string> expected =
        referenceConversion(source.str(), "RK", "RK");
    expected["RK.x.txt"] = source.str();
    ASSERT_GE(expected.size(), 5u);
    std::map<std::string, std::string> got = files();
    EXPECT_EQ(got.size(), expected.size());
    for (const auto& [name, content] : expected) {
      EXPECT_TRUE(got[name] == content)
          << name << (crlf ? " (CR LF)" : " (LF)");
    }
  }
}

}  // namespace
