#include "app/win/file_dialog.h"

#include <commdlg.h>

#include <array>
#include <cstring>

namespace picjoin {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* NullIfEmpty(const char* text) {
  return text != nullptr && text[0] != '\0' ? text : nullptr;
}

}  // namespace

std::string PlatformFilter(const char* filter) {
  std::string text = filter != nullptr ? filter : "";
  // Trail bytes of the double-byte code page are never below 0x40, so a
  // blank at the end is always a blank.
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  if (text.empty()) return {};
  // "|" is 0x7C, which is also a valid trail byte: skip double-byte
  // characters whole.
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == '|') {
      text[i] = '\0';
    }
  }
  text.push_back('\0');
  text.push_back('\0');
  return text;
}

DWORD PlatformFilterIndex(int filterIndex) {
  return filterIndex < 0 ? 1 : static_cast<DWORD>(filterIndex) + 1;
}

DWORD PlatformFlags(const FileDialogSettings& s) {
  DWORD flags = OFN_EXPLORER | OFN_ENABLESIZING;
  if (s.hideReadOnly) flags |= OFN_HIDEREADONLY;
  if (s.fileMustExist) flags |= OFN_FILEMUSTEXIST;
  if (s.overwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  if (s.pathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (s.createPrompt) flags |= OFN_CREATEPROMPT;
  if (s.restoreCurrentFolder) flags |= OFN_NOCHANGEDIR;
  return flags;
}

std::string FitFileNameField(const std::string& name) {
  const size_t room = kFileNameField - 1;
  if (name.size() <= room) return name;
  size_t end = 0;
  while (end < room) {
    const bool lead = IsDBCSLeadByte(static_cast<BYTE>(name[end]));
    const size_t step = lead ? 2 : 1;
    if (end + step > room) break;
    end += step;
  }
  return name.substr(0, end);
}

bool FileDialog::Show() {
  const std::string filter = PlatformFilter(settings_.filter);
  std::array<char, kFileNameField> file{};
  const std::string start = FitFileNameField(fileName_);
  std::memcpy(file.data(), start.data(), start.size());

  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  // Modal to whatever window is active now, normally the main window; the
  // platform disables it while the dialog is open.
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = filter.empty() ? 0 : PlatformFilterIndex(settings_.filterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = NullIfEmpty(settings_.initialFolder);
  ofn.lpstrTitle = NullIfEmpty(settings_.title);
  ofn.lpstrDefExt = NullIfEmpty(settings_.defaultExtension);
  ofn.Flags = PlatformFlags(settings_);

  const BOOL ok = settings_.kind == FileDialogKind::Save ? GetSaveFileNameA(&ofn)
                                                         : GetOpenFileNameA(&ofn);
  if (!ok) return false;
  file.back() = '\0';
  fileName_ = file.data();
  return true;
}

}  // namespace picjoin
