// The disk, behind a small interface: everything the tool reads or writes
// goes through FileSystem, so that tests can watch every operation and make
// any one of them fail. Transfers are whole buffers; nothing here is called
// per byte or per line.
#ifndef TARVENIK2TRK_FILE_SYSTEM_H_
#define TARVENIK2TRK_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <string>

/// A file open for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  /// Reads up to `size` bytes into `buffer`; returns how many were read,
  /// 0 at the end of the file, or -1 when the read failed.
  virtual long long read(char* buffer, std::size_t size) = 0;
  /// Closes the file; returns false when the close failed.
  virtual bool close() = 0;
};

/// A file open for writing. Whatever is handed to write() goes to the file
/// before it returns; nothing is buffered behind the caller's back.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  /// Writes all `size` bytes of `data`; returns false when it could not.
  virtual bool write(const char* data, std::size_t size) = 0;
  /// Closes the file; returns false when the close failed.
  virtual bool close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// Opens the existing regular file `path` for reading, in binary; returns
  /// null when it is missing, is not a regular file or cannot be opened.
  virtual std::unique_ptr<ReadableFile> openForReading(
      const std::string& path) = 0;
  /// Creates `path` empty, replacing any file of that name, in binary;
  /// returns null when it cannot be created.
  virtual std::unique_ptr<WritableFile> create(const std::string& path) = 0;
  /// Returns true when `a` and `b` both exist and are the same file (through
  /// links too); false when they differ or either cannot be examined.
  virtual bool sameFile(const std::string& a, const std::string& b) = 0;
};

/// Returns the machine's own file system. File names are used as the bytes
/// they are: on Windows they are taken in the system code page.
FileSystem& diskFileSystem();

#endif  // TARVENIK2TRK_FILE_SYSTEM_H_
