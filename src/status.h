// Outcome of an operation that can fail, carried as a value instead of an
// exception. A failed status names the file it concerns, so that the one
// message shown to the user can say which file it was.
#ifndef TARVENIK2TRK_STATUS_H_
#define TARVENIK2TRK_STATUS_H_

#include <string>
#include <utility>

struct Status {
  enum Code {
    kOk,
    kCannotOpen,    // the source is missing or not a readable regular file
    kCannotRead,    // reading the open source failed
    kCannotCreate,  // a track file could not be created
    kCannotWrite,   // writing or closing a track file failed
    kIsSource,      // a track file to be created is the source itself
    kOutOfMemory,   // the machine had no memory left for the source's lines
  };

  Code code = kOk;
  std::string file;  // the file the failure concerns; empty when ok

  bool ok() const { return code == kOk; }
  static Status Ok() { return Status(); }
  static Status Failure(Code code, std::string file) {
    Status s;
    s.code = code;
    s.file = std::move(file);
    return s;
  }
};

#endif  // TARVENIK2TRK_STATUS_H_
