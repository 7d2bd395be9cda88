// Whole sessions as a user has them: two browses, an arrangement, an
// offset, Alt+J, the save dialog, the message, and the saved file's bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/win/layout.h"
#include "tests/ui_common/app_driver.h"
#include "tests/ui_common/steps.h"
#include "tests/win_common/gbk.h"

namespace {

using namespace picjoin;  // the control ids
using uitest::App;
using uitest::Browse;
using uitest::Picture;

// Tabs forward until `id` has the focus.
bool TabTo(App& app, int id) {
  for (int i = 0; i < 12 && app.FocusId() != id; ++i) {
    const int before = app.FocusId();
    app.Press({VK_TAB});
    uitest::WaitUntil([&] { return app.FocusId() != before; }, 3000);
  }
  return app.FocusId() == id;
}

// A real mouse click at the middle of the upper or lower half of a control.
void MouseClick(App& app, HWND control, bool upperHalf) {
  // A click right after a dialog closed can reach no window under Wine:
  // wait until the program is in front and has taken the pointer's move.
  app.WaitUntilInFront();
  RECT r;
  GetWindowRect(control, &r);
  const int x = (r.left + r.right) / 2;
  const int y = upperHalf ? r.top + (r.bottom - r.top) / 4 : r.bottom - (r.bottom - r.top) / 4;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3] = {};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dx = (x * 65536 + sw / 2) / sw;
  in[0].mi.dy = (y * 65536 + sh / 2) / sh;
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  app.Settle();
  SendInput(2, &in[1], sizeof(INPUT));
}

struct Session {
  const char* name;
  Picture first;
  Picture second;
  std::function<void(App&)> chooseArrangement;
  std::function<void(App&)> enterOffset;
  bool horizontal;
  int offset;
};

TEST(Session, TwoBrowsesAnArrangementAnOffsetAltJAndTheSavedFile) {
  const Session sessions[] = {
      {"horizontal, offset typed",
       uitest::MakePicture(4, 3, [](int x, int y) { return 0x200000u * (x + 1) + 0x30u * (y + 1); }),
       uitest::MakePicture(4, 2, [](int x, int y) { return 0x002000u * (x + 1) + 0x400000u * y; }),
       [](App& app) {
         // Down to 纵向排列 and back up to 横向排列.
         ASSERT_TRUE(TabTo(app, kRadio1));
         app.Press({VK_DOWN});
         ASSERT_TRUE(uitest::WaitUntil([&] { return app.Checked(kRadio2); }));
         app.Press({VK_UP});
         ASSERT_TRUE(uitest::WaitUntil([&] { return app.Checked(kRadio1); }));
       },
       [](App& app) {
         ASSERT_TRUE(TabTo(app, kEdit3));
         app.Press({VK_END});
         app.Press({VK_BACK});
         app.Type("1");
         ASSERT_TRUE(uitest::WaitUntil([&] { return app.Text(kEdit3) == "1"; })) << app.Text(kEdit3);
       },
       true, 1},
      {"vertical, offset stepped with the mouse",
       uitest::MakePicture(8, 3, [](int x, int y) { return 0x0000F0u - 0x10u * x + 0x100000u * y; }),
       uitest::MakePicture(6, 2, [](int x, int y) { return 0x804000u + 0x10u * x + 0x1000u * y; }),
       [](App& app) {
         app.Click(kRadio2);
         ASSERT_TRUE(uitest::WaitUntil([&] { return app.Checked(kRadio2); }));
         EXPECT_EQ(app.Text(kLabel1), Gbk("第二幅图横向偏移量:"));
       },
       [](App& app) {
         MouseClick(app, app.Control(kUpDown3), /*upperHalf=*/true);
         ASSERT_TRUE(uitest::WaitUntil([&] { return app.Text(kEdit3) == "1"; })) << app.Text(kEdit3);
         EXPECT_EQ(app.FocusId(), kEdit3);
       },
       false, 1},
  };

  for (const Session& s : sessions) {
    SCOPED_TRACE(s.name);
    uitest::TempFolder folder;
    ASSERT_TRUE(uitest::WriteBytes(folder.File(L"first.bmp"), uitest::Bmp24File(s.first)));
    ASSERT_TRUE(uitest::WriteBytes(folder.File(L"second.bmp"), uitest::Bmp24File(s.second)));
    const std::string output = folder.FileA(L"joined.bmp");

    auto app = App::Start();
    ASSERT_NE(app, nullptr);
    ASSERT_TRUE(Browse(*app, kButton1, folder.FileA(L"first.bmp")));
    ASSERT_TRUE(Browse(*app, kButton2, folder.FileA(L"second.bmp")));
    ASSERT_NO_FATAL_FAILURE(s.chooseArrangement(*app));
    ASSERT_NO_FATAL_FAILURE(s.enterOffset(*app));

    app->Press({VK_MENU, 'J'});
    auto dialog = app->WaitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->SetFileNameField(output);
    dialog->PressOk();
    ASSERT_TRUE(dialog->WaitClosed());

    auto box = app->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Caption(), Gbk("信息："));
    EXPECT_EQ(box->Text(), Gbk("保存图片") + output + Gbk("成功!"));
    EXPECT_EQ(box->Icon(), uitest::BoxIcon::Asterisk);
    EXPECT_EQ(box->ButtonCount(), 1);
    box->PressOk();
    ASSERT_TRUE(box->WaitClosed());

    const Picture expected = uitest::ExpectedJoin(s.first, s.second, s.horizontal, s.offset);
    EXPECT_EQ(uitest::ReadBytes(uitest::Wide(output)), uitest::Bmp24File(expected));

    // The window is active again once the box is gone: then Esc ends it.
    app->Settle();
    app->Press({VK_ESCAPE});
    DWORD code = 1;
    ASSERT_TRUE(app->WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
  }
}

TEST(Session, APictureThatCannotBeLoadedIsReportedWithTheStopIcon) {
  uitest::TempFolder folder;
  ASSERT_TRUE(uitest::WriteBytes(folder.File(L"not-a-picture.bmp"), {'h', 'e', 'l', 'l', 'o', '!', '\n'}));
  const auto good = uitest::MakePicture(2, 2, [](int, int) { return 0x123456u; });
  ASSERT_TRUE(uitest::WriteBytes(folder.File(L"good.bmp"), uitest::Bmp24File(good)));
  const std::string broken = folder.FileA(L"not-a-picture.bmp");

  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(Browse(*app, kButton1, broken));
  ASSERT_TRUE(Browse(*app, kButton2, folder.FileA(L"good.bmp")));
  app->Click(kButton3);
  auto box = app->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Caption(), Gbk("信息："));
  EXPECT_EQ(box->Text(), Gbk("载入图片一:") + broken + Gbk("失败!"));
  EXPECT_EQ(box->Icon(), uitest::BoxIcon::Hand);
  // Task-modal: the window takes no input meanwhile.
  EXPECT_FALSE(IsWindowEnabled(app->window()));
  box->PressOk();
  ASSERT_TRUE(box->WaitClosed());
  app->Settle();
  EXPECT_TRUE(IsWindowEnabled(app->window()));
  EXPECT_EQ(app->FocusId(), kButton3);
}

}  // namespace
