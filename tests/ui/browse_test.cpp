// The two browse buttons and the open dialog they share, the join button's
// rule, and the save dialog the join asks with, all worked from outside.
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
using uitest::BrowseAndCancel;
using uitest::PictureFolder;

TEST(OpenDialog, TitleFiltersAndAnEmptyNameAtFirst) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  for (int button : {kButton1, kButton2}) {
    SCOPED_TRACE(button);
    app->Click(button);
    auto dialog = app->WaitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Title(), Gbk("请选择要拼合的图片"));
    const std::vector<std::string> filters = {
        Gbk("所有支持的图片"), Gbk("BMP图片(*.BMP)"), Gbk("GIF图片(*.GIF)"),
        Gbk("JPG图片(*.JPG;*.JPEG)"), Gbk("ICO图片(*.ICO)"),
    };
    EXPECT_EQ(dialog->FilterNames(), filters);
    EXPECT_EQ(dialog->SelectedFilterName(), filters[0]);
    EXPECT_EQ(dialog->FileNameField(), "");
    // The window takes no input while the dialog is open.
    EXPECT_FALSE(IsWindowEnabled(app->window()));
    dialog->PressCancel();
    ASSERT_TRUE(dialog->WaitClosed());
    app->Settle();
    EXPECT_TRUE(IsWindowEnabled(app->window()));
    // The focus is back on the button that opened it.
    EXPECT_EQ(app->FocusId(), button);
    EXPECT_EQ(app->Text(kEdit1), "");
    EXPECT_EQ(app->Text(kEdit2), "");
    EXPECT_FALSE(app->Enabled(kButton3));
  }
}

TEST(Browse, EitherOrderEnablesTheJoinButtonOnlyOnceBothPathsAreThere) {
  struct Order {
    const char* name;
    int firstButton, firstBox;
    int secondButton, secondBox;
  };
  const Order orders[] = {
      {"first, then second", kButton1, kEdit1, kButton2, kEdit2},
      {"second, then first", kButton2, kEdit2, kButton1, kEdit1},
  };
  for (const Order& order : orders) {
    SCOPED_TRACE(order.name);
    PictureFolder pictures;
    auto app = App::Start();
    ASSERT_NE(app, nullptr);
    const std::string firstPath = order.firstBox == kEdit1 ? pictures.A() : pictures.B();
    const std::string secondPath = order.secondBox == kEdit1 ? pictures.A() : pictures.B();

    ASSERT_TRUE(Browse(*app, order.firstButton, firstPath));
    EXPECT_EQ(app->Text(order.firstBox), firstPath);
    EXPECT_EQ(app->Text(order.secondBox), "");
    EXPECT_FALSE(app->Enabled(kButton3));

    ASSERT_TRUE(Browse(*app, order.secondButton, secondPath));
    EXPECT_EQ(app->Text(order.secondBox), secondPath);
    EXPECT_EQ(app->Text(order.firstBox), firstPath);
    EXPECT_TRUE(app->Enabled(kButton3));

    // Cancelling either browse keeps both paths and the button.
    for (int button : {kButton1, kButton2}) {
      ASSERT_TRUE(BrowseAndCancel(*app, button));
      EXPECT_EQ(app->Text(order.firstBox), firstPath);
      EXPECT_EQ(app->Text(order.secondBox), secondPath);
      EXPECT_TRUE(app->Enabled(kButton3));
    }
    // Choosing the same file again rewrites the same text.
    ASSERT_TRUE(Browse(*app, order.firstButton, firstPath));
    EXPECT_EQ(app->Text(order.firstBox), firstPath);
    EXPECT_TRUE(app->Enabled(kButton3));
  }
}

TEST(Browse, CancellingBeforeAnyChoiceChangesNothing) {
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(BrowseAndCancel(*app, kButton1));
  ASSERT_TRUE(BrowseAndCancel(*app, kButton2));
  EXPECT_EQ(app->Text(kEdit1), "");
  EXPECT_EQ(app->Text(kEdit2), "");
  EXPECT_FALSE(app->Enabled(kButton3));
}

