// The whole join under Wine, from picture files through a stand-in main
// window to the saved BMP and the message, and the message box itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "join/win/join_pictures.h"
#include "picture/win/picture_registry.h"
#include "tests/win_common/fake_join_window.h"
#include "tests/win_common/fixtures.h"
#include "tests/win_common/gbk.h"

namespace picjoin::testing {
namespace {

const std::vector<std::string> kSuccessfulRun = {
    "first path", "second path", "offset",    "arrangement", "arrangement",
    "save dialog", "file name",  "file name", "message"};

Bytes ExportOf(DrawPanel& canvas) {
  const ByteBlock block = canvas.ExportBitmap();
  return Bytes(block.data(), block.data() + block.size());
}

Bytes FileBytes(const std::string& path) {
  Bytes bytes;
  EXPECT_TRUE(ReadFileBytes(path, &bytes)) << path;
  return bytes;
}

class JoinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The pictures of the join's own examples: 100 x 50 and 80 x 30.
    first_ = Pattern(100, 50, 1);
    second_ = Pattern(80, 30, 2);
    firstPath_ = Write("first.bmp", Bmp24File(first_));
    secondPath_ = Write("second.bmp", Bmp24File(second_));
    const Bytes jpeg = JpegFile(Pattern(80, 30, 3));
    jpegPath_ = Write("second.jpg", jpeg);
    jpegPixels_ = DecodeJpegForTest(jpeg);
    icon_ = IconPicture{Pattern(32, 32, 4), std::vector<bool>(32 * 32), 24};
    for (int32_t y = 0; y < 32; ++y)
      for (int32_t x = 0; x < 32; ++x) icon_.transparent[y * 32 + x] = (x / 4 + y / 4) % 2 == 0;
    iconPath_ = Write("second.ico", IconFile(1, {IconEntryFor(icon_)}));
    outPath_ = folder_.File("joined.bmp");
  }
  void TearDown() override { EXPECT_EQ(LoadedPictureCount(), 0u) << "a join left a picture loaded"; }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_.File(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }

  // The icon over white: its opaque pixels, white where it is clear.
  Rgb IconOnWhite() const {
    Rgb out(32, 32);
    for (int32_t y = 0; y < 32; ++y)
      for (int32_t x = 0; x < 32; ++x)
        if (!icon_.transparent[y * 32 + x]) out.At(x, y) = icon_.colors.At(x, y);
    return out;
  }

  void Prepare(FakeJoinWindow& window, const std::string& a, const std::string& b,
               const std::string& offset, bool horizontal) {
    window.first = a;
    window.second = b;
    window.offset = offset;
    window.horizontal = horizontal;
    window.saveChoice = outPath_;
  }

  TempFolder folder_;
  Rgb first_, second_, jpegPixels_;
  IconPicture icon_;
  std::string firstPath_, secondPath_, jpegPath_, iconPath_, outPath_;
};

// ---- Whole joins ------------------------------------------------------------

enum class Second { Bmp, Jpeg, Icon, SameAsFirst };

struct JoinCase {
  const char* what;
  Second second;
  bool horizontal;
  const char* offset;
  int32_t width, height, x2, y2;
};

