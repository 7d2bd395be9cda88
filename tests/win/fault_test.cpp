// Joins that meet failing disks, busy files and awkward paths. Each must end
// in the right message, and a file already at the target must come through
// byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/win_common/fake_join_window.h"
#include "tests/win_common/fixtures.h"
#include "tests/win_common/gbk.h"

namespace picjoin::testing {
namespace {

const Bytes kExisting = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

std::string FaultDir() {
  const char* dir = std::getenv("PICJOIN_FAULT_DIR");
  return dir ? dir : "";
}

bool IsDirectory(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 200 x 200 pictures: the joined file (about 240 KB) cannot fit on the
    // 96 KiB disk of the full-disk case.
    firstPath_ = folder_.File("first.bmp");
    secondPath_ = folder_.File("second.bmp");
    ASSERT_TRUE(WriteFileBytes(firstPath_, Bmp24File(Pattern(200, 200, 1))));
    ASSERT_TRUE(WriteFileBytes(secondPath_, Bmp24File(Pattern(200, 200, 2))));
  }
  void TearDown() override { EXPECT_EQ(LoadedPictureCount(), 0u); }

  // Joins the two pictures and saves to `target`; returns the one message.
  FakeJoinWindow::Message JoinTo(const std::string& target) {
    FakeJoinWindow window;
    window.first = firstPath_;
    window.second = secondPath_;
    window.saveChoice = target;
    JoinPictures(window);
    EXPECT_EQ(window.messages.size(), 1u);
    return window.messages.empty() ? FakeJoinWindow::Message{} : window.messages[0];
  }

  void ExpectFailureKeeping(const std::string& target, const Bytes& existing) {
    const FakeJoinWindow::Message m = JoinTo(target);
    EXPECT_EQ(m.text, Gbk("保存图片") + target + Gbk("失败!"));
    EXPECT_EQ(m.icon, static_cast<UINT>(MB_ICONHAND));
    Bytes now;
    ASSERT_TRUE(ReadFileBytes(target, &now));
    EXPECT_EQ(now, existing);
  }

