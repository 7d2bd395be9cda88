// A ByteSource over a file opened by path for reading, shared with other
// readers but not with writers.
#pragma once

#include "base/win/scoped_win.h"
#include "picture/byte_source.h"

namespace picjoin {

class WinFileSource : public ByteSource {
 public:
  // Opens `path`; check ok() afterwards.
  explicit WinFileSource(const char* path);
  bool ok() const { return file_.valid(); }

  int64_t Size() override;
  size_t Read(void* dst, size_t count) override;
  bool Seek(uint64_t position) override;
  // The same file (not the same path) opened once more.
  std::unique_ptr<ByteSource> OpenAnother() override;

 private:
  explicit WinFileSource(HANDLE file) : file_(file) {}
  ScopedHandle file_;
};

}  // namespace picjoin
