// The keyboard as a user has it: Tab order, arrow keys on the radio
// buttons, the access key, Enter, F1, Space, Esc and typing, all real key
// presses into the running program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/layout.h"
#include "tests/ui_common/app_driver.h"
#include "tests/ui_common/steps.h"
#include "tests/win_common/gbk.h"

namespace {

using namespace picjoin;  // the control ids
using uitest::App;
using uitest::Browse;
using uitest::PictureFolder;

// Presses `keys` and waits until the focus is on `id`.
::testing::AssertionResult PressAndExpectFocus(App& app, uitest::Chord keys, int id) {
  app.Press(keys);
  if (uitest::WaitUntil([&] { return app.FocusId() == id; }, 3000)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "focus on " << app.FocusId() << ", expected " << id;
}

// Tabs forward until `id` has the focus.
::testing::AssertionResult TabTo(App& app, int id) {
  for (int i = 0; i < 12 && app.FocusId() != id; ++i) {
    const int before = app.FocusId();
    app.Press({VK_TAB});
    uitest::WaitUntil([&] { return app.FocusId() != before; }, 3000);
  }
  if (app.FocusId() == id) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "Tab never reached " << id;
}

// Both paths chosen, so the join button is enabled.
::testing::AssertionResult EnableJoin(App& app, const PictureFolder& pictures) {
  if (auto r = Browse(app, kButton1, pictures.A()); !r) return r;
  if (auto r = Browse(app, kButton2, pictures.B()); !r) return r;
  if (!app.Enabled(kButton3)) return ::testing::AssertionFailure() << "join button disabled";
  return ::testing::AssertionSuccess();
}

TEST(Keyboard, TabAndShiftTabFollowTheOrderSkippingTheDisabledJoinButton) {
  PictureFolder pictures;
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_EQ(app->FocusId(), kEdit1);

  const int forward[] = {kButton1, kEdit2, kButton2, kRadio1, kRadio2, kEdit3, kButton4, kEdit1};
  for (int id : forward) ASSERT_TRUE(PressAndExpectFocus(*app, {VK_TAB}, id));
  const int backward[] = {kButton4, kEdit3, kRadio2, kRadio1, kButton2, kEdit2, kButton1, kEdit1};
  for (int id : backward) ASSERT_TRUE(PressAndExpectFocus(*app, {VK_SHIFT, VK_TAB}, id));
  // Passing through the radio buttons checks nothing and clicks nothing.
  EXPECT_TRUE(app->Checked(kRadio1));
  EXPECT_FALSE(app->Checked(kRadio2));
  EXPECT_EQ(app->Text(kLabel1), Gbk("第二幅图纵向偏移量:"));

  // Once enabled the join button is in the order between 编辑框3 and 按钮4.
  ASSERT_TRUE(EnableJoin(*app, pictures));
  ASSERT_EQ(app->FocusId(), kButton2);
  const int enabled[] = {kRadio1, kRadio2, kEdit3, kButton3, kButton4, kEdit1};
  for (int id : enabled) ASSERT_TRUE(PressAndExpectFocus(*app, {VK_TAB}, id));
  const int back[] = {kButton4, kButton3, kEdit3};
  for (int id : back) ASSERT_TRUE(PressAndExpectFocus(*app, {VK_SHIFT, VK_TAB}, id));
}

TEST(Keyboard, ArrowKeysMoveTheCheckBetweenTheRadioButtons) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(TabTo(*app, kRadio1));
  const std::string horizontal = Gbk("第二幅图纵向偏移量:");
  const std::string vertical = Gbk("第二幅图横向偏移量:");
  struct Step {
    WORD key;
    int checked;
    const std::string& caption;
  };
  const Step steps[] = {
      {VK_DOWN, kRadio2, vertical},  {VK_DOWN, kRadio1, horizontal}, {VK_UP, kRadio2, vertical},
      {VK_UP, kRadio1, horizontal},  {VK_RIGHT, kRadio2, vertical},  {VK_LEFT, kRadio1, horizontal},
      {VK_LEFT, kRadio2, vertical},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.key);
    ASSERT_TRUE(PressAndExpectFocus(*app, {step.key}, step.checked));
    EXPECT_TRUE(uitest::WaitUntil([&] { return app->Text(kLabel1) == step.caption; }, 3000));
    EXPECT_TRUE(app->Checked(step.checked));
    EXPECT_FALSE(app->Checked(step.checked == kRadio1 ? kRadio2 : kRadio1));
  }
  // Space on the checked one clicks it again: the caption is rewritten.
  app->Press({VK_SPACE});
  app->Settle();
  EXPECT_TRUE(app->Checked(kRadio2));
  EXPECT_EQ(app->Text(kLabel1), vertical);
}