TEST_F(JoinTest, SavesTheJoinedPictureAsA24BitBmp) {
  const JoinCase cases[] = {
      {"side by side", Second::Bmp, true, "0", 180, 50, 100, 0},
      {"side by side, moved down past the first", Second::Bmp, true, "40", 180, 70, 100, 40},
      {"side by side, bottoms level", Second::Bmp, true, "20", 180, 50, 100, 20},
      {"side by side, top 10 rows cut off", Second::Bmp, true, "-10", 180, 50, 100, -10},
      {"side by side, moved up out of sight", Second::Bmp, true, "-30", 180, 50, 100, -30},
      {"side by side, empty offset", Second::Bmp, true, "", 180, 50, 100, 0},
      {"side by side, letters for the offset", Second::Bmp, true, "abc", 180, 50, 100, 0},
      {"side by side, a fractional offset", Second::Bmp, true, "12.9", 180, 50, 100, 12},
      {"stacked", Second::Bmp, false, "0", 100, 80, 0, 50},
      {"stacked, moved right past the first", Second::Bmp, false, "30", 110, 80, 30, 50},
      {"stacked, left 10 columns cut off", Second::Bmp, false, "-10", 100, 80, -10, 50},
      {"stacked, exponent offset", Second::Bmp, false, "1e2", 180, 80, 100, 50},
      {"BMP and JPEG side by side", Second::Jpeg, true, "5", 180, 50, 100, 5},
      {"BMP and JPEG stacked", Second::Jpeg, false, "-7", 100, 80, -7, 50},
      {"BMP and icon", Second::Icon, true, "9", 132, 50, 100, 9},
      {"the same file twice, side by side", Second::SameAsFirst, true, "0", 200, 50, 100, 0},
      {"the same file twice, stacked", Second::SameAsFirst, false, "0", 100, 100, 0, 50},
      {"the second far below: the canvas stops at 32627", Second::Bmp, true, "1e400", 180, 32627,
       100, INT_MAX},
      {"the second far above", Second::Bmp, true, "-99999999999", 180, 50, 100, INT_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeJoinWindow window;
    std::string secondPath;
    Rgb second;
    switch (c.second) {
      case Second::Bmp: secondPath = secondPath_; second = second_; break;
      case Second::Jpeg: secondPath = jpegPath_; second = jpegPixels_; break;
      case Second::Icon: secondPath = iconPath_; second = IconOnWhite(); break;
      case Second::SameAsFirst: secondPath = firstPath_; second = first_; break;
    }
    Prepare(window, firstPath_, secondPath, c.offset, c.horizontal);
    DeleteFileA(outPath_.c_str());

    JoinPictures(window);

    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, Gbk("保存图片") + outPath_ + Gbk("成功!"));
    EXPECT_EQ(window.messages[0].icon, static_cast<UINT>(MB_ICONASTERISK));
    EXPECT_EQ(window.picturesLoadedAtSaveDialog, 0u) << "pictures still held at the save dialog";
    EXPECT_EQ(window.calls, kSuccessfulRun);

    Rgb expected(c.width, c.height);
    expected.Paste(first_, 0, 0);
    expected.Paste(second, c.x2, c.y2);
    const Bytes saved = FileBytes(outPath_);
    const Bytes image = ExpectedBmpImage(expected);
    EXPECT_TRUE(SameBmpImage(saved, image));
    if ((c.width * 3) % 4 == 0) EXPECT_TRUE(saved == image) << "no filler: every byte is set";
    // The hidden canvas keeps the joined picture.
    EXPECT_EQ(ExportOf(window.Canvas()), saved);
  }
}

// The palette formats join like the others. A 16 x 16 pattern has exactly
// 256 colours, as many as a GIF or PCX palette holds.
TEST_F(JoinTest, GifAndPcxPicturesJoinWithAJpeg) {
  const Rgb palettePicture = Pattern(16, 16, 7);
  struct PaletteCase {
    const char* what;
    std::string path;
    bool horizontal;
    const char* offset;
    int32_t width, height, x2, y2;
  };
  const PaletteCase cases[] = {
      // The GIF's screen is 20 x 24: white where its 16 x 16 image does not reach.
      {"GIF then JPEG side by side", Write("palette.gif", GifFile(palettePicture, 20, 24)), true, "3",
       100, 33, 20, 3},
      {"PCX then JPEG stacked", Write("palette.pcx", Pcx8File(palettePicture)), false, "-4", 76, 46, -4,
       16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeJoinWindow window;
    Prepare(window, c.path, jpegPath_, c.offset, c.horizontal);
    DeleteFileA(outPath_.c_str());
    JoinPictures(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, Gbk("保存图片") + outPath_ + Gbk("成功!"));
    Rgb expected(c.width, c.height);
    expected.Paste(palettePicture, 0, 0);
    expected.Paste(jpegPixels_, c.x2, c.y2);
    const Bytes saved = FileBytes(outPath_);
    EXPECT_TRUE(SameBmpImage(saved, ExpectedBmpImage(expected)));
    if ((c.width * 3) % 4 == 0) EXPECT_TRUE(saved == ExpectedBmpImage(expected));
  }
}

TEST_F(JoinTest, ASecondJoinStartsFromAWhiteCanvas) {
  FakeJoinWindow window;
  Prepare(window, firstPath_, secondPath_, "40", true);
  JoinPictures(window);
  // Smaller the second time: nothing of the first join may show through.
  Prepare(window, secondPath_, secondPath_, "-5", false);
  JoinPictures(window);
  ASSERT_EQ(window.messages.size(), 2u);
  Rgb expected(80, 60);
  expected.Paste(second_, 0, 0);
  expected.Paste(second_, -5, 30);
  EXPECT_TRUE(SameBmpImage(FileBytes(outPath_), ExpectedBmpImage(expected)));
}

// ---- Failures ---------------------------------------------------------------

struct LoadFailure {
  const char* what;
  std::string path;
};

std::vector<LoadFailure> UnloadablePaths(JoinTest* test, const TempFolder& folder) {
  (void)test;
  const std::string shortFile = folder.File("short.bmp");
  WriteFileBytes(shortFile, {'B', 'M', 0, 0, 0});
  const std::string unknown = folder.File("unknown.bmp");
  WriteFileBytes(unknown, Bytes(100, 'x'));
  const std::string broken = folder.File("broken.bmp");
  Bytes cut = Bmp24File(Pattern(10, 10, 9));
  cut.resize(80);
  WriteFileBytes(broken, cut);
  return {
      {"empty path", ""},
      {"missing file", folder.File("missing.bmp")},
      {"missing file with a Chinese name", folder.File(Gbk("图片.bmp"))},
      {"5 bytes", shortFile},
      {"unrecognised content", unknown},
      {"damaged content", broken},
      {"a folder", folder.path()},
  };
}

TEST_F(JoinTest, WhenTheFirstPictureFailsTheJoinSaysSoAndStops) {
  for (const auto& f : UnloadablePaths(this, folder_)) {
    SCOPED_TRACE(f.what);
    FakeJoinWindow window;
    Prepare(window, f.path, secondPath_, "0", true);
    const Bytes before = ExportOf(window.Canvas());
    JoinPictures(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, Gbk("载入图片一:") + f.path + Gbk("失败!"));
    EXPECT_EQ(window.messages[0].icon, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(window.messages[0].picturesLoaded, 0u);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"first path", "first path", "message"}));
    EXPECT_EQ(window.Canvas().width(), 56);
    EXPECT_EQ(window.Canvas().height(), 32);
    EXPECT_EQ(ExportOf(window.Canvas()), before) << "canvas touched";
    EXPECT_FALSE(FileExists(outPath_));
  }
}