  TempFolder folder_;
  std::string firstPath_, secondPath_;
};

TEST_F(FaultTest, AFullDiskKeepsTheOldFileAndLeavesNoPartFile) {
  const std::string disk = FaultDir() + "\\full";
  if (FaultDir().empty() || !IsDirectory(disk)) GTEST_SKIP() << "no small disk mounted (run under scripts/test.sh as root)";
  const std::string target = disk + "\\joined.bmp";
  ASSERT_TRUE(WriteFileBytes(target, kExisting));
  ExpectFailureKeeping(target, kExisting);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((disk + "\\*.tmp").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a partly written file was left: " << found.cFileName;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  DeleteFileA(target.c_str());
}

TEST_F(FaultTest, AReadOnlyFolderKeepsTheOldFile) {
  const std::string disk = FaultDir() + "\\readonly";
  if (FaultDir().empty() || !IsDirectory(disk)) GTEST_SKIP() << "no read-only disk mounted (run under scripts/test.sh as root)";
  const std::string target = disk + "\\existing.bmp";
  Bytes existing;
  ASSERT_TRUE(ReadFileBytes(target, &existing));
  ExpectFailureKeeping(target, existing);
}

TEST_F(FaultTest, ATargetHeldOpenByAnotherProgramKeepsItsBytes) {
  const std::string target = folder_.File("busy.bmp");
  ASSERT_TRUE(WriteFileBytes(target, kExisting));
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string holder = exe;
  holder = holder.substr(0, holder.find_last_of('\\') + 1) + "hold_file.exe";
  const std::string ready = "picjoin-test-ready-" + std::to_string(GetCurrentProcessId());
  const std::string release = "picjoin-test-release-" + std::to_string(GetCurrentProcessId());
  HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
  HANDLE releaseEvent = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
  std::string command = "\"" + holder + "\" \"" + target + "\" " + ready + " " + release;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(holder.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(readyEvent, 20000), WAIT_OBJECT_0) << "the holder did not start";

  const FakeJoinWindow::Message m = JoinTo(target);
  EXPECT_EQ(m.text, Gbk("保存图片") + target + Gbk("失败!"));
  EXPECT_EQ(m.icon, static_cast<UINT>(MB_ICONHAND));

  SetEvent(releaseEvent);
  WaitForSingleObject(pi.hProcess, 20000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(readyEvent);
  CloseHandle(releaseEvent);
  Bytes now;
  ASSERT_TRUE(ReadFileBytes(target, &now));
  EXPECT_EQ(now, kExisting);
}

// A path of exactly `length` characters in the test folder, through nested
// folders (a single name may have at most 255).
std::string PathOfLength(const TempFolder& folder, size_t length) {
  std::string path = folder.path();
  while (length - path.size() > 120) {
    path += "\\" + std::string(100, 'd');
    CreateDirectoryA(path.c_str(), nullptr);
  }
  const size_t nameLength = length - path.size() - 1 - 4;
  return path + "\\" + std::string(nameLength, 'n') + ".bmp";
}

TEST_F(FaultTest, PathsOf259CharactersWorkAnd260Fail) {
  const std::string fits = PathOfLength(folder_, 259);
  ASSERT_EQ(fits.size(), 259u);
  const FakeJoinWindow::Message saved = JoinTo(fits);
  EXPECT_EQ(saved.text, Gbk("保存图片") + fits + Gbk("成功!"));
  EXPECT_EQ(saved.icon, static_cast<UINT>(MB_ICONASTERISK));
  EXPECT_TRUE(FileExists(fits));

  // The saved 259-character file is a picture that loads again.
  FakeJoinWindow reload;
  reload.first = fits;
  reload.second = secondPath_;
  reload.saveAnswer = false;
  JoinPictures(reload);
  EXPECT_TRUE(reload.messages.empty()) << "the 259-character picture did not load";

  const std::string tooLong = PathOfLength(folder_, 260);
  ASSERT_EQ(tooLong.size(), 260u);
  const FakeJoinWindow::Message failed = JoinTo(tooLong);
  EXPECT_EQ(failed.text, Gbk("保存图片") + tooLong + Gbk("失败!"));
  EXPECT_EQ(failed.icon, static_cast<UINT>(MB_ICONHAND));

  FakeJoinWindow load;
  load.first = tooLong;
  load.second = secondPath_;
  JoinPictures(load);
  ASSERT_EQ(load.messages.size(), 1u);
  EXPECT_EQ(load.messages[0].text, Gbk("载入图片一:") + tooLong + Gbk("失败!"));
}

// The file changes between the look at its first bytes and the decoding.
const char* gChangedPath = nullptr;
Bytes gReplacement;
bool gRemove = false;

void ChangeFileInTheGap(const char* path) {
  if (gChangedPath == nullptr || std::string(path) != gChangedPath) return;
  if (gRemove) {
    DeleteFileA(path);
  } else {
    WriteFileBytes(path, gReplacement);
  }
}

struct GapCase {
  const char* what;
  bool remove;
  Bytes replacement;
  bool loads;
};

TEST_F(FaultTest, APictureChangedBetweenDetectionAndDecodingFailsCleanly) {
  const Bytes good = Bmp24File(Pattern(200, 200, 1));
  const GapCase cases[] = {
      {"removed", true, {}, false},
      {"replaced by a JPEG", false, JpegFile(Pattern(10, 10, 3)), false},
      {"cut to its header", false, Bytes(good.begin(), good.begin() + 60), false},
      {"replaced by another BMP", false, Bmp24File(Pattern(30, 20, 4)), true},
  };
  SetLoadGapHookForTesting(&ChangeFileInTheGap);
  for (const GapCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFileBytes(firstPath_, good));
    gChangedPath = firstPath_.c_str();
    gRemove = c.remove;
    gReplacement = c.replacement;
    FakeJoinWindow window;
    window.first = firstPath_;
    window.second = secondPath_;
    window.saveAnswer = false;
    JoinPictures(window);
    gChangedPath = nullptr;
    if (c.loads) {
      EXPECT_TRUE(window.messages.empty());
      EXPECT_EQ(window.Canvas().width(), 230);  // the replacement's 30 + 200
    } else {
      ASSERT_EQ(window.messages.size(), 1u);
      EXPECT_EQ(window.messages[0].text, Gbk("载入图片一:") + firstPath_ + Gbk("失败!"));
      EXPECT_EQ(window.messages[0].picturesLoaded, 0u);
    }
    // Nothing keeps the file open: it can go at once.
    if (!c.remove) EXPECT_TRUE(DeleteFileA(firstPath_.c_str()));
  }
  SetLoadGapHookForTesting(nullptr);
}

}  // namespace
}  // namespace picjoin::testing
