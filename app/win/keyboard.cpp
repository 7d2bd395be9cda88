#include "app/win/keyboard.h"

#include <string>
#include <vector>

#include "app/win/controls.h"
#include "app/win/layout.h"
#include "app/win/main_window.h"

namespace picjoin {

namespace {

bool IsDown(int key) { return GetKeyState(key) < 0; }

bool CanTakeFocus(HWND control) {
  return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

// Tab and Shift+Tab: the next or previous control of the Tab order that is
// visible and enabled, going round.
void MoveThroughTabOrder(MainWindow& window, HWND focus, bool forward) {
  std::vector<HWND> order;
  for (const ControlLayout& row : MainWindowLayout()) {
    if (row.tabStop) order.push_back(window.Control(row.id));
  }
  const int n = static_cast<int>(order.size());
  if (n == 0) return;
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (order[i] == focus) at = i;
  }
  if (at < 0) at = forward ? n - 1 : 0;  // from outside the order: the first or the last
  for (int step = 1; step <= n; ++step) {
    const int i = ((at + (forward ? step : -step)) % n + n) % n;
    if (CanTakeFocus(order[i])) {
      window.FocusControl(order[i]);
      return;
    }
  }
}

// The arrow keys on a radio button: the check moves to the next or previous
// radio button of the same parent that is visible and enabled, going round.
bool MoveRadioCheck(MainWindow& window, HWND focus, bool forward) {
  const ControlLayout* current = FindControlLayout(GetDlgCtrlID(focus));
  if (current == nullptr || current->kind != ControlKind::RadioButton ||
      window.Control(current->id) != focus) {
    return false;
  }
  std::vector<HWND> group;
  int at = 0;
  for (const ControlLayout& row : MainWindowLayout()) {
    if (row.kind != ControlKind::RadioButton || row.parent != current->parent) continue;
    if (row.id == current->id) at = static_cast<int>(group.size());
    group.push_back(window.Control(row.id));
  }
  const int n = static_cast<int>(group.size());
  HWND target = focus;
  for (int step = 1; step <= n; ++step) {
    HWND candidate = group[((at + (forward ? step : -step)) % n + n) % n];
    if (CanTakeFocus(candidate)) {
      target = candidate;
      break;
    }
  }
  for (HWND radio : group) {
    SendMessageA(radio, BM_SETCHECK, radio == target ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  RaiseClicked(target);
  window.FocusControl(target);
  return true;
}

// Alt with a letter or digit: the clicked event of the visible, enabled
// push button whose caption marks that key.
bool PressAccessKey(MainWindow& window, char key) {
  for (const ControlLayout& row : MainWindowLayout()) {
    if (row.kind != ControlKind::PushButton) continue;
    HWND button = window.Control(row.id);
    if (!CanTakeFocus(button)) continue;
    if (AccessKeyOf(ReadText(button).c_str()) == key) {
      RaiseClicked(button);  // the focus stays where it is
      return true;
    }
  }
  return false;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

char AccessKeyOf(const char* caption) {
  if (caption == nullptr) return 0;
  for (const char* p = caption; *p != '\0'; ++p) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
      if (p[1] == '\0') break;
      ++p;
      continue;
    }
    if (*p != '&') continue;
    if (p[1] == '&') {
      ++p;
      continue;
    }
    if (p[1] == '\0' || IsDBCSLeadByte(static_cast<BYTE>(p[1]))) return 0;
    return Upper(p[1]);
  }
  return 0;
}

KeyOutcome ApplyKeyRules(MainWindow& window, const MSG& msg) {
  HWND main = window.hwnd();
  if (main == nullptr || msg.hwnd == nullptr) return KeyOutcome::NotMine;
  if (msg.hwnd != main && !IsChild(main, msg.hwnd)) return KeyOutcome::NotMine;
  HWND focus = msg.hwnd;  // key messages go to the focused window

  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case VK_TAB:
        if (IsDown(VK_CONTROL)) return KeyOutcome::NotMine;
        MoveThroughTabOrder(window, focus, !IsDown(VK_SHIFT));
        return KeyOutcome::Handled;
      case VK_LEFT:
      case VK_UP:
        return MoveRadioCheck(window, focus, false) ? KeyOutcome::Handled : KeyOutcome::NotMine;
      case VK_RIGHT:
      case VK_DOWN:
        return MoveRadioCheck(window, focus, true) ? KeyOutcome::Handled : KeyOutcome::NotMine;
      case VK_ESCAPE:
        // A close request: the window closes and the program ends.
        SendMessageA(main, WM_CLOSE, 0, 0);
        return KeyOutcome::Handled;
      default:
        // Enter and F1 included: the window has no default button and no
        // help, so they go on to the focused control.
        return KeyOutcome::NotMine;
    }
  }

  if (msg.message == WM_SYSKEYDOWN && (HIWORD(msg.lParam) & KF_ALTDOWN) != 0 &&
      !IsDown(VK_CONTROL) && !IsDown(VK_SHIFT)) {
    const WPARAM key = msg.wParam;  // virtual keys of letters and digits are their characters
    const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (letterOrDigit && PressAccessKey(window, static_cast<char>(key))) {
      return KeyOutcome::DispatchOnly;
    }
  }
  return KeyOutcome::NotMine;
}

}  // namespace picjoin
