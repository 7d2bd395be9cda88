#include "app/win/controls.h"

#include <commctrl.h>

#include <vector>

#include "app/updown_value.h"
#include "base/win/scoped_win.h"

namespace picjoin {

namespace {

// Window properties that mark a control for the length of one call.
constexpr char kQuietTextProp[] = "picjoin.quietText";
constexpr char kReceivingFocusProp[] = "picjoin.receivingFocus";

class ScopedMark {
 public:
  ScopedMark(HWND hwnd, const char* name) : hwnd_(hwnd), name_(name) {
    set_ = SetPropA(hwnd_, name_, reinterpret_cast<HANDLE>(1)) != FALSE;
  }
  ~ScopedMark() {
    if (set_) RemovePropA(hwnd_, name_);
  }
  ScopedMark(const ScopedMark&) = delete;
  ScopedMark& operator=(const ScopedMark&) = delete;

 private:
  HWND hwnd_;
  const char* name_;
  bool set_ = false;
};

constexpr UINT_PTR kGroupBoxSubclass = 1;
constexpr UINT_PTR kEditBoxSubclass = 2;
constexpr UINT_PTR kRadioSubclass = 3;

LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      // Messages from the group box's children, meant for the window.
      return SendMessageA(GetParent(hwnd), msg, wp, lp);
    case WM_ERASEBKGND: {
      // The platform's group box leaves its inside to the parent, which
      // clips its children: fill it in the colour the window gives it.
      HDC dc = reinterpret_cast<HDC>(wp);
      auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                         wp, reinterpret_cast<LPARAM>(hwnd)));
      if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, brush);
      return 1;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, GroupBoxProc, kGroupBoxSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK EditBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  const auto* behaviour = reinterpret_cast<const EditBoxBehaviour*>(data);
  if (behaviour == nullptr) return DefSubclassProc(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR:
      // Only typed characters: a paste arrives as WM_PASTE and is not
      // filtered.
      if (behaviour->typedDigitsOnly && !OffsetBoxAcceptsChar(wp)) return 0;
      break;
    case WM_SETFONT: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      ApplyEditMinimumHeight(hwnd);
      return result;
    }
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      // Moves, resizes, shows and hides all arrive here.
      if (behaviour->follower != nullptr) PlaceFollower(hwnd, *behaviour);
      return result;
    }
    case WM_SHOWWINDOW:
      // Inside a hidden parent showing and hiding only toggle the style,
      // without the position change below; lParam 0 is the box's own.
      if (behaviour->follower != nullptr && lp == 0) {
        ShowWindow(behaviour->follower, wp ? SW_SHOWNA : SW_HIDE);
      }
      break;
    case WM_ENABLE:
      if (behaviour->follower != nullptr) EnableWindow(behaviour->follower, wp != FALSE);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditBoxProc, kEditBoxSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK RadioProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_SETFOCUS: {
      ScopedMark mark(hwnd, kReceivingFocusProp);
      return DefSubclassProc(hwnd, msg, wp, lp);
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, RadioProc, kRadioSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

std::string ReadText(HWND edit) {
  const int length = GetWindowTextLengthA(edit);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void WriteText(HWND edit, const char* text) {
  {
    // A single-line edit box reports its own change for WM_SETTEXT on some
    // platforms and not on others; the mark hides it so the event below is
    // the only one.
    ScopedMark quiet(edit, kQuietTextProp);
    SetWindowTextA(edit, text != nullptr ? text : "");
  }
  RaiseTextChanged(edit);
}

void WriteText(HWND edit, const std::string& text) { WriteText(edit, text.c_str()); }

bool IsQuietTextChange(HWND edit) { return GetPropA(edit, kQuietTextProp) != nullptr; }

void WriteCaption(HWND label, const std::string& text) {
  SetWindowTextA(label, text.c_str());
  InvalidateRect(label, nullptr, TRUE);
}

bool ReadChecked(HWND radio) { return SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void WriteDisabled(HWND control, bool disabled) { EnableWindow(control, disabled ? FALSE : TRUE); }

void WriteWidth(HWND control, int32_t width) {
  RECT r;
  if (!GetWindowRect(control, &r)) return;
  SetWindowPos(control, nullptr, 0, 0, ClampControlSide(width), r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void WriteHeight(HWND control, int32_t height) {
  RECT r;
  if (!GetWindowRect(control, &r)) return;
  SetWindowPos(control, nullptr, 0, 0, r.right - r.left, ClampControlSide(height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void WriteWidth(DrawPanel& canvas, int32_t width) { canvas.SetWidth(width); }
void WriteHeight(DrawPanel& canvas, int32_t height) { canvas.SetHeight(height); }

std::string ReadFileName(const FileDialog& dialog) { return dialog.FileName(); }
bool ShowFileDialog(FileDialog& dialog) { return dialog.Show(); }

void RaiseClicked(HWND control) {
  SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

void RaiseTextChanged(HWND edit) {
  SendMessageA(GetParent(edit), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), EN_CHANGE),
               reinterpret_cast<LPARAM>(edit));
}

void StepEditBox(HWND edit, bool up) {
  const int32_t value = UpDownStep(UpDownTextValue(ReadText(edit).c_str()), up);
  WriteText(edit, UpDownValueText(value));
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, EM_SCROLLCARET, 0, 0);
  SetFocus(edit);
}

bool OffsetBoxAcceptsChar(WPARAM code) {
  if (code < 32) return true;
  return (code >= '0' && code <= '9') || code == '-';
}

void ApplyEditMinimumHeight(HWND edit) {
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0));
  if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
  TEXTMETRICA metrics;
  {
    WindowDC dc(edit);
    if (dc.get() == nullptr) return;
    SelectGuard select(dc.get(), font);
    if (!GetTextMetricsA(dc.get(), &metrics)) return;
  }
  const int minimum = metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
  RECT r;
  if (!GetWindowRect(edit, &r) || r.bottom - r.top >= minimum) return;
  SetWindowPos(edit, nullptr, 0, 0, r.right - r.left, minimum,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

bool InstallGroupBoxForwarding(HWND group) {
  return SetWindowSubclass(group, GroupBoxProc, kGroupBoxSubclass, 0) != FALSE;
}

bool InstallEditBoxBehaviour(HWND edit, const EditBoxBehaviour* behaviour) {
  if (behaviour == nullptr) return false;
  if (!SetWindowSubclass(edit, EditBoxProc, kEditBoxSubclass,
                         reinterpret_cast<DWORD_PTR>(behaviour))) {
    return false;
  }
  ApplyEditMinimumHeight(edit);
  if (behaviour->follower != nullptr) PlaceFollower(edit, *behaviour);
  return true;
}

void PlaceFollower(HWND edit, const EditBoxBehaviour& behaviour) {
  RECT r;
  if (!GetWindowRect(edit, &r)) return;
  // Into the coordinates of the common parent.
  MapWindowPoints(HWND_DESKTOP, GetParent(edit), reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(behaviour.follower, nullptr, r.right, r.top, behaviour.followerWidth,
               r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  const bool visible = (GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE) != 0;
  if (visible != ((GetWindowLongPtrA(behaviour.follower, GWL_STYLE) & WS_VISIBLE) != 0)) {
    ShowWindow(behaviour.follower, visible ? SW_SHOWNA : SW_HIDE);
  }
  const bool enabled = IsWindowEnabled(edit) != FALSE;
  if (enabled != (IsWindowEnabled(behaviour.follower) != FALSE)) {
    EnableWindow(behaviour.follower, enabled ? TRUE : FALSE);
  }
}

bool InstallRadioFocusGuard(HWND radio) {
  return SetWindowSubclass(radio, RadioProc, kRadioSubclass, 0) != FALSE;
}

bool IsReceivingFocus(HWND radio) { return GetPropA(radio, kReceivingFocusProp) != nullptr; }

}  // namespace picjoin