TEST(Keyboard, AltJStartsTheJoinOnlyOnceTheJoinButtonIsEnabled) {
  PictureFolder pictures;
  auto app = App::Start();
  ASSERT_NE(app, nullptr);

  app->Press({VK_MENU, 'J'});
  // Tab as a marker: once it has moved the focus, Alt+J was taken too.
  ASSERT_TRUE(PressAndExpectFocus(*app, {VK_TAB}, kButton1));
  EXPECT_EQ(app->OpenDialog(), nullptr);

  ASSERT_TRUE(EnableJoin(*app, pictures));
  ASSERT_EQ(app->FocusId(), kButton2);
  app->Press({VK_MENU, 'J'});
  auto dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr) << "Alt+J did not start the join";
  EXPECT_EQ(dialog->Title(), Gbk("请输入要保存的图片"));
  dialog->PressCancel();
  ASSERT_TRUE(dialog->WaitClosed());
  app->Settle();
  // The focus did not move, and the keyboard still works as before.
  EXPECT_EQ(app->FocusId(), kButton2);
  ASSERT_TRUE(PressAndExpectFocus(*app, {VK_TAB}, kRadio1));
  EXPECT_EQ(app->OpenDialog(), nullptr);
}

TEST(Keyboard, EnterAndF1OnABrowseButtonDoNothingSpaceOpensItsDialog) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(TabTo(*app, kButton1));
  for (WORD key : {WORD{VK_RETURN}, WORD{VK_F1}}) {
    SCOPED_TRACE(key);
    app->Press({key});
    // Marker keys: Tab and back. Had a dialog opened they would go to it.
    ASSERT_TRUE(PressAndExpectFocus(*app, {VK_TAB}, kEdit2));
    ASSERT_TRUE(PressAndExpectFocus(*app, {VK_SHIFT, VK_TAB}, kButton1));
    EXPECT_EQ(app->OpenDialog(), nullptr);
  }
  app->Press({VK_SPACE});
  auto dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr) << "Space did not press the button";
  EXPECT_EQ(dialog->Title(), Gbk("请选择要拼合的图片"));
  dialog->PressCancel();
  ASSERT_TRUE(dialog->WaitClosed());
}

TEST(Keyboard, TypingGoesIntoTheOffsetBoxThroughItsFilterOnly) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  // The path boxes are read-only.
  app->Type("abc1");
  app->Press({VK_BACK});
  app->Settle();
  EXPECT_EQ(app->Text(kEdit1), "");

  ASSERT_TRUE(TabTo(*app, kEdit3));
  app->Press({VK_END});
  app->Press({VK_BACK});
  app->Type("a-12.b3 ");
  ASSERT_TRUE(uitest::WaitUntil([&] { return app->Text(kEdit3) == "-123"; }, 3000))
      << app->Text(kEdit3);
  app->Press({VK_BACK});
  ASSERT_TRUE(uitest::WaitUntil([&] { return app->Text(kEdit3) == "-12"; }, 3000))
      << app->Text(kEdit3);
}

TEST(Keyboard, EscFromEveryControlEndsTheProgramWithCodeZero) {
  const int controls[] = {kEdit1, kButton1, kEdit2, kButton2, kRadio1,
                          kRadio2, kEdit3, kButton3, kButton4};
  for (int id : controls) {
    SCOPED_TRACE(id);
    PictureFolder pictures;
    auto app = App::Start();
    ASSERT_NE(app, nullptr);
    if (id == kButton3) {
      ASSERT_TRUE(EnableJoin(*app, pictures));
    }
    ASSERT_TRUE(TabTo(*app, id));
    app->Press({VK_ESCAPE});
    DWORD code = 1;
    ASSERT_TRUE(app->WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
  }
}

}  // namespace
