#include "app/win/main_window.h"

#include <commctrl.h>

#include "app/updown_value.h"
#include "app/win/resource_ids.h"

namespace picjoin {

namespace {

const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::PushButton:
    case ControlKind::RadioButton: return WC_BUTTONA;
    case ControlKind::EditBox: return WC_EDITA;
    case ControlKind::Label: return WC_STATICA;
    case ControlKind::UpDown: return UPDOWN_CLASSA;
    case ControlKind::Canvas: break;
  }
  return nullptr;
}

HICON LoadAppIcon(HINSTANCE instance, int sizeMetricX, int sizeMetricY) {
  // Shared: the system owns icons loaded from resources this way.
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                       GetSystemMetrics(sizeMetricX), GetSystemMetrics(sizeMetricY),
                                       LR_SHARED));
}

bool RegisterMainWindowClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc;
  if (GetClassInfoExA(instance, kMainWindowClass, &wc)) return true;
  ZeroMemory(&wc, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadAppIcon(instance, SM_CXICON, SM_CYICON);
  wc.hIconSm = LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&wc) != 0;
}

bool CanTakeFocus(HWND control) {
  return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

}  // namespace

MainWindow::MainWindow(bool quitOnDestroy)
    : quitOnDestroy_(quitOnDestroy),
      saveDialog_(SaveDialogSettings()),
      openDialog_(OpenDialogSettings()) {
  offsetBoxBehaviour_.typedDigitsOnly = true;
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool MainWindow::Create() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterMainWindowClass(instance, &MainWindow::WindowProc)) return false;
  // Centred on the primary screen, in whole pixels.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2;
  CreateWindowExA(kMainWindowExStyle, kMainWindowClass, MainWindowCaption(), kMainWindowStyle,
                  left, top, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) return false;

  // The window cannot be resized, minimised or maximised: its system menu
  // keeps Move and Close.
  HMENU menu = GetSystemMenu(hwnd_, FALSE);
  if (menu != nullptr) {
    for (UINT item : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
      DeleteMenu(menu, item, MF_BYCOMMAND);
    }
  }
  // Also as the window's own icons, which is what the taskbar and title bar
  // ask for.
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadAppIcon(instance, SM_CXICON, SM_CYICON)));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON)));
  // Access keys are always shown underlined, not only after Alt is pressed.
  SendMessageA(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
  return true;
}

void MainWindow::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
}

HWND MainWindow::Control(int id) const {
  const auto layout = MainWindowLayout();
  for (size_t i = 0; i < layout.size() && i < controls_.size(); ++i) {
    if (layout[i].id == id) return controls_[i];
  }
  return nullptr;
}

void MainWindow::FocusControl(HWND control) {
  if (control != nullptr) SetFocus(control);
}

bool MainWindow::CreateControls() {
  const auto layout = MainWindowLayout();
  if (layout.size() > controls_.size()) return false;
  for (size_t i = 0; i < layout.size(); ++i) {
    controls_[i] = CreateControl(layout[i]);
    if (controls_[i] == nullptr) return false;
  }
  return true;
}

