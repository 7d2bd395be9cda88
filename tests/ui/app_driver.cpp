#include "tests/ui_common/app_driver.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace uitest {

namespace {

constexpr char kMainWindowClass[] = "PicjoinMainWindow";
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kFileTypeCombo = 0x470;  // cmb1
constexpr DWORD kMessageTimeout = 5000;

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildById(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<ChildSearch*>(lp);
  if (GetDlgCtrlID(hwnd) == search->id) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Any descendant with this id (controls in group boxes are grandchildren).
HWND FindDescendant(HWND parent, int id) {
  ChildSearch search{id, nullptr};
  EnumChildWindows(parent, FindChildById, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A dialog's own control, else any descendant with the id: a dialog's
// inner controls (list views, toolbars) can reuse small ids such as IDOK.
HWND FindDialogItem(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? item : FindDescendant(dialog, id);
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

struct TopSearch {
  DWORD processId;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK FindTopWindows(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<TopSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->processId && IsWindowVisible(hwnd) && ClassOf(hwnd) == search->className) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

// The process's visible top-level windows of a class, topmost first.
std::vector<HWND> FindTops(DWORD processId, const char* className) {
  TopSearch search{processId, className, {}};
  EnumWindows(FindTopWindows, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTop(DWORD processId, const char* className) {
  const std::vector<HWND> all = FindTops(processId, className);
  return all.empty() ? nullptr : all.front();
}

LRESULT SendWait(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_NORMAL, kMessageTimeout, &result);
  return static_cast<LRESULT>(result);
}

bool IsExtendedKey(WORD vk) {
  switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_DELETE: case VK_INSERT:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
      return true;
    default:
      return false;
  }
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in;
  std::memset(&in, 0, sizeof in);
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.find_last_of(L'\\'));  // ...\tests
  path.resize(path.find_last_of(L'\\'));  // the build folder
  return path + L"\\picjoin.exe";
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(), n);
  return out;
}

TempFolder::TempFolder() {
  static int counter = 0;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = temp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (;;) {
    path_ = base + L"\\picjoin-ui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  // The long form, as the dialogs give paths back.
  wchar_t longPath[MAX_PATH] = {};
  if (GetLongPathNameW(path_.c_str(), longPath, MAX_PATH) > 0) path_ = longPath;
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  picjoin::ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  picjoin::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {};
  std::vector<uint8_t> bytes(GetFileSize(file.get(), nullptr));
  DWORD got = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
    return {};
  }
  bytes.resize(got);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Picture MakePicture(int width, int height, const std::function<uint32_t(int, int)>& color) {
  Picture p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p.pixels[static_cast<size_t>(y) * width + x] = color(x, y);
  }
  return p;
}

std::vector<uint8_t> Bmp24File(const Picture& picture) {
  const uint32_t stride = ((24u * picture.width + 31u) / 32u) * 4u;
  const uint32_t imageBytes = stride * picture.height;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLe32(out, 54 + imageBytes);
  PutLe32(out, 0);   // reserved
  PutLe32(out, 54);  // offset of the rows
  PutLe32(out, 40);
  PutLe32(out, picture.width);
  PutLe32(out, picture.height);  // positive: bottom-up
  PutLe16(out, 1);
  PutLe16(out, 24);
  PutLe32(out, BI_RGB);
  PutLe32(out, imageBytes);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 0);
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t c = picture.At(x, y);
      out.push_back(static_cast<uint8_t>(c));        // blue
      out.push_back(static_cast<uint8_t>(c >> 8));   // green
      out.push_back(static_cast<uint8_t>(c >> 16));  // red
    }
    for (uint32_t pad = 3u * picture.width; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

Picture ExpectedJoin(const Picture& first, const Picture& second, bool horizontal, int offset) {
  const int w = horizontal ? first.width + second.width : std::max(first.width, second.width + offset);
  const int h = horizontal ? std::max(first.height, second.height + offset) : first.height + second.height;
  const int x2 = horizontal ? first.width : offset;
  const int y2 = horizontal ? offset : first.height;
  Picture out = MakePicture(w, h, [](int, int) { return 0xFFFFFFu; });
  auto draw = [&out](const Picture& p, int left, int top) {
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        const int ox = left + x, oy = top + y;
        if (ox >= 0 && oy >= 0 && ox < out.width && oy < out.height) {
          out.pixels[static_cast<size_t>(oy) * out.width + ox] = p.At(x, y);
        }
      }
    }
  };
  draw(first, 0, 0);
  draw(second, x2, y2);
  return out;
}

std::string WindowText(HWND hwnd) {
  const LRESULT length = SendWait(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 64, '\0');
  SendWait(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

std::unique_ptr<App> App::Start(const std::wstring& program, const std::wstring& workingFolder) {
  std::unique_ptr<App> app(new App());
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    return nullptr;
  }
  app->process_ = picjoin::ScopedHandle(info.hProcess);
  app->thread_ = picjoin::ScopedHandle(info.hThread);
  app->processId_ = info.dwProcessId;
  WaitForInputIdle(info.hProcess, 10000);
  if (!WaitUntil([&] { return (app->window_ = FindTop(app->processId_, kMainWindowClass)) != nullptr; },
                 15000)) {
    return nullptr;
  }
  app->threadId_ = GetWindowThreadProcessId(app->window_, nullptr);
  // A message queue of our own, then one input state with the program, so
  // SendInput's keys and modifiers reach it as a user's would.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  AttachThreadInput(GetCurrentThreadId(), app->threadId_, TRUE);
  SetForegroundWindow(app->window_);
  WaitUntil([&] { return app->FocusWindow() != nullptr; }, 3000);
  return app;
}

App::~App() {
  if (process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), 3000) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
  }
  if (threadId_ != 0) AttachThreadInput(GetCurrentThreadId(), threadId_, FALSE);
}

HWND App::Control(int id) const { return FindDescendant(window_, id); }

std::string App::Text(int id) const { return WindowText(Control(id)); }
bool App::Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
bool App::Checked(int id) const { return SendWait(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND App::FocusWindow() const {
  GUITHREADINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId_, &info)) return nullptr;
  return info.hwndFocus;
}

int App::FocusId() const {
  HWND focus = FocusWindow();
  return focus != nullptr && IsChild(window_, focus) ? GetDlgCtrlID(focus) : 0;
}

void App::Click(int id) { Click(Control(id)); }

void App::Click(HWND button) {
  SendNotifyMessageA(button, BM_CLICK, 0, 0);
  // Returns once the click's handler ended or entered a modal loop.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(button, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeout, &ignored);
}

bool App::WaitUntilInFront() {
  return WaitUntil(
      [&] {
        DWORD pid = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &pid);
        return pid == processId_;
      },
      2000);
}

