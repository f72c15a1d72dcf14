// TrackFileSet writes tracks into a numbered series of block files named
// after the file stem, 1000 tracks to a file: stem.hMOR0000.trk holds tracks
// 1 to 1000, stem.hMOR0001.trk the next thousand, and so on. Every line ends
// with CR LF on every system. Output is gathered in one large buffer and
// written in big blocks; the first failure sticks and is reported.
#ifndef TARVENIK2TRK_TRACK_FILE_SET_H_
#define TARVENIK2TRK_TRACK_FILE_SET_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "file_system.h"
#include "status.h"

class TrackFileSet {
 public:
  static constexpr long long kTracksPerFile = 1000;

  /// Block files are named `stemPath` + ".hMOR" + the block number with at
  /// least four digits + ".trk". `sourceName` is the file being converted:
  /// a block file that would be that same file is never created.
  TrackFileSet(FileSystem& files, std::string stemPath, std::string sourceName);
  ~TrackFileSet();

  TrackFileSet(const TrackFileSet&) = delete;
  TrackFileSet& operator=(const TrackFileSet&) = delete;

  /// Called before every read of a source line. When the track count is a
  /// multiple of 1000 and its block file does not exist yet, closes the
  /// current block file and creates that one, empty. Returns the first
  /// failure so far: kCannotWrite when the close failed, kCannotCreate when
  /// the creation did, kIsSource when the new file would be the source.
  const Status& prepareBlock();

  /// Counts one more track and writes its heading: an empty line,
  /// "H  name(number)", an empty line and the column line.
  void beginTrack(std::string_view name, long long number);

  /// Writes the point line "T  N<latitude>   E<longitude>".
  void addPoint(std::string_view latitude, std::string_view longitude) {
    const std::size_t size = latitude.size() + longitude.size() + 10;
    char* p = room(size);
    std::memcpy(p, "T  N", 4);
    p += 4;
    p = copyText(p, latitude);
    std::memcpy(p, "   E", 4);
    p += 4;
    p = copyText(p, longitude);
    std::memcpy(p, "\r\n", 2);
  }

  /// Returns ok, or the first failure to create, write or close a block file.
  const Status& status() const { return status_; }

  /// Writes out all that is buffered and closes the current block file.
  /// Returns the first failure so far, kCannotWrite when this close failed.
  Status closeCurrent();

  /// Returns the number of tracks begun.
  long long trackCount() const { return trackCount_; }

  /// Returns the name of block file `block` for `stemPath`.
  static std::string blockFileName(std::string_view stemPath, long long block);

 private:
  /// Returns room for `size` more bytes in the buffer, writing out what it
  /// holds first when they would not fit.
  char* room(std::size_t size) {
    if (static_cast<std::size_t>(limit_ - cursor_) < size) makeRoom(size);
    char* p = cursor_;
    cursor_ += size;
    return p;
  }
  void makeRoom(std::size_t size);

  /// Copies `text` to `p` and returns the end of the copy. Texts of 8 to 16
  /// bytes, the usual coordinates, take two overlapping word moves instead of
  /// a call.
  static char* copyText(char* p, std::string_view text) {
    const std::size_t n = text.size();
    if (n >= 8 && n <= 16) {
      char head[8], tail[8];
      std::memcpy(head, text.data(), 8);
      std::memcpy(tail, text.data() + n - 8, 8);
      std::memcpy(p, head, 8);
      std::memcpy(p + n - 8, tail, 8);
    } else {
      std::memcpy(p, text.data(), n);
    }
    return p + n;
  }

  /// Hands the buffered bytes to the current block file; a failure sticks.
  void writeOut();

  FileSystem& files_;
  std::string stemPath_;
  std::string sourceName_;

  std::unique_ptr<WritableFile> file_;
  std::string fileName_;         // name of the current block file
  long long createdBlock_ = -1;  // number of the last block file created
  long long trackCount_ = 0;
  Status status_;

  // The output buffer: bytes from its start up to cursor_ wait to be
  // written; limit_ is its end.
  std::unique_ptr<char[]> buffer_;
  char* cursor_ = nullptr;
  char* limit_ = nullptr;
};

#endif  // TARVENIK2TRK_TRACK_FILE_SET_H_