HWND MainWindow::CreateControl(const ControlLayout& row) {
  HWND parent = row.parent == kWindowItself ? hwnd_ : Control(row.parent);
  if (parent == nullptr) return nullptr;

  if (row.kind == ControlKind::Canvas) {
    if (!canvas_.Create(parent, row.left, row.top, row.width, row.height, CanvasSettings(),
                        row.visible)) {
      return nullptr;
    }
    SetWindowLongPtrA(canvas_.hwnd(), GWLP_ID, row.id);
    return canvas_.hwnd();
  }

  DWORD style = WS_CHILD | row.style;
  if (row.visible) style |= WS_VISIBLE;
  if (!row.enabled) style |= WS_DISABLED;
  if (row.tabStop) style |= WS_TABSTOP;
  HWND control = CreateWindowExA(row.exStyle, ClassOf(row.kind), row.text, style, row.left,
                                 row.top, row.width, row.height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (control == nullptr) return nullptr;

  bool ok = true;
  switch (row.kind) {
    case ControlKind::GroupBox:
      ok = InstallGroupBoxForwarding(control);
      break;
    case ControlKind::EditBox:
      // No limit of the box's own: the platform's maximum applies.
      SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
      ok = InstallEditBoxBehaviour(
          control, row.id == kEdit3 ? &offsetBoxBehaviour_ : &pathBoxBehaviour_);
      break;
    case ControlKind::UpDown:
      SendMessageA(control, UDM_SETRANGE32, kUpDownMin, kUpDownMax);
      // The up-down buttons belong to the offset box, created just before.
      offsetBoxBehaviour_.follower = control;
      offsetBoxBehaviour_.followerWidth = row.width;
      PlaceFollower(Control(kEdit3), offsetBoxBehaviour_);
      break;
    case ControlKind::RadioButton:
      ok = InstallRadioFocusGuard(control);
      SendMessageA(control, BM_SETCHECK, row.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    default:
      break;
  }
  if (!ok) {
    DestroyWindow(control);
    return nullptr;
  }
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return control;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    // Bind the object to its window before any other message arrives.
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* self = static_cast<MainWindow*>(create->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->controls_.fill(nullptr);
    self->lastFocus_ = nullptr;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return self->OnMessage(msg, wp, lp);
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      return CreateControls() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(wp, lp);
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      // The window itself never keeps the focus; a control gets it.
      OnActivate(true);
      return 0;
    case WM_DESTROY:
      if (quitOnDestroy_) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void MainWindow::OnCommand(WPARAM wp, LPARAM lp) {
  HWND control = reinterpret_cast<HWND>(lp);
  if (control == nullptr || !IsChild(hwnd_, control)) return;
  const int id = LOWORD(wp);
  const ControlLayout* row = FindControlLayout(id);
  if (row == nullptr) return;
  const UINT code = HIWORD(wp);
  switch (row->kind) {
    case ControlKind::PushButton:
    case ControlKind::RadioButton:
      if (code == BN_CLICKED && !IsReceivingFocus(control)) Dispatch(id, ControlEvent::Clicked);
      break;
    case ControlKind::EditBox:
      if (code == EN_CHANGE && !IsQuietTextChange(control)) {
        Dispatch(id, ControlEvent::TextChanged);
      }
      break;
    default:
      break;
  }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  if (header.idFrom == static_cast<UINT_PTR>(kUpDown3) && header.code == UDN_DELTAPOS) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    HWND box = Control(kEdit3);
    if (box != nullptr && IsWindowEnabled(box) && IsWindowVisible(box)) {
      StepEditBox(box, change.iDelta > 0);
    }
    // Nonzero: the up-down control changes nothing of its own.
    return 1;
  }
  return 0;
}

LRESULT MainWindow::OnControlColor(HDC dc, HWND control) {
  const ControlLayout* row =
      IsChild(hwnd_, control) ? FindControlLayout(GetDlgCtrlID(control)) : nullptr;
  SetTextColor(dc, RGB(0, 0, 0));
  if (row != nullptr && row->kind == ControlKind::EditBox) {
    // White, also while read-only (then the box asks as a static control).
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  }
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainWindow::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
    return;
  }
  HWND target = nullptr;
  if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) &&
      CanTakeFocus(lastFocus_)) {
    target = lastFocus_;
  } else {
    // The first control of the Tab order that can take the focus.
    for (const ControlLayout& row : MainWindowLayout()) {
      if (row.tabStop && CanTakeFocus(Control(row.id))) {
        target = Control(row.id);
        break;
      }
    }
  }
  if (target != nullptr) SetFocus(target);
}

void MainWindow::Dispatch(int id, ControlEvent event) {
  if (observer_) observer_(id, event);
  HandleControlEvent(*this, id, event);
}

std::string MainWindow::FirstPathText() { return ReadText(Control(kEdit1)); }
std::string MainWindow::SecondPathText() { return ReadText(Control(kEdit2)); }
std::string MainWindow::OffsetText() { return ReadText(Control(kEdit3)); }
bool MainWindow::HorizontalChecked() { return ReadChecked(Control(kRadio1)); }
bool MainWindow::ShowSaveDialog() { return ShowFileDialog(saveDialog_); }
std::string MainWindow::SaveFileName() { return ReadFileName(saveDialog_); }
void MainWindow::ShowMessage(const std::string& text, UINT icon) {
  const bool wasActive = GetActiveWindow() == hwnd_;
  ShowJoinMessageBox(text, icon);
  // A task-modal box enables the window again only once the box is gone,
  // and a platform may by then have left no window of ours active: the
  // user would have to click the window before typing on. Give the
  // activation (and with it the focus) back.
  if (wasActive && hwnd_ != nullptr && GetActiveWindow() != hwnd_) SetActiveWindow(hwnd_);
}

}  // namespace picjoin
