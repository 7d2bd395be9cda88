// Steps that several UI tests take: a folder of pictures, and browsing.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/ui_common/app_driver.h"

namespace uitest {

// A folder with two small BMP pictures, a.bmp (4 x 3) and b.bmp (4 x 2).
struct PictureFolder {
  PictureFolder()
      : a(MakePicture(4, 3, [](int x, int y) { return 0x102030u * (x + y + 1); })),
        b(MakePicture(4, 2, [](int x, int) { return 0x00FF00u - 0x100u * x; })) {
    WriteBytes(folder.File(L"a.bmp"), Bmp24File(a));
    WriteBytes(folder.File(L"b.bmp"), Bmp24File(b));
  }
  std::string A() const { return folder.FileA(L"a.bmp"); }
  std::string B() const { return folder.FileA(L"b.bmp"); }
  TempFolder folder;
  Picture a;
  Picture b;
};

// Clicks a browse button and chooses `name` in the open dialog.
inline ::testing::AssertionResult Browse(App& app, int button, const std::string& name) {
  app.Click(button);
  auto dialog = app.WaitForFileDialog();
  if (dialog == nullptr) return ::testing::AssertionFailure() << "no open dialog";
  dialog->SetFileNameField(name);
  dialog->PressOk();
  if (!dialog->WaitClosed()) return ::testing::AssertionFailure() << "the dialog stayed open";
  app.Settle();
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult BrowseAndCancel(App& app, int button) {
  app.Click(button);
  auto dialog = app.WaitForFileDialog();
  if (dialog == nullptr) return ::testing::AssertionFailure() << "no open dialog";
  dialog->PressCancel();
  if (!dialog->WaitClosed()) return ::testing::AssertionFailure() << "the dialog stayed open";
  app.Settle();
  return ::testing::AssertionSuccess();
}

}  // namespace uitest
