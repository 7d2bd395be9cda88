// Drives the real picjoin.exe from another process as a user would: starts
// it, finds its window and controls, presses keys with SendInput, clicks
// buttons, and works the real file dialogs and message boxes it opens.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "base/win/scoped_win.h"

namespace uitest {

// Polls `done` until it is true or `timeoutMs` pass.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// The picjoin.exe built beside the tests (one folder up from ui_tests.exe).
std::wstring ProgramPath();

std::string Narrow(const std::wstring& wide);  // to the ANSI code page
std::wstring Wide(const std::string& ansi);

// A fresh folder in the temporary folder, removed with what it holds.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::string FileA(const std::wstring& name) const { return Narrow(File(name)); }

 private:
  std::wstring path_;
};

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A small picture: pixels 0x00RRGGBB, rows from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Picture MakePicture(int width, int height, const std::function<uint32_t(int x, int y)>& color);
// The picture as a 24-bit bottom-up BMP file, written here byte by byte.
std::vector<uint8_t> Bmp24File(const Picture& picture);
// What the join makes of two pictures: the first at (0, 0), the second to
// the right (horizontal) or below, moved by `offset` across; white
// elsewhere.
Picture ExpectedJoin(const Picture& first, const Picture& second, bool horizontal, int offset);

// Keys of a chord are pressed in order and released in reverse.
using Chord = std::initializer_list<WORD>;

class FileDialogDriver;
class MessageBoxDriver;

class App {
 public:
  // Starts the program in `workingFolder` (empty: the test's own) and waits
  // until its window is shown. nullptr when it does not come up.
  static std::unique_ptr<App> Start(const std::wstring& program = ProgramPath(),
                                    const std::wstring& workingFolder = L"");
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  HWND window() const { return window_; }
  DWORD processId() const { return processId_; }
  HWND Control(int id) const;

  std::string Text(int id) const;
  bool Enabled(int id) const;
  bool Checked(int id) const;
  // The control with the keyboard focus, or its id (0 when none of ours).
  HWND FocusWindow() const;
  int FocusId() const;

  // A click on a button, waited for until its handler ended or opened a
  // modal window.
  void Click(int id);
  void Click(HWND button);
  // Real key presses into the program's focused window.
  void Press(Chord keys);
  // Waits until a window of the program is the foreground window (where
  // real keys and clicks go); false after 2 s.
  bool WaitUntilInFront();
  // Types the characters of `text` (letters, digits and a few signs).
  void Type(const std::string& text);
  // Waits until the program has taken every message so far.
  void Settle();

  // The program's open file dialog or message box, waited for.
  std::unique_ptr<FileDialogDriver> WaitForFileDialog(DWORD timeoutMs = 5000);
  std::unique_ptr<MessageBoxDriver> WaitForMessageBox(DWORD timeoutMs = 5000);
  // Any visible top-level dialog or message box of the program right now.
  HWND OpenDialog() const;

  // Waits for the process to end; true with its exit code.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

 private:
  App() = default;

  picjoin::ScopedHandle process_;
  picjoin::ScopedHandle thread_;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
  HWND window_ = nullptr;
};

class FileDialogDriver {
 public:
  FileDialogDriver(HWND dialog, App& app) : dialog_(dialog), app_(app) {}
  HWND hwnd() const { return dialog_; }
  std::string Title() const;
  // The descriptions of the file-type list, in order, and the one shown.
  std::vector<std::string> FilterNames() const;
  std::string SelectedFilterName() const;
  std::string FileNameField() const;
  void SetFileNameField(const std::string& text);
  void PressOk();
  void PressCancel();
  // Waits until the dialog is gone.
  bool WaitClosed(DWORD timeoutMs = 5000) const;

 private:
  HWND FileNameControl() const;
  HWND dialog_;
  App& app_;
};

enum class BoxIcon { None, Hand, Asterisk, Exclamation, Question, Unknown };

class MessageBoxDriver {
 public:
  MessageBoxDriver(HWND box, App& app) : box_(box), app_(app) {}
  HWND hwnd() const { return box_; }
  std::string Caption() const;
  std::string Text() const;
  // The icon shown, told by its pixels against the system's own icons.
  BoxIcon Icon() const;
  int ButtonCount() const;
  void PressOk();
  void Press(int buttonId);  // IDYES, IDNO, ...
  bool WaitClosed(DWORD timeoutMs = 5000) const;

 private:
  HWND box_;
  App& app_;
};

// Whether the title bar of `window` shows the small icon of the program
// file `program` (its icon resource `iconId`), found by its pixels: the
// platform answers no WM_GETICON from another process.
bool TitleBarShowsIcon(HWND window, const std::wstring& program, int iconId);

// Text of any window of another process (WM_GETTEXT, with a time limit).
std::string WindowText(HWND hwnd);

}  // namespace uitest
