#include "memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

class MemoryReadableFile : public ReadableFile {
 public:
  MemoryReadableFile(MemoryFileSystem& owner, std::string path,
                     std::string content)
      : owner_(owner), path_(std::move(path)), content_(std::move(content)) {}

  long long read(char* buffer, std::size_t size) override {
    if (!owner_.perform("read", path_)) return -1;
    std::size_t n =
        std::min({size, owner_.readPieceSize, content_.size() - offset_});
    std::memcpy(buffer, content_.data() + offset_, n);
    offset_ += n;
    return static_cast<long long>(n);
  }

  bool close() override { return owner_.perform("close", path_); }

 private:
  MemoryFileSystem& owner_;
  std::string path_;
  std::string content_;
  std::size_t offset_ = 0;
};

class MemoryWritableFile : public WritableFile {
 public:
  MemoryWritableFile(MemoryFileSystem& owner, std::string path)
      : owner_(owner), path_(std::move(path)) {}

  bool write(const char* data, std::size_t size) override {
    if (!owner_.perform("write", path_)) return false;
    owner_.files[path_].append(data, size);
    return true;
  }

  bool close() override { return owner_.perform("close", path_); }

 private:
  MemoryFileSystem& owner_;
  std::string path_;
};

}  // namespace

bool MemoryFileSystem::perform(const char* operation, const std::string& path) {
  operations.push_back(std::string(operation) + " " + path);
  const bool fails = static_cast<int>(operations.size()) == failOperation;
  if (fails && failByRunningOutOfMemory) throw std::bad_alloc();
  return !fails;
}

std::string MemoryFileSystem::resolve(const std::string& path) const {
  auto link = links.find(path);
  return link == links.end() ? path : link->second;
}

std::unique_ptr<ReadableFile> MemoryFileSystem::openForReading(
    const std::string& path) {
  if (!perform("open", path)) return nullptr;
  auto file = files.find(resolve(path));
  if (file == files.end()) return nullptr;
  return std::make_unique<MemoryReadableFile>(*this, path, file->second);
}

std::unique_ptr<WritableFile> MemoryFileSystem::create(
    const std::string& path) {
  if (!perform("create", path)) return nullptr;
  if (std::find(directories.begin(), directories.end(), path) !=
      directories.end()) {
    return nullptr;
  }
  std::string target = resolve(path);
  files[target].clear();
  return std::make_unique<MemoryWritableFile>(*this, target);
}

bool MemoryFileSystem::sameFile(const std::string& a, const std::string& b) {
  std::string ra = resolve(a);
  return ra == resolve(b) && files.count(ra) != 0;
}
