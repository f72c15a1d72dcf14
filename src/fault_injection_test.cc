// Fails every file operation of a whole conversion in turn, one per run, and
// checks that each failure stops the run with one message naming the file
// and the right exit status, without harm to the source and without
// creating any later track file.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "conversion_driver.h"
#include "memory_file_system.h"
#include "string_console.h"

namespace {

// About 2.4 MB: 2500 tracks of 40 points, three block files of which each
// takes two writes of the 1 MiB output buffer.
std::string bigSource() {
  std::string source;
  for (int i = 1; i <= 25; ++i) source += "header\r\n";
  for (int t = 0; t < 2500; ++t) {
    if (t % 3 == 0) source += "Label=L" + std::to_string(t) + "\r\n";
    source += "Data=";
    for (int p = 0; p < 40; ++p) {
      source += "(35." + std::to_string(100000 + t) + ",139." +
                std::to_string(200000 + p) + "),";
    }
    source += "\r\n";
  }
  return source;
}

std::string operationFile(const std::string& operation) {
  return operation.substr(operation.find(' ') + 1);
}

const std::string kSourceName = "GK0001.txt";
const std::string kBanner =
    std::string(texts::kBanner) + std::string(texts::kPrompt);

// A healthy conversion of the big source, and a run of the same in which
// operation k fails.
class FaultInjectionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    source_ = new std::string(bigSource());
    healthy_ = new MemoryFileSystem(disk());
    StringConsole console(kSourceName);
    ASSERT_EQ(ConversionDriver(console, *healthy_).run(), 0);
  }
  static void TearDownTestSuite() {
    delete healthy_;
    delete source_;
  }

  // Returns a file system that holds the source, read 64 KiB at a time.
  static MemoryFileSystem disk() {
    MemoryFileSystem disk;
    disk.files[kSourceName] = *source_;
    disk.readPieceSize = 64 * 1024;
    return disk;
  }

  static const std::string& source() { return *source_; }
  static const MemoryFileSystem& healthy() { return *healthy_; }

 private:
  static std::string* source_;
  static MemoryFileSystem* healthy_;
};

std::string* FaultInjectionTest::source_ = nullptr;
MemoryFileSystem* FaultInjectionTest::healthy_ = nullptr;

TEST_F(FaultInjectionTest, EveryFailedOperationStopsTheRunCleanly) {
  const std::vector<std::string>& operations = healthy().operations;
  RecordProperty("operations", static_cast<int>(operations.size()));
  ASSERT_EQ(healthy().files.size(), 4u);  // the source and three block files
  std::set<std::string> kinds;
  for (const std::string& op : operations)
    kinds.insert(op.substr(0, op.find(' ')));
  ASSERT_EQ(kinds, (std::set<std::string>{"open", "read", "create", "write",
                                          "close"}));

  for (std::size_t k = 1; k <= operations.size(); ++k) {
    const std::string& failing = operations[k - 1];
    const std::string file = operationFile(failing);
    SCOPED_TRACE("failing operation " + std::to_string(k) + ": " + failing);

    MemoryFileSystem disk = FaultInjectionTest::disk();
    disk.failOperation = static_cast<int>(k);
    StringConsole console(kSourceName);
    const int status = ConversionDriver(console, disk).run();

    EXPECT_EQ(disk.files[kSourceName], source());
    if (failing == "close " + kSourceName) {
      // Closing the source after all of it was read loses nothing: the
      // conversion is complete and succeeds.
      EXPECT_EQ(status, 0);
      EXPECT_EQ(console.output, kBanner);
      EXPECT_EQ(disk.files, healthy().files);
      continue;
    }

    Status::Code code;
    if (file == kSourceName) {
      code = failing.rfind("open", 0) == 0 ? Status::kCannotOpen
                                           : Status::kCannotRead;
    } else {
      code = failing.rfind("create", 0) == 0 ? Status::kCannotCreate
                                             : Status::kCannotWrite;
    }
    EXPECT_EQ(status, exitStatusFor(Status::Failure(code, file)));
    EXPECT_EQ(status, file == kSourceName ? 1 : -1);
    EXPECT_EQ(console.output,
              kBanner + messageFor(Status::Failure(code, file)));

    // After the failure the files are closed, nothing more is read and no
    // file is created. Only a failed read lets the tracks converted before
    // it be written out, to a block file that then ends after a whole track.
    for (std::size_t i = k; i < disk.operations.size(); ++i) {
      const std::string& op = disk.operations[i];
      const bool flush =
          code == Status::kCannotRead && op.rfind("write ", 0) == 0;
      EXPECT_TRUE(op.rfind("close ", 0) == 0 || flush) << op;
    }
    // Nothing beyond the failing block file exists.
    for (const auto& entry : disk.files) {
      EXPECT_TRUE(entry.first == kSourceName || entry.first <= file ||
                  file == kSourceName)
          << entry.first << " created after " << file << " failed";
    }
  }
}

TEST_F(FaultInjectionTest, RunningOutOfMemoryAnywhereStopsTheRunCleanly) {
  const std::vector<std::string>& operations = healthy().operations;
  for (std::size_t k = 1; k <= operations.size(); ++k) {
    SCOPED_TRACE("out of memory at " + operations[k - 1]);
    MemoryFileSystem disk = FaultInjectionTest::disk();
    disk.failOperation = static_cast<int>(k);
    disk.failByRunningOutOfMemory = true;
    StringConsole console(kSourceName);
    EXPECT_EQ(ConversionDriver(console, disk).run(), 1);
    EXPECT_EQ(console.output,
              kBanner + messageFor(Status::Failure(Status::kOutOfMemory,
                                                   kSourceName)));
    EXPECT_EQ(disk.files[kSourceName], source());
    for (std::size_t i = k; i < disk.operations.size(); ++i) {
      EXPECT_EQ(disk.operations[i].rfind("create ", 0), std::string::npos)
          << disk.operations[i];
    }
  }
}

}  // namespace
