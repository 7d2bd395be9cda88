// The operations through which handlers and the join read and change the
// controls, and the behaviours some controls get on top of the platform's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/win/file_dialog.h"
#include "canvas/win/draw_panel.h"

namespace picjoin {

// Edit boxes.
std::string ReadText(HWND edit);
// Replaces the text, then raises the box's text-changed event exactly once
// before returning, also when the text is the same as before. nullptr
// counts as empty.
void WriteText(HWND edit, const char* text);
void WriteText(HWND edit, const std::string& text);
// True while the platform reports a change that WriteText makes: the main
// window ignores those, as WriteText raises the event itself.
bool IsQuietTextChange(HWND edit);

// Labels: replaces the caption and repaints; raises no event.
void WriteCaption(HWND label, const std::string& text);

// Radio buttons.
bool ReadChecked(HWND radio);

// Any on-screen control: true greys it and takes its input away.
void WriteDisabled(HWND control, bool disabled);

// Outer sizes, clamped to 0...32627; only that dimension changes, the
// control keeps its place, its stacking order and the window's activation.
void WriteWidth(HWND control, int32_t width);
void WriteHeight(HWND control, int32_t height);
// The canvas keeps its backing image in step with its size.
void WriteWidth(DrawPanel& canvas, int32_t width);
void WriteHeight(DrawPanel& canvas, int32_t height);

// File dialogs.
std::string ReadFileName(const FileDialog& dialog);
bool ShowFileDialog(FileDialog& dialog);

// Raising events the way the controls themselves do: a WM_COMMAND to the
// control's parent, which a group box passes on to the window.
void RaiseClicked(HWND control);
void RaiseTextChanged(HWND edit);

// The up-down stepping rule on the box it steps: read, step, write back
// (raising text changed), select all, scroll the caret into view, focus.
void StepEditBox(HWND edit, bool up);

// 编辑框3's typed-character filter: codes from 32 on pass only as a digit
// or "-"; control characters always pass.
bool OffsetBoxAcceptsChar(WPARAM code);

// The minimum height of an edit box: one line of its font plus twice the
// system's edge thickness. A lower box is raised to exactly that.
void ApplyEditMinimumHeight(HWND edit);

// Behaviours installed on controls after creation.

// A group box whose children are controls passes their notifications and
// colour requests on to its own parent, the window.
bool InstallGroupBoxForwarding(HWND group);

struct EditBoxBehaviour {
  bool typedDigitsOnly = false;  // the offset box's character filter
  // A control that moves, resizes, shows, hides, enables and disables with
  // the box, kept directly right of it (the up-down buttons).
  HWND follower = nullptr;
  int followerWidth = 0;
};
// `behaviour` must outlive the box. Also applies the minimum height now and
// whenever the box's font is set.
bool InstallEditBoxBehaviour(HWND edit, const EditBoxBehaviour* behaviour);
// Puts the follower in its place next to the box.
void PlaceFollower(HWND edit, const EditBoxBehaviour& behaviour);

// On some platforms a radio button reports a click when it receives the
// focus unchecked; focus moves never raise clicked, so the window drops
// those.
bool InstallRadioFocusGuard(HWND radio);
bool IsReceivingFocus(HWND radio);

}  // namespace picjoin
