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
    text += "tarvenik header " + std::to_string(i) + " Label=h Data=1,2" +
            lineEnd;
  }
  return text;
}

std::string track(const std::string& heading, const std::string& points) {
  return "\r\nH  " + heading + "\r\n\r\nH  Latitude     Longitude\r\n" + points;
}

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

  // Starts the program in the work directory with `input` on standard
  // input; returns its exit status (255 for -1).
  int run(const std::string& input) {
    writeFile(dir_ / "stdin", input);
    std::string command = "cd " + quoted(work().string()) + " && " +
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

  // Links need a POSIX system; a Windows build under a launcher skips them.
  bool canLink() const { return kLauncher.empty(); }

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
    fs::remove_all(work());
    fs::create_directories(work());
    put("DK0001.txt", source);
    ASSERT_EQ(run("DK0001.txt\n"), 0);
    EXPECT_EQ(output(), kBanner);
    const std::map<std::string, std::string> expectedFiles = {
        {"DK0001.txt", source}, {"DK0001.hMOR0000.trk", expected}};
    EXPECT_EQ(files(), expectedFiles) << "line ends " << (lineEnd[1] ? "CR LF" : "LF");
  }
}

TEST_F(EndToEndTest, ReadsTheNameAsOneWord) {
  put("GK12TK.txt", header() + "Label=\nData=1,2\n");
  ASSERT_EQ(run("  \t GK12TK.txt  trailing words\n"), 0);
  EXPECT_EQ(files()["GK12TK.hMOR0000.trk"], track("RailNum(1)", "T  N1   E2\r\n"));
}

TEST_F(EndToEndTest, ReportsSourcesThatCannotBeOpened) {
  fs::create_directories(work() / "adir");
  put("a", "");  // the part of "a b.txt" before the blank is this empty file
  fs::remove(work() / "a");
  const std::pair<const char*, const char*> cases[] = {
      {"missing.txt\n", "missing.txt"},
      {"adir\n", "adir"},
      {"a b.txt\n", "a"},
      {"", ""},
      {" \n \n", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.first), 1) << c.first;
    EXPECT_EQ(output(), kBanner + kCannotOpen + c.second + ")\r\n") << c.first;
    EXPECT_TRUE(files().empty()) << c.first;
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
    fs::remove_all(work());
    fs::create_directories(work());
    std::string source = header() + "Label=x\n";
    for (int i = 0; i < count; ++i) source += "Data=" + std::to_string(i) + ",0\n";
    put("KK.txt", source);
    ASSERT_EQ(run("KK.txt"), 0);
    std::map<std::string, std::string> got = files();
    ASSERT_EQ(got.size(), 3u) << count;
    std::string first, second;
    for (int i = 0; i < 1000; ++i) first += track("x(1)", "T  N" + std::to_string(i) + "   E0\r\n");
    if (count == 1001) second = track("x(1)", "T  N1000   E0\r\n");
    EXPECT_EQ(got["KK.hMOR0000.trk"], first);
    EXPECT_EQ(got["KK.hMOR0001.trk"], second);
  }
}

TEST_F(EndToEndTest, PutsTrackFilesBesideTheSource) {
  const std::string source = header() + "Label=\nData=1,2\n";
  const std::string converted = track("RoadNum(1)", "T  N1   E2\r\n");
  put("old.dir/DK01.txt", source);
  ASSERT_EQ(run("old.dir/DK01.txt"), 0);
  EXPECT_EQ(files()["old.dir/DK01.hMOR0000.trk"], converted);
  put("DK02.txt", source);
  ASSERT_EQ(run("./DK02.txt"), 0);
  EXPECT_EQ(files()["DK02.hMOR0000.trk"], converted);
  put("sub/x/XX03.txt", source);
  ASSERT_EQ(run("sub/x/../x/.XX03.txt.bak"), 1);
  fs::rename(work() / "sub/x/XX03.txt", work() / "sub/x/.XX03.txt.bak");
  ASSERT_EQ(run("sub/x/../x/.XX03.txt.bak"), 0);
  EXPECT_EQ(files()["sub/x/XX03.hMOR0000.trk"], track("XX03(1)", "T  N1   E2\r\n"));
}

TEST_F(EndToEndTest, HandlesLinesOfAnyLengthAndTheLastLine) {
  std::string data = "Data=";
  std::string points;
  for (int i = 0; i < 2000; ++i) {
    data += "(35.123456789012345678901,139." + std::to_string(i) + "),";
    points += "T  N35.123456789012345678901   E139." + std::to_string(i) + "\r\n";
  }
  const std::string label = "Label=" + std::string(500, 'L');
  put("TK.txt", header() + label + "\n" + data + "\nData=7,8\x1A" "Data=9,9\n");
  ASSERT_EQ(run("TK.txt"), 0);
  const std::string name(500, 'L');
  EXPECT_EQ(files()["TK.hMOR0000.trk"],
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
  EXPECT_EQ(files(), (std::map<std::string, std::string>{{"DK01.hMOR0000.trk", source}}));
  if (!canLink()) return;
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
  if (!canLink() || !fs::exists("/dev/full")) return;
  fs::remove(work() / "DK1.hMOR0000.trk");
  fs::create_symlink("/dev/full", work() / "DK1.hMOR0000.trk");
  EXPECT_EQ(run("DK1.txt"), 255);
  EXPECT_EQ(output(), kBanner + kCannotWrite + "DK1.hMOR0000.trk)\r\n");
  EXPECT_EQ(files()["DK1.txt"], source);
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
    fs::remove_all(work());
    fs::create_directories(work());
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
      EXPECT_TRUE(got[name] == content) << name << (crlf ? " (CR LF)" : " (LF)");
    }
  }
}

}  // namespace
