#include "source_scanner.h"

#include <cstring>

namespace {

// Bytes read at once; the buffer grows beyond this only for longer lines.
constexpr std::size_t kReadSize = 256 * 1024;

// A byte 0x1A marks the end of a text file: it and all after it are unread.
constexpr char kEndOfText = '\x1A';

// A Label line this short, counted with an LF at its end, has no label.
constexpr std::size_t kShortestLabelLine = 8;

}  // namespace

SourceScanner::SourceScanner(FileSystem& files) : files_(files) {}

Status SourceScanner::open(const std::string& name) {
  name_ = name;
  file_ = files_.openForReading(name);
  if (file_ == nullptr) return Status::Failure(Status::kCannotOpen, name);
  capacity_ = kReadSize;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  return Status::Ok();
}

bool SourceScanner::refill() {
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    scanFrom_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {
    // One line fills the whole buffer: make room for the rest of it.
    std::size_t grown = capacity_ * 2;
    auto bigger = std::make_unique_for_overwrite<char[]>(grown);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  char* fresh = buffer_.get() + end_;
  long long n = file_->read(fresh, capacity_ - end_);
  if (n < 0) {
    status_ = Status::Failure(Status::kCannotRead, name_);
    atEnd_ = true;
    return false;
  }
  if (n == 0) {
    atEnd_ = true;
    return true;
  }
  auto got = static_cast<std::size_t>(n);
  if (const void* mark = std::memchr(fresh, kEndOfText, got)) {
    got = static_cast<std::size_t>(static_cast<const char*>(mark) - fresh);
    atEnd_ = true;
  }
  end_ += got;
  return true;
}

bool SourceScanner::nextLine(SourceLine* line) {
  if (file_ == nullptr || !status_.ok()) return false;
  for (;;) {
    char* base = buffer_.get();
    const void* lf = std::memchr(base + scanFrom_, '\n', end_ - scanFrom_);
    if (lf != nullptr) {
      std::size_t length =
          static_cast<std::size_t>(static_cast<const char*>(lf) - base) -
          begin_;
      std::size_t textLength = length;
      // CR LF reads as LF; a CR anywhere else stays.
      if (textLength > 0 && base[begin_ + textLength - 1] == '\r') {
        --textLength;
      }
      line->text = std::string_view(base + begin_, textLength);
      line->terminated = true;
      begin_ += length + 1;
      scanFrom_ = begin_;
      ++lineCount_;
      return true;
    }
    scanFrom_ = end_;
    if (atEnd_) {
      if (begin_ == end_) return false;
      line->text = std::string_view(base + begin_, end_ - begin_);
      line->terminated = false;
      begin_ = scanFrom_ = end_;
      ++lineCount_;
      return true;
    }
    if (!refill()) return false;
  }
}

void SourceScanner::applyLabel(SourceLine* line) {
  std::string_view text = line->text;
  if (text.find("Label") == std::string_view::npos) return;
  ++labelCount_;
  // The length rule counts the line's LF, also for a last line without one.
  if (text.size() + 1 < kShortestLabelLine) {
    unlabelled_ = true;
    return;
  }
  std::size_t start = text.find_first_not_of('=');
  std::size_t cut = text.find('=', start);
  if (start == std::string_view::npos || cut == std::string_view::npos) {
    unlabelled_ = true;
    return;
  }
  label_.assign(text.substr(cut + 1));
  unlabelled_ = label_.empty();
  line->text = text.substr(0, cut);
}

bool SourceScanner::isDataLine(const SourceLine& line) const {
  return line.text.find("Data") != std::string_view::npos;
}

bool SourceScanner::coordinatePairs(const SourceLine& line,
                                    std::vector<CoordinatePair>* pairs) {
  pairs->clear();
  return forEachCoordinatePair(
      line, [pairs](std::string_view latitude, std::string_view longitude) {
        pairs->push_back({latitude, longitude});
      });
}

void SourceScanner::close() {
  if (file_ != nullptr) file_->close();
}
