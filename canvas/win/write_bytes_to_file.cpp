#include <windows.h>

#include <string>

#include "base/win/scoped_win.h"
#include "canvas/win/draw_panel.h"

namespace picjoin {

namespace {

// Writes in pieces of this size: large enough that a photo goes out in a
// few hundred calls, small enough for any disk driver.
constexpr size_t kWritePiece = 4u << 20;

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD ask = static_cast<DWORD>(size < kWritePiece ? size : kWritePiece);
    DWORD wrote = 0;
    if (!WriteFile(file, data, ask, &wrote, nullptr) || wrote != ask) return false;
    data += wrote;
    size -= wrote;
  }
  return true;
}

// The folder part of a full path, with its trailing backslash.
std::string FolderOf(const std::string& fullPath) {
  const size_t slash = fullPath.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
}

// True when another program holds the target open: it may then be reading
// or writing it, and replacing it would pull it from under that program.
bool HeldOpenElsewhere(const char* path) {
  ScopedHandle probe(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  return !probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool WriteBytesToFile(const char* path, const ByteBlock* const* blocks, size_t count) {
  if (path == nullptr || path[0] == '\0') return false;

  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return false;
  const DWORD attributes = GetFileAttributesA(full);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return false;
  }
  if (HeldOpenElsewhere(full)) return false;

  // The bytes go to a new file beside the target, shared with nobody, and
  // take the target's place only when all of them are written: a failure
  // half-way never costs the user the file that was there.
  const std::string folder = FolderOf(full);
  char temp[MAX_PATH];
  if (folder.empty() || GetTempFileNameA(folder.c_str(), "pjn", 0, temp) == 0) return false;

  bool ok;
  {
    ScopedHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = file.valid();
    for (size_t i = 0; ok && i < count; ++i) {
      if (blocks[i] != nullptr) ok = WriteAll(file.get(), blocks[i]->data(), blocks[i]->size());
    }
  }
  if (ok) ok = MoveFileExA(temp, full, MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileA(temp);
  return ok;
}

bool WriteBytesToFile(const char* path, const ByteBlock& block) {
  const ByteBlock* blocks[] = {&block};
  return WriteBytesToFile(path, blocks, 1);
}

}  // namespace picjoin
