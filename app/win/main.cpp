// picjoin.exe: joins two pictures into one 24-bit BMP file.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win/keyboard.h"
#include "app/win/main_window.h"

namespace {

// The program works in its own folder, whatever folder it was started
// from. Wide, so a folder name outside the ANSI code page still works.
void EnterProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return;
    if (n < path.size()) break;
    if (path.size() >= 32768) return;
    path.resize(path.size() * 2);
  }
  std::wstring folder(path.data());
  const size_t slash = folder.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return;
  folder.resize(slash + 1);  // keeps the "\" of a drive's root
  SetCurrentDirectoryW(folder.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  EnterProgramFolder();

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);

  picjoin::MainWindow window;
  if (!window.Create()) {
    MessageBoxA(nullptr, "无法创建程序窗口。", "picjoin", MB_OK | MB_ICONHAND | MB_TASKMODAL);
    return -1;
  }
  window.Show();

  // Until the window is gone (it posts the quit message when destroyed).
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    switch (picjoin::ApplyKeyRules(window, msg)) {
      case picjoin::KeyOutcome::Handled:
        break;
      case picjoin::KeyOutcome::DispatchOnly:
        DispatchMessageA(&msg);
        break;
      case picjoin::KeyOutcome::NotMine:
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        break;
    }
  }
  return 0;
}
