// Writing the exported bytes to a file: what lands on disk, and that a write
// that fails leaves the file that was there exactly as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "canvas/win/draw_panel.h"
#include "tests/win_common/fixtures.h"
#include "tests/win_common/gbk.h"

namespace picjoin::testing {
namespace {

ByteBlock Block(const Bytes& bytes) {
  OwnedBuffer buffer;
  EXPECT_TRUE(buffer.Allocate(bytes.size()));
  if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), buffer.data());
  return ByteBlock(std::move(buffer));
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Contents(const std::string& path) {
  Bytes bytes;
  EXPECT_TRUE(ReadFileBytes(path, &bytes)) << path;
  return bytes;
}

const Bytes kOld = Text("the picture that was there before, longer than the new one");
const Bytes kNew = Text("new bytes");

// ---- Failures ---------------------------------------------------------------

// Each case prepares a folder holding target.bmp with kOld, makes the write
// impossible in its own way, and undoes that afterwards.
struct FailureCase {
  const char* what;
  // Returns the path to write to; may set up obstacles.
  std::string (*prepare)(const TempFolder& folder, HANDLE* held);
};

std::string TargetOf(const TempFolder& folder) { return folder.File("target.bmp"); }

HANDLE Hold(const std::string& path, DWORD access, DWORD share) {
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
  return h;
}

const FailureCase kFailures[] = {
    {"empty path", [](const TempFolder&, HANDLE*) { return std::string(); }},
    {"held open exclusively by another handle",
     [](const TempFolder& f, HANDLE* held) {
       *held = Hold(TargetOf(f), GENERIC_READ, 0);
       return TargetOf(f);
     }},
    {"held open for reading by another program that shares everything",
     [](const TempFolder& f, HANDLE* held) {
       *held = Hold(TargetOf(f), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
       return TargetOf(f);
     }},
    {"held open for writing by another program",
     [](const TempFolder& f, HANDLE* held) {
       *held = Hold(TargetOf(f), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
       return TargetOf(f);
     }},
    {"read-only target",
     [](const TempFolder& f, HANDLE*) {
       SetFileAttributesA(TargetOf(f).c_str(), FILE_ATTRIBUTE_READONLY);
       return TargetOf(f);
     }},
    {"target is a folder",
     [](const TempFolder& f, HANDLE*) {
       CreateDirectoryA(f.File("folder.bmp").c_str(), nullptr);
       return f.File("folder.bmp");
     }},
    {"path ends in a backslash", [](const TempFolder& f, HANDLE*) { return f.path() + "\\"; }},
    {"missing folder",
     [](const TempFolder& f, HANDLE*) { return f.File("no such folder\\target.bmp"); }},
    {"a name that cannot be", [](const TempFolder& f, HANDLE*) { return f.File("a|b?.bmp"); }},
    {"a path longer than the platform takes",
     [](const TempFolder& f, HANDLE*) { return f.File(std::string(300, 'x') + ".bmp"); }},
};

TEST(WriteBytesToFile, EachFailureGivesFalseAndLeavesTheOldFileAsItWas) {
  for (const auto& c : kFailures) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(TargetOf(folder), kOld));
    HANDLE held = INVALID_HANDLE_VALUE;
    const std::string path = c.prepare(folder, &held);
    const std::vector<std::string> before = folder.Entries();

    EXPECT_FALSE(WriteBytesToFile(path.c_str(), Block(kNew)));

    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    SetFileAttributesA(TargetOf(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Contents(TargetOf(folder)), kOld);
    EXPECT_EQ(folder.Entries(), before) << "a file was created or left behind";
  }
}

TEST(WriteBytesToFile, ANullPathGivesFalse) {
  EXPECT_FALSE(WriteBytesToFile(nullptr, Block(kNew)));
}

TEST(WriteBytesToFile, AFolderInThePlaceOfTheTargetStaysAFolder) {
  TempFolder folder;
  const std::string path = folder.File("picture.bmp");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(path + "\\inside.txt", kOld));
  EXPECT_FALSE(WriteBytesToFile(path.c_str(), Block(kNew)));
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Contents(path + "\\inside.txt"), kOld);
}

