// Holds a file open, shared with nobody, until told to let go: stands in for
// another program that has the user's file open.
//   hold_file.exe <path> <ready event name> <release event name>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
  if (ready == nullptr || release == nullptr) return 4;
  SetEvent(ready);
  WaitForSingleObject(release, 60000);
  CloseHandle(file);
  CloseHandle(ready);
  CloseHandle(release);
  return 0;
}
