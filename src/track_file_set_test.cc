#include "track_file_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_file_system.h"

namespace {

TEST(TrackFileSetTest, WritesHeadingsAndPointLinesWithCrLf) {
  MemoryFileSystem files;
  {
    TrackFileSet tracks(files, "DK01", "DK01.txt");
    ASSERT_TRUE(tracks.prepareBlock().ok());
    tracks.beginTrack("RoadNum", 3);
    tracks.addPoint("35.5", "139.7");
    tracks.addPoint("35.6", "139.8");
    tracks.beginTrack("\x95\x5C", -12);  // a Shift_JIS name, a negative number
    EXPECT_EQ(tracks.trackCount(), 2);
    ASSERT_TRUE(tracks.closeCurrent().ok());
  }
  EXPECT_EQ(files.files["DK01.hMOR0000.trk"],
            "\r\n"
            "H  RoadNum(3)\r\n"
            "\r\n"
            "H  Latitude     Longitude\r\n"
            "T  N35.5   E139.7\r\n"
            "T  N35.6   E139.8\r\n"
            "\r\n"
            "H  \x95\x5C(-12)\r\n"
            "\r\n"
            "H  Latitude     Longitude\r\n");
}

TEST(TrackFileSetTest, NamesBlockFiles) {
  EXPECT_EQ(TrackFileSet::blockFileName("DK01", 0), "DK01.hMOR0000.trk");
  EXPECT_EQ(TrackFileSet::blockFileName("dir/DK01", 7),
            "dir/DK01.hMOR0007.trk");
  EXPECT_EQ(TrackFileSet::blockFileName("s", 9999), "s.hMOR9999.trk");
  EXPECT_EQ(TrackFileSet::blockFileName("s", 10000), "s.hMOR10000.trk");
  EXPECT_EQ(TrackFileSet::blockFileName("", 123456), ".hMOR123456.trk");
}

// Feeds `count` tracks, numbered from 1, through a TrackFileSet the way the
// conversion loop does: prepareBlock() before every read, one track per
// read, and once more before the read that meets the end.
void writeTracks(MemoryFileSystem& files, long long count) {
  TrackFileSet tracks(files, "s", "s.txt");
  for (long long i = 1; i <= count; ++i) {
    ASSERT_TRUE(tracks.prepareBlock().ok());
    tracks.beginTrack("t", i);
    tracks.addPoint("1", "2");
  }
  ASSERT_TRUE(tracks.prepareBlock().ok());
  ASSERT_TRUE(tracks.closeCurrent().ok());
}

// Returns the numbers of the tracks in a block file, in order.
std::vector<long long> trackNumbers(const std::string& content) {
  std::vector<long long> numbers;
  for (std::size_t at = content.find("H  t("); at != std::string::npos;
       at = content.find("H  t(", at + 1)) {
    numbers.push_back(std::stoll(content.substr(at + 5)));
  }
  return numbers;
}

TEST(TrackFileSetTest, RotatesEvery1000Tracks) {
  struct Case {
    long long tracks;
    std::vector<long long> perFile;  // tracks in block file 0, 1, ...
  };
  const Case cases[] = {
      {0, {0}},
      {1, {1}},
      {999, {999}},
      {1000, {1000, 0}},
      {1001, {1000, 1}},
      {2000, {1000, 1000, 0}},
      {2500, {1000, 1000, 500}},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    writeTracks(files, c.tracks);
    ASSERT_EQ(files.files.size(), c.perFile.size()) << c.tracks << " tracks";
    long long next = 1;
    for (std::size_t block = 0; block < c.perFile.size(); ++block) {
      const std::string name = TrackFileSet::blockFileName("s", block);
      ASSERT_EQ(files.files.count(name), 1u) << name;
      std::vector<long long> expected;
      for (long long i = 0; i < c.perFile[block]; ++i)
        expected.push_back(next++);
      EXPECT_EQ(trackNumbers(files.files[name]), expected) << name;
    }
  }
}

TEST(TrackFileSetTest, WritesInLargeBlocks) {
  MemoryFileSystem files;
  writeTracks(files, 30000);
  std::size_t bytes = 0;
  for (const auto& file : files.files) bytes += file.second.size();
  int writes = 0;
  for (const std::string& op : files.operations) {
    if (op.rfind("write ", 0) == 0) ++writes;
  }
  // At most one partial write per block file beyond the full buffers.
  EXPECT_LE(writes, static_cast<int>(bytes / (1024 * 1024)) + 31);
}

TEST(TrackFileSetTest, KeepsATextLargerThanTheBufferWhole) {
  MemoryFileSystem files;
  const std::string huge(3 * 1024 * 1024, '9');
  {
    TrackFileSet tracks(files, "s", "s.txt");
    ASSERT_TRUE(tracks.prepareBlock().ok());
    tracks.beginTrack(huge, 1);
    tracks.addPoint(huge, huge);
    ASSERT_TRUE(tracks.closeCurrent().ok());
  }
  EXPECT_EQ(files.files["s.hMOR0000.trk"],
            "\r\nH  " + huge + "(1)\r\n\r\nH  Latitude     Longitude\r\n" +
                "T  N" + huge + "   E" + huge + "\r\n");
}

TEST(TrackFileSetTest, ReportsEachOutputFailureOnceAndStops) {
  struct Case {
    const char* failing;  // the operation that fails
    Status::Code code;
    const char* file;
  };
  // 1500 tracks: create 0000, write 0000, close 0000, create 0001, write
  // 0001, close 0001.
  const Case cases[] = {
      {"create s.hMOR0000.trk", Status::kCannotCreate, "s.hMOR0000.trk"},
      {"write s.hMOR0000.trk", Status::kCannotWrite, "s.hMOR0000.trk"},
      {"close s.hMOR0000.trk", Status::kCannotWrite, "s.hMOR0000.trk"},
      {"create s.hMOR0001.trk", Status::kCannotCreate, "s.hMOR0001.trk"},
      {"write s.hMOR0001.trk", Status::kCannotWrite, "s.hMOR0001.trk"},
      {"close s.hMOR0001.trk", Status::kCannotWrite, "s.hMOR0001.trk"},
  };
  MemoryFileSystem dryRun;
  writeTracks(dryRun, 1500);
  for (const Case& c : cases) {
    MemoryFileSystem files;
    for (std::size_t i = 0; i < dryRun.operations.size(); ++i) {
      if (dryRun.operations[i] == c.failing) files.failOperation = i + 1;
    }
    ASSERT_NE(files.failOperation, 0) << c.failing;
    TrackFileSet tracks(files, "s", "s.txt");
    Status first;
    for (int i = 0; i < 1500 && first.ok(); ++i) {
      first = tracks.prepareBlock();
      tracks.beginTrack("t", i);
      tracks.addPoint("1", "2");
    }
    if (first.ok()) first = tracks.prepareBlock();
    Status last = tracks.closeCurrent();
    EXPECT_EQ(last.code, c.code) << c.failing;
    EXPECT_EQ(last.file, c.file) << c.failing;
    // After the failure the file is at most closed; nothing else is done.
    for (std::size_t i = files.failOperation; i < files.operations.size();
         ++i) {
      EXPECT_EQ(files.operations[i], std::string("close ") + c.file)
          << c.failing;
    }
  }
}

TEST(TrackFileSetTest, NeverCreatesTheSourceAsABlockFile) {
  MemoryFileSystem files;
  files.files["s.txt"] = "source";
  files.links["s.hMOR0000.trk"] = "s.txt";
  TrackFileSet tracks(files, "s", "s.txt");
  Status status = tracks.prepareBlock();
  EXPECT_EQ(status.code, Status::kIsSource);
  EXPECT_EQ(status.file, "s.hMOR0000.trk");
  EXPECT_EQ(tracks.closeCurrent().code, Status::kIsSource);
  EXPECT_EQ(files.files["s.txt"], "source");
  EXPECT_TRUE(files.operations.empty());
}

}  // namespace
