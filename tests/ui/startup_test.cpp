// The program as it starts: its window, the state of its controls, the
// focus, the folder it works in, and how it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win/layout.h"
#include "app/win/resource_ids.h"
#include "tests/ui_common/app_driver.h"
#include "tests/win_common/gbk.h"

namespace {

using picjoin::kButton3;
using picjoin::kEdit1;
using picjoin::kEdit2;
using picjoin::kEdit3;
using picjoin::kLabel1;
using picjoin::kRadio1;
using picjoin::kRadio2;
using uitest::App;

TEST(StartUp, WindowAndControlsAsTheUserFirstSeesThem) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  HWND window = app->window();
  EXPECT_EQ(uitest::WindowText(window), "Quillon---www.quillon.example ");
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 472);
  EXPECT_EQ(r.bottom - r.top, 271);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 472) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 271) / 2);
  EXPECT_EQ(GetForegroundWindow(), window);
  EXPECT_TRUE(uitest::TitleBarShowsIcon(window, uitest::ProgramPath(), IDI_APP));

  EXPECT_TRUE(app->Checked(kRadio1));
  EXPECT_FALSE(app->Checked(kRadio2));
  EXPECT_EQ(app->Text(kLabel1), Gbk("第二幅图纵向偏移量:"));
  EXPECT_EQ(app->Text(kEdit3), "0");
  EXPECT_EQ(app->Text(kEdit1), "");
  EXPECT_EQ(app->Text(kEdit2), "");
  EXPECT_FALSE(app->Enabled(kButton3));
  EXPECT_EQ(app->FocusId(), kEdit1);
}

TEST(StartUp, WorksInTheProgramsFolderWhenStartedFromAnother) {
  // A copy of the program in a folder of its own, with a picture beside
  // it, started from an empty folder.
  uitest::TempFolder programFolder;
  uitest::TempFolder elsewhere;
  const std::wstring program = programFolder.File(L"picjoin.exe");
  ASSERT_TRUE(CopyFileW(uitest::ProgramPath().c_str(), program.c_str(), FALSE));
  const auto picture = uitest::MakePicture(2, 2, [](int, int) { return 0x336699u; });
  ASSERT_TRUE(uitest::WriteBytes(programFolder.File(L"beside.bmp"), uitest::Bmp24File(picture)));

  auto app = App::Start(program, elsewhere.path());
  ASSERT_NE(app, nullptr);
  // The open dialog starts in the current folder when no file was chosen
  // yet; a bare file name typed into it is taken from there.
  app->Click(picjoin::kButton1);
  auto dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  dialog->SetFileNameField("beside.bmp");
  dialog->PressOk();
  ASSERT_TRUE(dialog->WaitClosed());
  EXPECT_EQ(app->Text(kEdit1), programFolder.FileA(L"beside.bmp"));
  PostMessageA(app->window(), WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(app->WaitForExit(5000, &code));
}

TEST(Exit, ClosingTheWindowEndsTheProgramWithCodeZero) {
  struct Way {
    const char* name;
    void (*close)(App&);
  };
  const Way ways[] = {
      {"close request", [](App& app) { PostMessageA(app.window(), WM_CLOSE, 0, 0); }},
      {"system menu Close", [](App& app) { PostMessageA(app.window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Alt+F4", [](App& app) { app.Press({VK_MENU, VK_F4}); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    auto app = App::Start();
    ASSERT_NE(app, nullptr);
    way.close(*app);
    DWORD code = 1;
    ASSERT_TRUE(app->WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
  }
}

}  // namespace
