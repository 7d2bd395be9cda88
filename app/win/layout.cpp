#include "app/win/layout.h"

#include <commctrl.h>

#include <iterator>

#include "app/win/web_site.h"
#include "canvas/colors.h"

namespace picjoin {

namespace {

// The group boxes are the parents of their controls: they clip them and
// paint only around them.
constexpr DWORD kGroupBox = BS_GROUPBOX | WS_CLIPCHILDREN;
constexpr DWORD kPathBox = ES_LEFT | ES_AUTOHSCROLL | ES_READONLY;
constexpr DWORD kOffsetBox = ES_CENTER | ES_AUTOHSCROLL;
// A plain vertical up-down control without a buddy: not UDS_SETBUDDYINT
// or UDS_ARROWKEYS, since the window steps the box by its own rule.
constexpr DWORD kUpDown = 0;
// Never BS_DEFPUSHBUTTON: Enter presses no button.
constexpr DWORD kPushButton = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | BS_LEFT | BS_VCENTER;
constexpr DWORD kLabel = SS_LEFT;

using K = ControlKind;

// clang-format off
const ControlLayout kControls[] = {
// kind            id         name       parent         left top  w    h   text                      style        exStyle           visible enabled tab    checked
  {K::GroupBox,    kGroup1,   "分组框1", kWindowItself, 16,  24, 424, 48, "第一幅图片:",           kGroupBox,   0,                true,  true,  false, false},
  {K::EditBox,     kEdit1,    "编辑框1", kGroup1,       8,   16, 328, 24, "",                      kPathBox,    WS_EX_CLIENTEDGE, true,  true,  true,  false},
  {K::PushButton,  kButton1,  "按钮1",   kGroup1,       352, 16, 64,  24, "浏览...",               kPushButton, 0,                true,  true,  true,  false},
  {K::GroupBox,    kGroup2,   "分组框2", kWindowItself, 16,  80, 424, 48, "第二幅图片:",           kGroupBox,   0,                true,  true,  false, false},
  {K::EditBox,     kEdit2,    "编辑框2", kGroup2,       8,   16, 328, 24, "",                      kPathBox,    WS_EX_CLIENTEDGE, true,  true,  true,  false},
  {K::PushButton,  kButton2,  "按钮2",   kGroup2,       352, 16, 64,  24, "浏览...",               kPushButton, 0,                true,  true,  true,  false},
  {K::GroupBox,    kGroup3,   "分组框3", kWindowItself, 16, 144, 240, 80, "拼接方式",              kGroupBox,   0,                true,  true,  false, false},
  {K::RadioButton, kRadio1,   "单选框1", kGroup3,       8,   16, 80,  24, "横向排列",              kRadio,      0,                true,  true,  true,  true},
  {K::RadioButton, kRadio2,   "单选框2", kGroup3,       8,   40, 72,  24, "纵向排列",              kRadio,      0,                true,  true,  true,  false},
  {K::Label,       kLabel1,   "标签1",   kGroup3,       104, 16, 112, 24, "第二幅图纵向偏移量:",  kLabel,      0,                true,  true,  false, false},
  {K::EditBox,     kEdit3,    "编辑框3", kGroup3,       104, 40, 112, 24, "0",                     kOffsetBox,  WS_EX_CLIENTEDGE, true,  true,  true,  false},
  // Directly right of 编辑框3 (left = its right edge), as tall as the box.
  {K::UpDown,      kUpDown3,  "上下按钮", kGroup3,      216, 40, 18,  24, nullptr,                 kUpDown,     0,                true,  true,  false, false},
  {K::PushButton,  kButton3,  "按钮3",   kWindowItself, 304, 160, 120, 32, "开始拼接(&J)",         kPushButton, 0,                true,  false, true,  false},
  {K::PushButton,  kButton4,  "按钮4",   kWindowItself, 304, 208, 120, 24, "【Orbelle】",          kPushButton, 0,                true,  true,  true,  false},
  {K::Canvas,      kCanvas1,  "画板1",   kWindowItself, 384, 136, 56,  32, nullptr,                 0,           0,                false, true,  false, false},
};
// clang-format on

const DrawPanelSettings kCanvasSettings = {
    /*border=*/0,
    /*backColor=*/kColorWhite,
    /*autoRedraw=*/1,
    /*drawUnit=*/0,
    /*brushColor=*/kColorWhite,
    /*textBackColor=*/kColorDefault,
};

const FileDialogSettings kSaveDialog = {
    /*kind=*/FileDialogKind::Save,
    /*title=*/"请输入要保存的图片",
    /*filter=*/"BMP图片(*.BMP)|*.BMP",
    /*filterIndex=*/0,
    /*initialFolder=*/"",
    // BMP, not RTF: a name typed without extension becomes a .BMP file, the
    // only kind this program writes.
    /*defaultExtension=*/"BMP",
    /*hideReadOnly=*/true,
    // Off for saving: with it on a user could only ever overwrite a file
    // that exists already.
    /*fileMustExist=*/false,
    /*overwritePrompt=*/true,
    /*pathMustExist=*/true,
    /*createPrompt=*/false,
    /*restoreCurrentFolder=*/false,
};

const FileDialogSettings kOpenDialog = {
    /*kind=*/FileDialogKind::Open,
    /*title=*/"请选择要拼合的图片",
    /*filter=*/
    "所有支持的图片|*.BMP;*.GIF;*.JPG;*.JPEG;*.ICO|BMP图片(*.BMP)|*.BMP|GIF图片(*.GIF)|*.GIF|"
    "JPG图片(*.JPG;*.JPEG)|*.JPG;*.JPEG|ICO图片(*.ICO)|*.ICO",
    /*filterIndex=*/0,
    /*initialFolder=*/"",
    /*defaultExtension=*/"RTF",
    /*hideReadOnly=*/true,
    /*fileMustExist=*/true,
    /*overwritePrompt=*/true,
    /*pathMustExist=*/true,
    /*createPrompt=*/false,
    /*restoreCurrentFolder=*/false,
};

}  // namespace

std::span<const ControlLayout> MainWindowLayout() { return kControls; }

const ControlLayout* FindControlLayout(int id) {
  for (const ControlLayout& c : kControls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const char* MainWindowCaption() { return kWindowCaption; }

const DrawPanelSettings& CanvasSettings() { return kCanvasSettings; }
const FileDialogSettings& SaveDialogSettings() { return kSaveDialog; }
const FileDialogSettings& OpenDialogSettings() { return kOpenDialog; }

}  // namespace picjoin