TEST_F(JoinTest, WhenTheSecondPictureFailsTheFirstIsUnloadedBeforeTheMessage) {
  for (const auto& f : UnloadablePaths(this, folder_)) {
    SCOPED_TRACE(f.what);
    FakeJoinWindow window;
    Prepare(window, firstPath_, f.path, "0", true);
    const Bytes before = ExportOf(window.Canvas());
    JoinPictures(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, Gbk("载入图片二:") + f.path + Gbk("失败!"));
    EXPECT_EQ(window.messages[0].icon, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(window.messages[0].picturesLoaded, 0u) << "the first picture was still loaded";
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"first path", "second path", "second path", "message"}));
    EXPECT_EQ(ExportOf(window.Canvas()), before) << "canvas touched";
    EXPECT_FALSE(FileExists(outPath_));
  }
}

TEST_F(JoinTest, CancellingTheSaveDialogWritesAndShowsNothing) {
  FakeJoinWindow window;
  Prepare(window, firstPath_, secondPath_, "0", true);
  // The dialog remembers a file from an earlier join; it must stay as it is.
  const Bytes old = {'o', 'l', 'd'};
  ASSERT_TRUE(WriteFileBytes(outPath_, old));
  window.dialogFileName = outPath_;
  window.saveAnswer = false;
  const std::vector<std::string> before = folder_.Entries();

  JoinPictures(window);

  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.picturesLoadedAtSaveDialog, 0u);
  EXPECT_EQ(window.calls.back(), "save dialog");
  EXPECT_EQ(FileBytes(outPath_), old);
  EXPECT_EQ(folder_.Entries(), before);
  // The hidden canvas holds the joined picture all the same.
  Rgb expected(180, 50);
  expected.Paste(first_, 0, 0);
  expected.Paste(second_, 100, 0);
  EXPECT_TRUE(SameBmpImage(ExportOf(window.Canvas()), ExpectedBmpImage(expected)));
}

struct SaveFailure {
  const char* what;
  std::string path;
  Bytes existing;  // what a file already there holds; it must survive
};

TEST_F(JoinTest, APathThatCannotBeWrittenGivesTheFailureMessage) {
  const std::string readOnly = Write("readonly.bmp", {'k', 'e', 'e', 'p'});
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string held = Write("held.bmp", {'h', 'e', 'l', 'd'});
  const std::string folderTarget = folder_.File("a folder.bmp");
  CreateDirectoryA(folderTarget.c_str(), nullptr);
  const SaveFailure cases[] = {
      {"missing folder", folder_.File("missing\\out.bmp"), {}},
      {"a folder", folderTarget, {}},
      {"read-only file", readOnly, {'k', 'e', 'e', 'p'}},
      {"file held open elsewhere", held, {'h', 'e', 'l', 'd'}},
      {"empty name", "", {}},
  };
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeJoinWindow window;
    Prepare(window, firstPath_, secondPath_, "0", true);
    window.saveChoice = c.path;
    const std::vector<std::string> before = folder_.Entries();
    JoinPictures(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, Gbk("保存图片") + c.path + Gbk("失败!"));
    EXPECT_EQ(window.messages[0].icon, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(folder_.Entries(), before);
  }
  CloseHandle(holder);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const auto& c : cases) {
    if (!c.existing.empty()) EXPECT_EQ(FileBytes(c.path), c.existing) << c.what;
  }
}

