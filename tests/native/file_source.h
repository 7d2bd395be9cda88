// A ByteSource over a file on disk, for the native tests only (the program
// reads files through its Windows source).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "picture/byte_source.h"

namespace picjoin {

class PosixFileSource : public ByteSource {
 public:
  explicit PosixFileSource(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {}
  ~PosixFileSource() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFileSource(const PosixFileSource&) = delete;
  PosixFileSource& operator=(const PosixFileSource&) = delete;

  bool ok() const { return fd_ >= 0; }

  int64_t Size() override {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
  }

  size_t Read(void* dst, size_t count) override {
    if (fd_ < 0) return 0;
    for (;;) {
      const ssize_t got = ::read(fd_, dst, count);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) return 0;
    }
  }

  bool Seek(uint64_t position) override {
    if (fd_ < 0 || position > static_cast<uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
  }

 private:
  int fd_;
};

}  // namespace picjoin
