// MainWindow: the program's one window, built from the layout table, with
// its controls, the hidden canvas and the two file dialogs.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "app/win/controls.h"
#include "app/win/file_dialog.h"
#include "app/win/handlers.h"
#include "app/win/layout.h"
#include "canvas/win/draw_panel.h"
#include "join/win/join_pictures.h"

namespace picjoin {

class MainWindow final : public JoinWindow {
 public:
  // `quitOnDestroy`: end the thread's message loop when the window is gone
  // (the program); tests that make windows of their own say false.
  explicit MainWindow(bool quitOnDestroy = true);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, centred on the screen, and all its controls, not
  // yet shown. False when any of it cannot be created.
  bool Create();
  // Shows and activates the window; the focus goes to 编辑框1.
  void Show();

  HWND hwnd() const { return hwnd_; }
  // The control with this id, or nullptr.
  HWND Control(int id) const;
  FileDialog& SaveDialog() { return saveDialog_; }  // 通用对话框1
  FileDialog& OpenDialog() { return openDialog_; }  // 通用对话框2

  // Moves the focus to a control of the window. Remembered as the control
  // to give the focus back to when the window is activated again.
  void FocusControl(HWND control);

  // Tests watch the events the window dispatches.
  using EventObserver = std::function<void(int id, ControlEvent event)>;
  void SetEventObserver(EventObserver observer) { observer_ = std::move(observer); }

  // What the join command reads and does.
  std::string FirstPathText() override;
  std::string SecondPathText() override;
  std::string OffsetText() override;
  bool HorizontalChecked() override;
  DrawPanel& Canvas() override { return canvas_; }
  bool ShowSaveDialog() override;
  std::string SaveFileName() override;
  void ShowMessage(const std::string& text, UINT icon) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  bool CreateControls();
  HWND CreateControl(const ControlLayout& row);
  void OnCommand(WPARAM wp, LPARAM lp);
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnControlColor(HDC dc, HWND control);
  void OnActivate(bool active);
  void Dispatch(int id, ControlEvent event);

  bool quitOnDestroy_;
  HWND hwnd_ = nullptr;
  // One slot a layout row, in the order of the table.
  std::array<HWND, 16> controls_{};
  DrawPanel canvas_;
  FileDialog saveDialog_;
  FileDialog openDialog_;
  EditBoxBehaviour pathBoxBehaviour_;
  EditBoxBehaviour offsetBoxBehaviour_;
  // The control that had the focus when the window was last deactivated.
  HWND lastFocus_ = nullptr;
  EventObserver observer_;
};

}  // namespace picjoin
