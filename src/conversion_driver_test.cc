#include "conversion_driver.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "memory_file_system.h"
#include "string_console.h"

namespace {

TEST(ConversionDriverTest, SplitsTypedNames) {
  struct Case {
    const char* name;
    PathStyle style;
    const char* directory;
    const char* stem;
  };
  const Case cases[] = {
      {"DK0001.txt", PathStyle::kPosix, "", "DK0001"},
      {"DK0001", PathStyle::kPosix, "", "DK0001"},
      {"a.b.c", PathStyle::kPosix, "", "a"},
      {".hidden.txt", PathStyle::kPosix, "", "hidden"},
      {"...", PathStyle::kPosix, "", "..."},
      {"old.dir/DK01.txt", PathStyle::kPosix, "old.dir/", "DK01"},
      {"./DK01.txt", PathStyle::kPosix, "./", "DK01"},
      {"../x/DK01.txt", PathStyle::kPosix, "../x/", "DK01"},
      {"/abs/DK01.txt", PathStyle::kPosix, "/abs/", "DK01"},
      {"a\\b.txt", PathStyle::kPosix, "", "a\\b"},
      {"a\\b.txt", PathStyle::kWindows, "a\\", "b"},
      {"C:DK01.txt", PathStyle::kWindows, "C:", "DK01"},
      {"C:\\data\\DK01.txt", PathStyle::kWindows, "C:\\data\\", "DK01"},
      {"c:/data/DK01.txt", PathStyle::kWindows, "c:/data/", "DK01"},
      {"C:DK01.txt", PathStyle::kPosix, "", "C:DK01"},
      // 表 is 0x95 0x5C: its second byte is not a separator.
      {"\x95\x5C.txt", PathStyle::kWindows, "", "\x95\x5C"},
      {"\x95\x5C\\DK.txt", PathStyle::kWindows, "\x95\x5C\\", "DK"},
      {"\x95\x5C\\DK.txt", PathStyle::kPosix, "", "\x95\x5C\\DK"},
      {"dir/", PathStyle::kPosix, "dir/", ""},
  };
  for (const Case& c : cases) {
    TypedName parts = splitTypedName(c.name, c.style);
    EXPECT_EQ(parts.directory, c.directory) << c.name;
    EXPECT_EQ(parts.stem, c.stem) << c.name;
  }
}

TEST(ConversionDriverTest, DerivesTheLayerName) {
  const std::pair<const char*, const char*> cases[] = {
      {"DK0001", "RoadNum"},
      {"GK0001", "GyouseiKai"},
      {"KK0001", "RiverNum"},
      {"SK0001", "WaterLineNum"},
      {"TK0001", "RailNum"},
      {"GK12TK", "RailNum"},
      {"TK12GK", "RailNum"},
      {"xxDKyy", "RoadNum"},
      {"dk0001", "dk0001"},
      {"XX0001", "XX0001"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(layerNameFor(c.first), c.second) << c.first;
  }
}

const std::string kBanner(texts::kBanner);
const std::string kPrompt(texts::kPrompt);
// "ファイルが開けません(" and "ファイルが読めません(".
const std::string kCannotOpen =
    "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1(";
const std::string kCannotRead =
    "\x83t\x83@"
    "\x83\x43\x83\x8B\x82\xAA\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1(";

std::string header() {
  std::string text;
  for (int i = 1; i <= 25; ++i) text += "Label=header Data=1,2\n";
  return text;
}

std::string track(const std::string& heading, const std::string& points) {
  return "\r\nH  " + heading + "\r\n\r\nH  Latitude     Longitude\r\n" + points;
}

struct RunResult {
  int status;
  std::string output;
  std::map<std::string, std::string> files;
};

RunResult run(const std::string& typed,
              std::map<std::string, std::string> files, int failOperation = 0) {
  MemoryFileSystem disk;
  disk.files = std::move(files);
  disk.failOperation = failOperation;
  StringConsole console(typed);
  RunResult result;
  result.status = ConversionDriver(console, disk).run();
  result.output = console.output;
  result.files = disk.files;
  return result;
}

TEST(ConversionDriverTest, ConvertsASource) {
  const std::string source = header() +
                             "Label=Route 1\n"
                             "Data=(35.5,139.7),(35.6,139.8)\n"
                             "ignored line\n"
                             "Data=(36.0,140.0)\n"
                             "Label=\n"
                             "Data=(1,2)";
  RunResult r = run(" DK0001.txt\n", {{"DK0001.txt", source}});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, kBanner + kPrompt);
  EXPECT_EQ(r.files["DK0001.hMOR0000.trk"],
            track("Route 1(1)", "T  N35.5   E139.7\r\nT  N35.6   E139.8\r\n") +
                track("Route 1(1)", "T  N36.0   E140.0\r\n") +
                track("RoadNum(2)", "T  N1   E2\r\n"));
  EXPECT_EQ(r.files.size(), 2u);
  EXPECT_EQ(r.files["DK0001.txt"], source);
}

TEST(ConversionDriverTest, NamesUnlabelledTracksAfterTheStem) {
  RunResult r =
      run("dir/XX0001.txt",
          {{"dir/XX0001.txt", header() + "Data=1,2\nLabel=x=y\nData=3,4\n"}});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      r.files["dir/XX0001.hMOR0000.trk"],
      track("XX0001(0)", "T  N1   E2\r\n") + track("x=y(1)", "T  N3   E4\r\n"));
}

