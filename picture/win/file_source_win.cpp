#include "picture/win/file_source_win.h"

#include <limits>
#include <new>

namespace picjoin {

WinFileSource::WinFileSource(const char* path)
    : file_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

int64_t WinFileSource::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_.get(), &size)) return -1;
  return size.QuadPart;
}

size_t WinFileSource::Read(void* dst, size_t count) {
  // ReadFile takes a DWORD; large requests are split by the caller's loop.
  const DWORD ask = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
  DWORD got = 0;
  if (!ReadFile(file_.get(), dst, ask, &got, nullptr)) return 0;
  return got;
}

std::unique_ptr<ByteSource> WinFileSource::OpenAnother() {
  // ReOpenFile reaches the file this handle has open even if its name now
  // leads elsewhere, with the same sharing, so no writer can come between.
  HANDLE again = ReOpenFile(file_.get(), GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  if (again == INVALID_HANDLE_VALUE) return nullptr;
  std::unique_ptr<WinFileSource> source(new (std::nothrow) WinFileSource(again));
  if (!source) CloseHandle(again);
  return source;
}

bool WinFileSource::Seek(uint64_t position) {
  if (position > static_cast<uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace picjoin