void App::Press(Chord keys) {
  // Keys go to the foreground window: wait until it is one of ours.
  WaitUntilInFront();
  std::vector<INPUT> inputs;
  for (WORD vk : keys) inputs.push_back(KeyInput(vk, false));
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) inputs.push_back(KeyInput(*it, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void App::Type(const std::string& text) {
  for (char c : text) {
    const SHORT scan = VkKeyScanA(c);
    const WORD vk = LOBYTE(scan);
    if (HIBYTE(scan) & 1) {
      Press({VK_SHIFT, vk});
    } else {
      Press({vk});
    }
  }
}

void App::Settle() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeout, &ignored);
  Sleep(250);
  SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeout, &ignored);
}

HWND App::OpenDialog() const { return FindTop(processId_, "#32770"); }

static bool IsFileDialog(HWND dialog) {
  return FindDialogItem(dialog, kFileNameCombo) != nullptr ||
         FindDialogItem(dialog, kFileNameEdit) != nullptr;
}

std::unique_ptr<FileDialogDriver> App::WaitForFileDialog(DWORD timeoutMs) {
  HWND dialog = nullptr;
  const bool found = WaitUntil(
      [&] {
        for (HWND d : FindTops(processId_, "#32770")) {
          if (IsFileDialog(d)) {
            dialog = d;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (!found) return nullptr;
  // Until it has taken its first messages (its controls are filled).
  SendWait(dialog, WM_NULL, 0, 0);
  Sleep(100);
  return std::make_unique<FileDialogDriver>(dialog, *this);
}

std::unique_ptr<MessageBoxDriver> App::WaitForMessageBox(DWORD timeoutMs) {
  HWND box = nullptr;
  const bool found = WaitUntil(
      [&] {
        for (HWND d : FindTops(processId_, "#32770")) {
          if (!IsFileDialog(d)) {
            box = d;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (!found) return nullptr;
  SendWait(box, WM_NULL, 0, 0);
  return std::make_unique<MessageBoxDriver>(box, *this);
}

bool App::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_.get(), exitCode) != FALSE;
}

std::string FileDialogDriver::Title() const { return WindowText(dialog_); }

std::vector<std::string> FileDialogDriver::FilterNames() const {
  std::vector<std::string> names;
  HWND combo = FindDialogItem(dialog_, kFileTypeCombo);
  if (combo == nullptr) return names;
  const LRESULT count = SendWait(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Wide: from another process the platform hands a list's texts over
    // unconverted, in the list's own (wide) form.
    std::vector<wchar_t> text(1024, L'\0');
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                        kMessageTimeout, &ignored);
    names.push_back(Narrow(text.data()));
  }
  return names;
}

std::string FileDialogDriver::SelectedFilterName() const {
  HWND combo = FindDialogItem(dialog_, kFileTypeCombo);
  return combo != nullptr ? WindowText(combo) : std::string();
}

HWND FileDialogDriver::FileNameControl() const {
  HWND field = FindDialogItem(dialog_, kFileNameCombo);
  return field != nullptr ? field : FindDialogItem(dialog_, kFileNameEdit);
}

std::string FileDialogDriver::FileNameField() const { return WindowText(FileNameControl()); }

void FileDialogDriver::SetFileNameField(const std::string& text) {
  SendWait(FileNameControl(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void FileDialogDriver::PressOk() { app_.Click(FindDialogItem(dialog_, IDOK)); }
void FileDialogDriver::PressCancel() { app_.Click(FindDialogItem(dialog_, IDCANCEL)); }

bool FileDialogDriver::WaitClosed(DWORD timeoutMs) const {
  return WaitUntil([&] { return !IsWindow(dialog_) || !IsWindowVisible(dialog_); }, timeoutMs);
}

std::string MessageBoxDriver::Caption() const { return WindowText(box_); }

std::string MessageBoxDriver::Text() const {
  for (HWND child : Descendants(box_)) {
    if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) continue;
    const std::string text = WindowText(child);
    if (!text.empty()) return text;
  }
  return {};
}

int MessageBoxDriver::ButtonCount() const {
  int n = 0;
  for (HWND child : Descendants(box_)) {
    if (_stricmp(ClassOf(child).c_str(), "Button") == 0 && IsWindowVisible(child)) ++n;
  }
  return n;
}

namespace {

// A w x h top-down 32-bit bitmap selected into a memory DC compatible with
// the screen, for drawing into and reading back as 0x00RRGGBB pixels.
class ScratchBitmap {
 public:
  ScratchBitmap(int w, int h) : w_(w), h_(h), screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {
    BITMAPINFO bi;
    std::memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bitmap_ = CreateDIBSection(memory_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(memory_, bitmap_);
  }
  ~ScratchBitmap() {
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
  }
  ScratchBitmap(const ScratchBitmap&) = delete;
  ScratchBitmap& operator=(const ScratchBitmap&) = delete;

  HDC screen() const { return screen_; }
  HDC dc() const { return memory_; }
  uint32_t* bits() const { return static_cast<uint32_t*>(bits_); }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    std::vector<uint32_t> pixels(bits(), bits() + static_cast<size_t>(w_) * h_);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
  }

 private:
  int w_, h_;
  HDC screen_;
  HDC memory_;
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The pixels of a screen rectangle, 0x00RRGGBB.
std::vector<uint32_t> CaptureScreen(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  ScratchBitmap scratch(w, h);
  BitBlt(scratch.dc(), 0, 0, w, h, scratch.screen(), r.left, r.top, SRCCOPY);
  return scratch.Pixels();
}

// `icon` drawn at its own size on `background`, the way a static icon
// control shows it.
std::vector<uint32_t> RenderIcon(HICON icon, int w, int h, uint32_t background) {
  ScratchBitmap scratch(w, h);
  std::fill(scratch.bits(), scratch.bits() + static_cast<size_t>(w) * h, background);
  DrawIconEx(scratch.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  return scratch.Pixels();
}

}  // namespace

BoxIcon MessageBoxDriver::Icon() const {
  HWND iconControl = nullptr;
  for (HWND child : Descendants(box_)) {
    if (_stricmp(ClassOf(child).c_str(), "Static") == 0 &&
        (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
      iconControl = child;
    }
  }
  if (iconControl == nullptr) return BoxIcon::None;
  RECT r;
  GetWindowRect(iconControl, &r);
  const int w = std::min<int>(r.right - r.left, GetSystemMetrics(SM_CXICON));
  const int h = std::min<int>(r.bottom - r.top, GetSystemMetrics(SM_CYICON));
  if (w <= 0 || h <= 0) return BoxIcon::Unknown;
  r.right = r.left + w;
  r.bottom = r.top + h;

  struct Candidate {
    BoxIcon kind;
    LPCSTR id;
  };
  const Candidate candidates[] = {
      {BoxIcon::Hand, IDI_HAND},
      {BoxIcon::Asterisk, IDI_ASTERISK},
      {BoxIcon::Exclamation, IDI_EXCLAMATION},
      {BoxIcon::Question, IDI_QUESTION},
  };
  // The box may still be painting: look again for a moment.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::vector<uint32_t> shown = CaptureScreen(r);
    const uint32_t background = shown[0];
    BoxIcon best = BoxIcon::Unknown;
    size_t bestDifferent = shown.size();
    for (const Candidate& c : candidates) {
      const std::vector<uint32_t> drawn = RenderIcon(LoadIconA(nullptr, c.id), w, h, background);
      size_t different = 0;
      for (size_t i = 0; i < shown.size(); ++i) different += shown[i] != drawn[i];
      if (different < bestDifferent) {
        bestDifferent = different;
        best = c.kind;
      }
    }
    if (bestDifferent * 20 < shown.size()) return best;  // under 5% of the pixels differ
    Sleep(100);
  }
  return BoxIcon::Unknown;
}

bool TitleBarShowsIcon(HWND window, const std::wstring& program, int iconId) {
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return false;
  const int size = GetSystemMetrics(SM_CXSMICON);
  HICON icon = static_cast<HICON>(
      LoadImageA(module, MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0));
  FreeLibrary(module);
  if (icon == nullptr) return false;

  // The left end of the title bar.
  RECT r;
  GetWindowRect(window, &r);
  const int bandW = 48, bandH = GetSystemMetrics(SM_CYCAPTION) + 8;
  const RECT band = {r.left, r.top, r.left + bandW, r.top + bandH};
  bool found = false;
  for (int attempt = 0; attempt < 10 && !found; ++attempt) {
    const std::vector<uint32_t> shown = CaptureScreen(band);
    // The caption's own colour: the commonest in the band.
    std::map<uint32_t, int> counts;
    for (uint32_t p : shown) ++counts[p];
    const uint32_t caption =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
          return a.second < b.second;
        })->first;
    const std::vector<uint32_t> drawn = RenderIcon(icon, size, size, caption);
    for (int top = 0; top + size <= bandH && !found; ++top) {
      for (int left = 0; left + size <= bandW && !found; ++left) {
        size_t same = 0;
        for (int y = 0; y < size; ++y) {
          for (int x = 0; x < size; ++x) {
            same += shown[static_cast<size_t>(top + y) * bandW + left + x] ==
                    drawn[static_cast<size_t>(y) * size + x];
          }
        }
        found = same * 20 >= static_cast<size_t>(size) * size * 19;
      }
    }
    if (!found) Sleep(100);
  }
  DestroyIcon(icon);
  return found;
}

void MessageBoxDriver::PressOk() { Press(IDOK); }
void MessageBoxDriver::Press(int buttonId) { app_.Click(FindDialogItem(box_, buttonId)); }

bool MessageBoxDriver::WaitClosed(DWORD timeoutMs) const {
  return WaitUntil([&] { return !IsWindow(box_) || !IsWindowVisible(box_); }, timeoutMs);
}

}  // namespace uitest