TEST(ConversionDriverTest, WritesOneEmptyFileWhenThereAreNoTracks) {
  RunResult r = run("GK12TK.txt", {{"GK12TK.txt", header()}});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.files.count("GK12TK.hMOR0000.trk"), 1u);
  EXPECT_EQ(r.files["GK12TK.hMOR0000.trk"], "");
}

TEST(ConversionDriverTest, WarnsAboutALatitudeWithoutLongitude) {
  RunResult r =
      run("TK1.txt",
          {{"TK1.txt", header() + "Label=L\nData=(1,2),(3)\nData=5,6\n"}});
  EXPECT_EQ(r.status, 0);
  // "27行目: 経度のない緯度を飛ばしました"
  EXPECT_EQ(r.output, kBanner + kPrompt +
                          "27\x8Ds\x96\xDA: \x8Co\x93x\x82\xCC\x82\xC8\x82\xA2"
                          "\x88\xDC\x93x\x82\xF0\x94\xF2\x82\xCE\x82\xB5\x82"
                          "\xDC\x82\xB5\x82\xBD\r\n");
  EXPECT_EQ(r.files["TK1.hMOR0000.trk"],
            track("L(1)", "T  N1   E2\r\n") + track("L(1)", "T  N5   E6\r\n"));
}

TEST(ConversionDriverTest, ReportsASourceThatCannotBeOpened) {
  RunResult r = run("missing.txt\n", {});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, kBanner + kPrompt + kCannotOpen + "missing.txt)\r\n");
  EXPECT_TRUE(r.files.empty());
}

TEST(ConversionDriverTest, ReportsInputThatEndsBeforeAName) {
  RunResult r = run(" \n\t ", {});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, kBanner + kPrompt + kCannotOpen + ")\r\n");
}

TEST(ConversionDriverTest, ReportsAReadFailure) {
  // Operations: open the source, create the block file, then the first read.
  RunResult r = run("DK1.txt", {{"DK1.txt", header()}}, 3);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, kBanner + kPrompt + kCannotRead + "DK1.txt)\r\n");
}

TEST(ConversionDriverTest, ReportsRunningOutOfMemory) {
  // Operations: open the source, create the block file, then the first
  // read, which finds no memory.
  MemoryFileSystem disk;
  disk.files["DK1.txt"] = header() + "Label=a\nData=1,2\n";
  disk.failOperation = 3;
  disk.failByRunningOutOfMemory = true;
  StringConsole console("DK1.txt");
  EXPECT_EQ(ConversionDriver(console, disk).run(), 1);
  // "メモリが足りません(DK1.txt)"
  EXPECT_EQ(console.output, kBanner + kPrompt +
                                "\x83\x81\x83\x82\x83\x8A\x82\xAA\x91\xAB\x82"
                                "\xE8\x82\xDC\x82\xB9\x82\xF1(DK1.txt)\r\n");
  EXPECT_EQ(disk.files["DK1.hMOR0000.trk"], "");
}

TEST(ConversionDriverTest, NeverOverwritesItsSource) {
  const std::string source = header() + "Label=a\nData=1,2\n";
  RunResult r = run("DK01.hMOR0000.trk", {{"DK01.hMOR0000.trk", source}});
  EXPECT_EQ(r.status, 1);
  // "入力ファイルには書き込めません(DK01.hMOR0000.trk)"
  EXPECT_EQ(r.output, kBanner + kPrompt +
                          "\x93\xFC\x97\xCD\x83t\x83@\x83\x43\x83\x8B\x82\xC9"
                          "\x82\xCD\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC"
                          "\x82\xB9\x82\xF1(DK01.hMOR0000.trk)\r\n");
  EXPECT_EQ(r.files.size(), 1u);
  EXPECT_EQ(r.files["DK01.hMOR0000.trk"], source);
}

TEST(ConversionDriverTest, ReportsOutputFailures) {
  const std::string source = header() + "Label=a\nData=1,2\n";
  // "ファイルが作成できません(" and "ファイルに書き込めません(".
  const std::string cannotCreate =
      "\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82"
      "\xDC\x82\xB9\x82\xF1(";
  const std::string cannotWrite =
      "\x83t\x83@\x83\x43\x83\x8B\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82"
      "\xDC\x82\xB9\x82\xF1(";
  MemoryFileSystem dryRun;
  dryRun.files["DK1.txt"] = source;
  StringConsole quiet("DK1.txt");
  ASSERT_EQ(ConversionDriver(quiet, dryRun).run(), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"create DK1.hMOR0000.trk", cannotCreate},
      {"write DK1.hMOR0000.trk", cannotWrite},
      {"close DK1.hMOR0000.trk", cannotWrite}};
  for (const auto& c : cases) {
    MemoryFileSystem disk;
    disk.files["DK1.txt"] = source;
    for (std::size_t i = 0; i < dryRun.operations.size(); ++i) {
      if (dryRun.operations[i] == c.first) disk.failOperation = i + 1;
    }
    StringConsole console("DK1.txt");
    EXPECT_EQ(ConversionDriver(console, disk).run(), -1) << c.first;
    EXPECT_EQ(console.output,
              kBanner + kPrompt + c.second + "DK1.hMOR0000.trk)\r\n")
        << c.first;
    EXPECT_EQ(disk.files["DK1.txt"], source);
  }
}

}  // namespace