TEST(Browse, TheNextBrowseStartsAtTheFileChosenBefore) {
  PictureFolder pictures;
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(Browse(*app, kButton1, pictures.A()));

  // Whichever button: the dialog opens in that file's folder with its name
  // filled in, so a bare name is taken from the same folder.
  app->Click(kButton2);
  auto dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FileNameField(), "a.bmp");
  dialog->SetFileNameField("b.bmp");
  dialog->PressOk();
  ASSERT_TRUE(dialog->WaitClosed());
  app->Settle();
  EXPECT_EQ(app->Text(kEdit2), pictures.B());

  // A cancelled showing keeps the remembered name for the next one.
  ASSERT_TRUE(BrowseAndCancel(*app, kButton1));
  app->Click(kButton1);
  dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FileNameField(), "b.bmp");
  dialog->PressOk();  // the name as filled in
  ASSERT_TRUE(dialog->WaitClosed());
  app->Settle();
  EXPECT_EQ(app->Text(kEdit1), pictures.B());
}

// The join's save dialog: its settings, a new name, the default extension,
// the overwrite question, and the name it remembers.
TEST(SaveDialog, AcceptsANewNameAddsBmpAndRemembersIt) {
  PictureFolder pictures;
  uitest::TempFolder output;
  auto app = App::Start();
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(Browse(*app, kButton1, pictures.A()));
  ASSERT_TRUE(Browse(*app, kButton2, pictures.B()));
  ASSERT_TRUE(app->Enabled(kButton3));

  // Cancelled: nothing written, no message.
  app->Click(kButton3);
  auto dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr) << "the join did not get to the save dialog";
  EXPECT_EQ(dialog->Title(), Gbk("请输入要保存的图片"));
  EXPECT_EQ(dialog->FilterNames(), std::vector<std::string>{Gbk("BMP图片(*.BMP)")});
  EXPECT_EQ(dialog->FileNameField(), "");
  dialog->PressCancel();
  ASSERT_TRUE(dialog->WaitClosed());
  app->Settle();
  EXPECT_EQ(app->OpenDialog(), nullptr);

  // A name that does not exist yet, typed without extension: saved as a
  // .BMP file (the platform picks the letter case).
  const std::string typed = output.FileA(L"joined");
  app->Click(kButton3);
  dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  dialog->SetFileNameField(typed);
  dialog->PressOk();
  ASSERT_TRUE(dialog->WaitClosed());
  auto box = app->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const std::string message = box->Text();
  const std::string head = Gbk("保存图片") + typed, tail = Gbk("成功!");
  ASSERT_EQ(message.size(), head.size() + 4 + tail.size()) << message;
  EXPECT_EQ(message.substr(0, head.size()), head);
  EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
  const std::string extension = message.substr(head.size(), 4);
  EXPECT_EQ(_stricmp(extension.c_str(), ".bmp"), 0) << extension;
  const std::string saved = typed + extension;
  box->PressOk();
  ASSERT_TRUE(box->WaitClosed());
  EXPECT_TRUE(uitest::FileExists(uitest::Wide(saved)));
  EXPECT_FALSE(uitest::FileExists(uitest::Wide(typed)));

  // The next showing starts from that file; cancelling keeps it.
  app->Click(kButton3);
  dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FileNameField(), "joined" + extension);
  dialog->PressCancel();
  ASSERT_TRUE(dialog->WaitClosed());
  app->Settle();

  // Saving over it asks first.
  app->Click(kButton3);
  dialog = app->WaitForFileDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FileNameField(), "joined" + extension);
  dialog->PressOk();
  auto question = app->WaitForMessageBox();
  ASSERT_NE(question, nullptr) << "no question before overwriting";
  question->Press(IDYES);
  ASSERT_TRUE(dialog->WaitClosed());
  box = app->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Text(), Gbk("保存图片") + saved + Gbk("成功!"));
  box->PressOk();
  ASSERT_TRUE(box->WaitClosed());
}

}  // namespace