TEST(WriteBytesToFile, AReadOnlyTargetStaysReadOnly) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(TargetOf(folder), kOld));
  ASSERT_TRUE(SetFileAttributesA(TargetOf(folder).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WriteBytesToFile(TargetOf(folder).c_str(), Block(kNew)));
  EXPECT_TRUE(GetFileAttributesA(TargetOf(folder).c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(TargetOf(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Small filesystems made for these tests by scripts/fault-mounts.sh: a full
// disk and a read-only one. Without them (not root) these tests skip.
std::string FaultFolder(const char* name) {
  const char* root = std::getenv("PICJOIN_FAULT_DIR");
  if (root == nullptr || root[0] == '\0') return std::string();
  const std::string folder = std::string(root) + "\\" + name;
  const DWORD a = GetFileAttributesA(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
  return folder;
}


TEST(WriteBytesToFile, AFullDiskGivesFalseAndKeepsTheOldFile) {
  const std::string folder = FaultFolder("full");
  if (folder.empty()) GTEST_SKIP() << "no full-disk filesystem (PICJOIN_FAULT_DIR)";
  const std::string target = folder + "\\existing.bmp";
  const Bytes old(20000, 0x5A);
  ASSERT_TRUE(WriteFileBytes(target, old));
  const std::vector<std::string> before = FolderEntries(folder);
  const Bytes large(200000, 0xA5);  // more than the disk has left
  EXPECT_FALSE(WriteBytesToFile(target.c_str(), Block(large)));
  EXPECT_EQ(Contents(target), old);
  EXPECT_EQ(FolderEntries(folder), before) << "a partly written file was left behind";
  EXPECT_FALSE(WriteBytesToFile((folder + "\\new.bmp").c_str(), Block(large)));
  EXPECT_EQ(FolderEntries(folder), before);
  DeleteFileA(target.c_str());
}

TEST(WriteBytesToFile, AReadOnlyDiskGivesFalseAndKeepsTheOldFile) {
  const std::string folder = FaultFolder("readonly");
  if (folder.empty()) GTEST_SKIP() << "no read-only filesystem (PICJOIN_FAULT_DIR)";
  const std::string target = folder + "\\existing.bmp";
  Bytes old;
  ASSERT_TRUE(ReadFileBytes(target, &old));
  EXPECT_FALSE(WriteBytesToFile(target.c_str(), Block(kNew)));
  EXPECT_FALSE(WriteBytesToFile((folder + "\\new.bmp").c_str(), Block(kNew)));
  EXPECT_EQ(Contents(target), old);
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"existing.bmp"});
}

// ---- Successes --------------------------------------------------------------

TEST(WriteBytesToFile, WritesANewFileWithExactlyTheBytes) {
  TempFolder folder;
  EXPECT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), Block(kNew)));
  EXPECT_EQ(Contents(TargetOf(folder)), kNew);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"target.bmp"});
}

TEST(WriteBytesToFile, ReplacesALongerFileCompletely) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(TargetOf(folder), kOld));
  EXPECT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), Block(kNew)));
  EXPECT_EQ(Contents(TargetOf(folder)), kNew);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"target.bmp"});
}

TEST(WriteBytesToFile, AnEmptyBlockGivesAnEmptyFile) {
  TempFolder folder;
  EXPECT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), Block({})));
  ASSERT_TRUE(FileExists(TargetOf(folder)));
  EXPECT_TRUE(Contents(TargetOf(folder)).empty());
  // Also over an existing file.
  ASSERT_TRUE(WriteFileBytes(folder.File("old.bmp"), kOld));
  EXPECT_TRUE(WriteBytesToFile(folder.File("old.bmp").c_str(), ByteBlock()));
  EXPECT_TRUE(Contents(folder.File("old.bmp")).empty());
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"old.bmp", "target.bmp"}));
}

TEST(WriteBytesToFile, SeveralBlocksFollowOneAnotherInOrder) {
  TempFolder folder;
  const ByteBlock a = Block(Text("first,")), empty = Block({}), b = Block(Text("second"));
  const ByteBlock* blocks[] = {&a, &empty, nullptr, &b};
  EXPECT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), blocks, 4));
  EXPECT_EQ(Contents(TargetOf(folder)), Text("first,second"));
  EXPECT_TRUE(WriteBytesToFile(folder.File("none.bmp").c_str(), blocks, 0));
  EXPECT_TRUE(Contents(folder.File("none.bmp")).empty());
}

TEST(WriteBytesToFile, ABlockLargerThanOneWriteArrivesWhole) {
  TempFolder folder;
  Bytes large(9u << 20);  // more than two pieces of the writer's 4 MiB
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  EXPECT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), Block(large)));
  EXPECT_EQ(Contents(TargetOf(folder)), large);
}

TEST(WriteBytesToFile, TheWrittenFileIsFreeForOthersAtOnce) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytesToFile(TargetOf(folder).c_str(), Block(kNew)));
  HANDLE exclusive = CreateFileA(TargetOf(folder).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
  EXPECT_TRUE(DeleteFileA(TargetOf(folder).c_str()));
}

TEST(WriteBytesToFile, RelativeAndForwardSlashPathsWork) {
  TempFolder folder;
  char before[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
  const bool relative = WriteBytesToFile("relative.bmp", Block(kNew));
  SetCurrentDirectoryA(before);
  EXPECT_TRUE(relative);
  EXPECT_EQ(Contents(folder.File("relative.bmp")), kNew);

  std::string slashed = folder.File("slashed.bmp");
  for (char& ch : slashed) {
    if (ch == '\\') ch = '/';
  }
  EXPECT_TRUE(WriteBytesToFile(slashed.c_str(), Block(kNew)));
  EXPECT_EQ(Contents(folder.File("slashed.bmp")), kNew);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"relative.bmp", "slashed.bmp"}));
}

TEST(WriteBytesToFile, AChineseFileNameInTheAnsiCodePage) {
  TempFolder folder;
  const std::string path = folder.File("\xC6\xB4\xBD\xD3.bmp");  // 拼接 in GBK
  // Wine stores names in the Unix locale's character set; without that
  // locale on the machine no Chinese name can be made at all.
  const std::wstring wide = Utf8ToWide(folder.path()) + L"\\\u62fc.probe";
  HANDLE probe = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this system cannot make Chinese file names";
  CloseHandle(probe);
  EXPECT_TRUE(WriteBytesToFile(path.c_str(), Block(kNew)));
  EXPECT_EQ(Contents(path), kNew);
  EXPECT_EQ(folder.Entries().size(), 1u);
}

}  // namespace
}  // namespace picjoin::testing
