// The main window's fixed layout as data: one row a control, walked by the
// creation code in this order. Places are in the client area of the parent
// (the window, or the group box that holds the control).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "app/win/file_dialog.h"
#include "canvas/win/draw_panel.h"

namespace picjoin {

enum class ControlKind { GroupBox, EditBox, UpDown, PushButton, RadioButton, Label, Canvas };

// Child-window ids. They are unique over the whole window, group boxes'
// children included, so a control can be found by its id alone (the UI
// tests do that from another process).
enum ControlId : int {
  kWindowItself = 0,  // as a parent: the main window
  kGroup1 = 101,      // 分组框1
  kEdit1 = 102,       // 编辑框1
  kButton1 = 103,     // 按钮1
  kGroup2 = 104,      // 分组框2
  kEdit2 = 105,       // 编辑框2
  kButton2 = 106,     // 按钮2
  kGroup3 = 107,      // 分组框3
  kRadio1 = 108,      // 单选框1
  kRadio2 = 109,      // 单选框2
  kLabel1 = 110,      // 标签1
  kEdit3 = 111,       // 编辑框3
  kUpDown3 = 112,     // the up-down buttons of 编辑框3
  kButton3 = 113,     // 按钮3
  kButton4 = 114,     // 按钮4
  kCanvas1 = 115,     // 画板1
};

struct ControlLayout {
  ControlKind kind;
  int id;
  const char* name;  // the layout name, 编辑框1 and so on
  int parent;        // id of the group box, or kWindowItself
  int left, top, width, height;
  const char* text;  // nullptr: none
  DWORD style;       // the kind's own style bits; WS_CHILD and the state bits are added
  DWORD exStyle;
  // Starting state.
  bool visible;
  bool enabled;
  bool tabStop;  // in the Tab order (which is the order of the rows)
  bool checked;
};

std::span<const ControlLayout> MainWindowLayout();
const ControlLayout* FindControlLayout(int id);

// The window itself.
constexpr char kMainWindowClass[] = "PicjoinMainWindow";
constexpr int kMainWindowWidth = 472;
constexpr int kMainWindowHeight = 271;
// Fixed single frame, caption, system menu; no minimise or maximise box.
constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainWindowExStyle = WS_EX_APPWINDOW;
const char* MainWindowCaption();

// 画板1, the hidden composition canvas.
const DrawPanelSettings& CanvasSettings();

// 通用对话框1 (save) and 通用对话框2 (open).
const FileDialogSettings& SaveDialogSettings();
const FileDialogSettings& OpenDialogSettings();

}  // namespace picjoin
