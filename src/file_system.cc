#include "file_system.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <clocale>
#include <cstdlib>
#endif

namespace {

namespace fs = std::filesystem;

// A file name as the standard library's path type. POSIX paths are plain
// bytes. On Windows a narrow name is in the system code page (932 on a
// Japanese system), which is what the C runtime's mbstowcs speaks once the
// locale is taken from the system; a name that is not valid there gives an
// empty path, which names no file (and fopen could not open it either).
fs::path toPath(const std::string& name) {
#ifdef _WIN32
  static const bool localeSet = std::setlocale(LC_CTYPE, "") != nullptr;
  (void)localeSet;
  std::wstring wide(name.size() + 1, L'\0');
  std::size_t n = std::mbstowcs(&wide[0], name.c_str(), wide.size());
  if (n == static_cast<std::size_t>(-1)) return fs::path();
  wide.resize(n);
  return fs::path(wide);
#else
  return fs::path(name);
#endif
}

// Both kinds of file are std::FILE streams with the stdio buffer switched
// off: the callers hand over large blocks, so a second buffer would only add
// a copy, and without it every failure shows up in the call that caused it.
class StdioReadableFile final : public ReadableFile {
 public:
  explicit StdioReadableFile(std::FILE* file) : file_(file) {}
  ~StdioReadableFile() override { close(); }

  long long read(char* buffer, std::size_t size) override {
    if (file_ == nullptr) return -1;
    std::size_t n = std::fread(buffer, 1, size, file_);
    if (n == 0 && std::ferror(file_)) return -1;
    return static_cast<long long>(n);
  }

  bool close() override {
    if (file_ == nullptr) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

class StdioWritableFile final : public WritableFile {
 public:
  explicit StdioWritableFile(std::FILE* file) : file_(file) {}
  ~StdioWritableFile() override { close(); }

  bool write(const char* data, std::size_t size) override {
    if (file_ == nullptr) return false;
    return std::fwrite(data, 1, size, file_) == size;
  }

  bool close() override {
    if (file_ == nullptr) return true;
    bool ok = std::fflush(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

// A NUL byte cannot stand in a file name: the system would take the name as
// ending there, and so open another file than the one named.
bool nameable(const std::string& path) {
  return path.find('\0') == std::string::npos;
}

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ReadableFile> openForReading(
      const std::string& path) override {
    std::error_code ec;
    if (!nameable(path) || !fs::is_regular_file(toPath(path), ec)) {
      return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    std::setvbuf(file, nullptr, _IONBF, 0);
    return std::make_unique<StdioReadableFile>(file);
  }

  std::unique_ptr<WritableFile> create(const std::string& path) override {
    if (!nameable(path)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return nullptr;
    std::setvbuf(file, nullptr, _IONBF, 0);
    return std::make_unique<StdioWritableFile>(file);
  }

  bool sameFile(const std::string& a, const std::string& b) override {
    if (!nameable(a) || !nameable(b)) return false;
    std::error_code ec;
    bool same = fs::equivalent(toPath(a), toPath(b), ec);
    return !ec && same;
  }
};

}  // namespace

FileSystem& diskFileSystem() {
  static DiskFileSystem disk;
  return disk;
}
