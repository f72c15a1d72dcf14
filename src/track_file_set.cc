#include "track_file_set.h"

#include <charconv>
#include <utility>

namespace {

// Bytes gathered before they are written to the block file.
constexpr std::size_t kBufferSize = 1024 * 1024;

constexpr std::string_view kColumnLine = "H  Latitude     Longitude\r\n";

}  // namespace

TrackFileSet::TrackFileSet(FileSystem& files, std::string stemPath,
                           std::string sourceName)
    : files_(files),
      stemPath_(std::move(stemPath)),
      sourceName_(std::move(sourceName)),
      buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)),
      cursor_(buffer_.get()),
      limit_(buffer_.get() + kBufferSize) {}

TrackFileSet::~TrackFileSet() {
  if (file_ != nullptr) closeCurrent();
}

std::string TrackFileSet::blockFileName(std::string_view stemPath,
                                        long long block) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, block).ptr;
  std::string_view number(digits, static_cast<std::size_t>(end - digits));
  std::string name(stemPath);
  name += ".hMOR";
  if (number.size() < 4) name.append(4 - number.size(), '0');
  name += number;
  name += ".trk";
  return name;
}

const Status& TrackFileSet::prepareBlock() {
  if (trackCount_ % kTracksPerFile != 0) return status_;
  const long long block = trackCount_ / kTracksPerFile;
  if (block == createdBlock_ || !status_.ok()) return status_;
  if (file_ != nullptr && !closeCurrent().ok()) return status_;
  std::string name = blockFileName(stemPath_, block);
  if (files_.sameFile(name, sourceName_)) {
    status_ = Status::Failure(Status::kIsSource, name);
    return status_;
  }
  file_ = files_.create(name);
  if (file_ == nullptr) {
    status_ = Status::Failure(Status::kCannotCreate, name);
    return status_;
  }
  fileName_ = std::move(name);
  createdBlock_ = block;
  return status_;
}

void TrackFileSet::beginTrack(std::string_view name, long long number) {
  ++trackCount_;
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  const auto numberSize = static_cast<std::size_t>(end - digits);
  char* p = room(name.size() + numberSize + 11 + kColumnLine.size());
  std::memcpy(p, "\r\nH  ", 5);
  p += 5;
  std::memcpy(p, name.data(), name.size());
  p += name.size();
  *p++ = '(';
  std::memcpy(p, digits, numberSize);
  p += numberSize;
  std::memcpy(p, ")\r\n\r\n", 5);
  p += 5;
  std::memcpy(p, kColumnLine.data(), kColumnLine.size());
}

void TrackFileSet::makeRoom(std::size_t size) {
  writeOut();
  if (static_cast<std::size_t>(limit_ - cursor_) < size) {
    // A single line larger than the whole buffer (a huge label or
    // coordinate): the buffer grows to hold it.
    buffer_ = std::make_unique_for_overwrite<char[]>(size);
    cursor_ = buffer_.get();
    limit_ = cursor_ + size;
  }
}

void TrackFileSet::writeOut() {
  const auto used = static_cast<std::size_t>(cursor_ - buffer_.get());
  if (used > 0 && file_ != nullptr && status_.ok() &&
      !file_->write(buffer_.get(), used)) {
    status_ = Status::Failure(Status::kCannotWrite, fileName_);
  }
  cursor_ = buffer_.get();
}

Status TrackFileSet::closeCurrent() {
  writeOut();
  if (file_ != nullptr) {
    bool closed = file_->close();
    file_.reset();
    if (!closed && status_.ok()) {
      status_ = Status::Failure(Status::kCannotWrite, fileName_);
    }
  }
  return status_;
}