// Two pictures 16314 pixels wide and an offset of 40000 ask for a canvas of
// 32627 x 32627 (both sides clamped): about 3 GB, more than any backing
// image may take. The hidden canvas then has nothing to export, and the join
// must not call an empty file a success.
TEST_F(JoinTest, AJoinTooLargeToExportSaysFailureAndWritesNothing) {
  const std::string wide = Write("wide.bmp", Bmp24File(Solid(16314, 1, 0x336699)));
  FakeJoinWindow window;
  Prepare(window, wide, wide, "40000", true);
  const Bytes old = {'k', 'e', 'e', 'p'};
  ASSERT_TRUE(WriteFileBytes(outPath_, old));
  const std::vector<std::string> before = folder_.Entries();

  JoinPictures(window);

  EXPECT_EQ(window.Canvas().width(), 32627);
  EXPECT_EQ(window.Canvas().height(), 32627);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, Gbk("保存图片") + outPath_ + Gbk("失败!"));
  EXPECT_EQ(window.messages[0].icon, static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(FileBytes(outPath_), old);
  EXPECT_EQ(folder_.Entries(), before);
}

TEST_F(JoinTest, AJoinTooLargeToExportWritesNoNewFile) {
  const std::string wide = Write("wide.bmp", Bmp24File(Solid(16314, 1, 0x336699)));
  FakeJoinWindow window;
  Prepare(window, wide, wide, "40000", true);
  JoinPictures(window);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, Gbk("保存图片") + outPath_ + Gbk("失败!"));
  EXPECT_FALSE(FileExists(outPath_));
}

// ---- The message box --------------------------------------------------------

struct BoxSeen {
  bool found = false;
  std::string caption, text;
  bool okButton = false, cancelButton = false;
  HICON shownIcon = nullptr;
  bool otherWindowEnabled = true;
  HWND other = nullptr;
};

BOOL CALLBACK NoteIconControl(HWND child, LPARAM param) {
  auto* seen = reinterpret_cast<BoxSeen*>(param);
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    seen->shownIcon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  }
  return TRUE;
}

DWORD WINAPI WatchForTheBox(void* param) {
  auto* seen = static_cast<BoxSeen*>(param);
  const std::string caption = Gbk("信息：");
  for (int i = 0; i < 500 && !seen->found; ++i) {
    HWND box = FindWindowA("#32770", caption.c_str());
    if (box == nullptr) {
      Sleep(10);
      continue;
    }
    seen->found = true;
    char text[256] = {};
    GetWindowTextA(box, text, sizeof text);
    seen->caption = text;
    // The text sits in the static control 0xFFFF of the message box dialog.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen->text = text;
    seen->okButton = GetDlgItem(box, IDOK) != nullptr;
    seen->cancelButton = GetDlgItem(box, IDCANCEL) != nullptr;
    // The icon is a static control of the icon style (its id differs
    // between Windows and Wine); it shows the system's icon of that name.
    EnumChildWindows(box, &NoteIconControl, reinterpret_cast<LPARAM>(seen));
    seen->otherWindowEnabled = IsWindowEnabled(seen->other) != 0;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

TEST(JoinMessageBox, IsTaskModalWithTheCaptionTheTextAnIconAndOneButton) {
  for (UINT icon : {static_cast<UINT>(MB_ICONASTERISK), static_cast<UINT>(MB_ICONHAND)}) {
    SCOPED_TRACE(icon);
    // Another top-level window of the program: task-modal boxes disable it.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    BoxSeen seen;
    seen.other = other;
    HANDLE watcher = CreateThread(nullptr, 0, &WatchForTheBox, &seen, 0, nullptr);
    const std::string text = Gbk("保存图片") + "C:\\x.bmp" + Gbk("成功!");
    ShowJoinMessageBox(text, icon);
    WaitForSingleObject(watcher, 10000);
    CloseHandle(watcher);
    EXPECT_TRUE(IsWindowEnabled(other)) << "enabled again after the box";
    DestroyWindow(other);
    ASSERT_TRUE(seen.found) << "no message box captioned 信息：";
    EXPECT_EQ(seen.caption, Gbk("信息："));
    EXPECT_EQ(seen.text, text);
    EXPECT_TRUE(seen.okButton);
    EXPECT_FALSE(seen.cancelButton);
    const HICON system = LoadIconA(nullptr, icon == MB_ICONHAND ? IDI_HAND : IDI_ASTERISK);
    EXPECT_NE(seen.shownIcon, nullptr);
    EXPECT_EQ(seen.shownIcon, system) << "another icon than the one asked for";
    EXPECT_FALSE(seen.otherWindowEnabled) << "not task-modal";
  }
}

}  // namespace
}  // namespace picjoin::testing
