// The join command: loads the two pictures named in the window, composes
// them on the canvas, asks where to save, writes the BMP and reports.
#pragma once

#include <windows.h>

#include <string>

#include "canvas/win/draw_panel.h"

namespace picjoin {

// What the join reads from and does through the main window. The main
// window implements it; tests give their own.
class JoinWindow {
 public:
  virtual ~JoinWindow() = default;
  virtual std::string FirstPathText() = 0;   // 编辑框1
  virtual std::string SecondPathText() = 0;  // 编辑框2
  virtual std::string OffsetText() = 0;      // 编辑框3
  virtual bool HorizontalChecked() = 0;      // 单选框1
  virtual DrawPanel& Canvas() = 0;           // 画板1
  // Shows the save dialog 通用对话框1 modally; true on OK.
  virtual bool ShowSaveDialog() = 0;
  // The save dialog's file name (the last path chosen with OK).
  virtual std::string SaveFileName() = 0;
  // Shows a message with the caption "信息："; `icon` is MB_ICONHAND or
  // MB_ICONASTERISK.
  virtual void ShowMessage(const std::string& text, UINT icon) = 0;
};

// The message box every join message uses: no owner, one OK button,
// task-modal, caption "信息：".
void ShowJoinMessageBox(const std::string& text, UINT icon);

void JoinPictures(JoinWindow& window);

}  // namespace picjoin
