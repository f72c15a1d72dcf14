// An in-memory FileSystem for tests and fuzzing. It records every operation
// in order, can make any single one of them fail, and can hand out reads in
// small pieces to exercise every split of the source across reads.
#ifndef TARVENIK2TRK_MEMORY_FILE_SYSTEM_H_
#define TARVENIK2TRK_MEMORY_FILE_SYSTEM_H_

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

class MemoryFileSystem : public FileSystem {
 public:
  /// The files by name; a test puts sources here and reads results back.
  std::map<std::string, std::string> files;

  /// Names that are the same file as another (a link): alias to target.
  std::map<std::string, std::string> links;

  /// Names that exist but are not regular files.
  std::vector<std::string> directories;

  /// The most bytes one read hands out.
  std::size_t readPieceSize = static_cast<std::size_t>(-1);

  /// The number (from 1) of the operation that fails; 0 for none.
  int failOperation = 0;

  /// Whether that operation fails by throwing std::bad_alloc, as the
  /// standard library does when memory runs out.
  bool failByRunningOutOfMemory = false;

  /// Every operation so far, as "open NAME", "read NAME", "create NAME",
  /// "write NAME" or "close NAME".
  std::vector<std::string> operations;

  std::unique_ptr<ReadableFile> openForReading(
      const std::string& path) override;
  std::unique_ptr<WritableFile> create(const std::string& path) override;
  bool sameFile(const std::string& a, const std::string& b) override;

  /// Records `operation` on `path`; returns false when it is to fail.
  bool perform(const char* operation, const std::string& path);

 private:
  /// Returns the name of the file `path` stands for.
  std::string resolve(const std::string& path) const;
};

#endif  // TARVENIK2TRK_MEMORY_FILE_SYSTEM_H_
