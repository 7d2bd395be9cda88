// The two file dialogs: components without a window of their own that hold
// the settings of the platform's Open or Save As dialog and remember the
// last file name chosen with OK.
#pragma once

#include <windows.h>

#include <string>

namespace picjoin {

enum class FileDialogKind { Open, Save };

struct FileDialogSettings {
  FileDialogKind kind;
  const char* title;          // empty: the platform's own title
  const char* filter;         // "description|patterns|description|patterns..."
  int filterIndex;            // starting pair, counted from 0
  const char* initialFolder;  // empty: the platform chooses
  const char* defaultExtension;
  bool hideReadOnly;
  bool fileMustExist;
  bool overwritePrompt;
  bool pathMustExist;
  bool createPrompt;
  bool restoreCurrentFolder;
};

// The field holds at most this many characters, the terminating zero
// included.
constexpr size_t kFileNameField = 260;

class FileDialog {
 public:
  explicit FileDialog(const FileDialogSettings& settings) : settings_(settings) {}
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;

  // Shows the dialog modally, owned by the window active at that moment.
  // True when closed with OK; then FileName() is the chosen full path.
  // Otherwise the file name keeps its old value.
  bool Show();

  // The full path last chosen with OK; empty if the dialog never was.
  const std::string& FileName() const { return fileName_; }
  const FileDialogSettings& settings() const { return settings_; }

 private:
  const FileDialogSettings& settings_;
  std::string fileName_;
};

// The pieces of a showing, apart so they can be tested.

// The filter in the platform's form: trailing white space removed, every
// "|" (outside a double-byte character) a zero byte, ended by two zero
// bytes. Empty when there is no filter.
std::string PlatformFilter(const char* filter);

// The first pair shown, counted from 1: the setting plus one, or 1 when it
// is negative.
DWORD PlatformFilterIndex(int filterIndex);

DWORD PlatformFlags(const FileDialogSettings& settings);

// The pre-filled name cut to fit the field, never inside a double-byte
// character.
std::string FitFileNameField(const std::string& name);

}  // namespace picjoin
