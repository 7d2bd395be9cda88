// Nothing is kept by mistake: over a thousand loads, draws and unloads, and
// over hundreds of whole joins and canvases, the process's GDI objects,
// USER objects, kernel handles and memory come back to where they were.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "canvas/win/draw_panel.h"
#include "join/win/join_pictures.h"
#include "picture/win/picture_registry.h"
#include "tests/win_common/fixtures.h"

namespace picjoin::testing {
namespace {

// ---- Measures ---------------------------------------------------------------

// Wine answers GetGuiResources and GetProcessHandleCount with stubs. There
// the live objects are counted by asking about every handle value: GDI
// handles are indices into a table of 64K entries, kernel handles small
// multiples of 4.
bool GuiResourcesWork() {
  SetLastError(0);
  return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) != 0;
}

size_t GdiObjects() {
  if (GuiResourcesWork()) return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  size_t n = 0;
  for (uintptr_t i = 1; i < 0x10000; ++i) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
  }
  return n;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<size_t*>(count);
  return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND hwnd, LPARAM count) {
  ++*reinterpret_cast<size_t*>(count);
  EnumChildWindows(hwnd, &CountWindow, count);
  return TRUE;
}

size_t UserObjects() {
  if (GuiResourcesWork()) return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  // Windows are the USER objects left to count; under Wine an icon holds
  // GDI bitmaps, so a lost icon shows in the GDI count.
  size_t n = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWindowAndChildren, reinterpret_cast<LPARAM>(&n));
  return n;
}

size_t KernelHandles() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
  size_t n = 0;
  for (uintptr_t h = 4; h < 0x4000; h += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
  }
  return n;
}

// Bytes in use in every heap of the process (the C runtime's among them).
size_t HeapBytes() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  size_t total = 0;
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return total;
}

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
}

struct Usage {
  size_t gdi, user, handles, heap, privateBytes;
};

Usage Measure() { return {GdiObjects(), UserObjects(), KernelHandles(), HeapBytes(), PrivateBytes()}; }

// Runs `cycle` a few times to let first-use allocations settle, then
// `cycles` times, and compares. Each cycle allocates tens of kilobytes and
// gives them back, so a leak of it would exceed the allowances many times.
void ExpectNoLeak(const char* what, int cycles, const std::function<void(int)>& cycle) {
  for (int i = 0; i < 20; ++i) cycle(i);
  const Usage before = Measure();
  for (int i = 0; i < cycles; ++i) cycle(i);
  const Usage after = Measure();
  SCOPED_TRACE(what);
  // A few objects of slack for the platform's caches; a leak of one a cycle
  // is hundreds.
  EXPECT_LE(after.gdi, before.gdi + 8) << "GDI objects " << before.gdi << " -> " << after.gdi;
  EXPECT_LE(after.user, before.user + 2) << "USER objects " << before.user << " -> " << after.user;
  EXPECT_LE(after.handles, before.handles + 4)
      << "kernel handles " << before.handles << " -> " << after.handles;
  EXPECT_LE(after.heap, before.heap + (256u << 10))
      << "heap bytes " << before.heap << " -> " << after.heap;
  EXPECT_LE(after.privateBytes, before.privateBytes + (4u << 20))
      << "private bytes " << before.privateBytes << " -> " << after.privateBytes;
}

// ---- The measures themselves see leaks ----------------------------------------

TEST(LeakMeasures, SeeWhatIsLeftBehind) {
  const Usage before = Measure();
  std::vector<HBITMAP> bitmaps;
  std::vector<HANDLE> events;
  std::vector<void*> blocks;
  for (int i = 0; i < 50; ++i) {
    bitmaps.push_back(CreateBitmap(8, 8, 1, 1, nullptr));
    events.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    blocks.push_back(std::malloc(64 << 10));
  }
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  const Usage during = Measure();
  DestroyWindow(window);
  for (HBITMAP b : bitmaps) DeleteObject(b);
  for (HANDLE e : events) CloseHandle(e);
  for (void* p : blocks) std::free(p);
  EXPECT_GE(during.gdi, before.gdi + 50);
  EXPECT_GE(during.handles, before.handles + 50);
  EXPECT_GE(during.user, before.user + 1);
  EXPECT_GE(during.heap, before.heap + (50u * 64 << 10));
}

// ---- Pictures -----------------------------------------------------------------

struct Fixtures {
  TempFolder folder;
  std::vector<std::string> good, bad;
};

Fixtures& Files() {
  static Fixtures* f = [] {
    auto* files = new Fixtures;
    auto add = [&](std::vector<std::string>& list, const std::string& name, const Bytes& bytes) {
      const std::string path = files->folder.File(name);
      EXPECT_TRUE(WriteFileBytes(path, bytes));
      list.push_back(path);
    };
    IconPicture icon{Pattern(32, 32, 1), std::vector<bool>(32 * 32), 4};
    for (size_t i = 0; i < icon.transparent.size(); i += 3) icon.transparent[i] = true;
    add(files->good, "p.bmp", Bmp24File(Pattern(64, 48, 2)));
    add(files->good, "p.jpg", JpegFile(Pattern(64, 48, 3)));
    add(files->good, "p.ico", IconFile(1, {IconEntryFor(icon)}));
    add(files->good, "p.cur", IconFile(2, {IconEntryFor(icon)}));
    add(files->good, "p.gif", GifFile(Pattern(16, 16, 4), 20, 20));
    add(files->good, "p.pcx", Pcx1File(16, 2, {{0xF0, 0x0F}, {0xAA, 0x55}}));

    Bytes cutBmp = Bmp24File(Pattern(64, 48, 5));
    cutBmp.resize(cutBmp.size() / 2);
    Bytes cutJpeg = JpegFile(Pattern(64, 48, 6));
    cutJpeg.resize(200);  // headers only: libjpeg gives up with a long jump
    Bytes badIcon = IconFile(1, {IconEntryFor(icon)});
    badIcon[6 + 16 + 14] = 7;  // bits per pixel no icon is made of
    add(files->bad, "cut.bmp", cutBmp);
    add(files->bad, "cut.jpg", cutJpeg);
    add(files->bad, "junk.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 3, 0xFF, 0xFF, 0, 0});
    add(files->bad, "bad.ico", badIcon);
    add(files->bad, "five.bmp", {'B', 'M', 0, 0, 0});
    add(files->bad, "missing.bmp", {});
    DeleteFileA(files->bad.back().c_str());
    return files;
  }();
  return *f;
}

TEST(NoLeak, LoadingDrawingAndUnloadingAThousandTimes) {
  CanvasHost host;
  ASSERT_TRUE(host.ok());
  host.canvas().SetWidth(80);
  host.canvas().SetHeight(60);
  const auto& good = Files().good;
  ExpectNoLeak("good files", 1000, [&](int i) {
    const PictureId id = LoadPicture(good[i % good.size()].c_str());
    ASSERT_NE(id, 0u) << good[i % good.size()];
    host.canvas().Clear();
    host.canvas().DrawPicture(id, i % 7 - 3, i % 5 - 2);
    (void)host.canvas().ExportBitmap();
    UnloadPicture(id);
  });
  EXPECT_EQ(LoadedPictureCount(), 0u);
}

TEST(NoLeak, FailedLoadsAThousandTimes) {
  const auto& bad = Files().bad;
  ExpectNoLeak("files that fail", 1000, [&](int i) {
    const std::string& path = bad[i % bad.size()];
    EXPECT_EQ(LoadPicture(path.c_str()), 0u) << path;
  });
  EXPECT_EQ(LoadedPictureCount(), 0u);
}

TEST(NoLeak, FilesAreFreeAfterEveryLoad) {
  for (const auto* list : {&Files().good, &Files().bad}) {
    for (const std::string& path : *list) {
      const PictureId id = LoadPicture(path.c_str());
      HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      const DWORD error = GetLastError();
      if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
      EXPECT_TRUE(exclusive != INVALID_HANDLE_VALUE || error == ERROR_FILE_NOT_FOUND)
          << path << " still open, error " << error;
      UnloadPicture(id);
    }
  }
}

// ---- Canvases and joins -------------------------------------------------------

TEST(NoLeak, CanvasesMadeResizedExportedAndDestroyed) {
  const PictureId id = LoadPicture(Files().good[0].c_str());
  ASSERT_NE(id, 0u);
  ExpectNoLeak("canvases", 300, [&](int i) {
    ByteBlock kept;
    {
      CanvasHost host;
      ASSERT_TRUE(host.ok());
      host.canvas().SetWidth(100 + i % 13);
      host.canvas().SetHeight(40 + i % 11);
      host.canvas().DrawPicture(id, 5, 5);
      kept = host.canvas().ExportBitmap();
      // Drawing while the block is out makes the canvas copy its image.
      host.canvas().DrawPicture(id, 10, 0);
      host.canvas().SetWidth(0);
      if (i % 2) kept = ByteBlock();
    }
    // A block that outlives its canvas is released on its own.
  });
  UnloadPicture(id);
}

TEST(NoLeak, ACanvasTooLargeForItsImage) {
  CanvasHost host;
  ASSERT_TRUE(host.ok());
  ExpectNoLeak("failed allocations", 100, [&](int) {
    host.canvas().SetWidth(32627);
    host.canvas().SetHeight(32627);
    EXPECT_TRUE(host.canvas().ExportBitmap().empty());
    host.canvas().SetHeight(3);
  });
}

class QuietJoinWindow : public JoinWindow {
 public:
  std::string first, second, offset, out;
  bool horizontal = true, save = true;
  int messages = 0;
  std::string FirstPathText() override { return first; }
  std::string SecondPathText() override { return second; }
  std::string OffsetText() override { return offset; }
  bool HorizontalChecked() override { return horizontal; }
  DrawPanel& Canvas() override { return host.canvas(); }
  bool ShowSaveDialog() override { return save; }
  std::string SaveFileName() override { return out; }
  void ShowMessage(const std::string&, UINT) override { ++messages; }
  CanvasHost host;
};

TEST(NoLeak, WholeJoinsOfEveryOutcome) {
  QuietJoinWindow window;
  ASSERT_TRUE(window.host.ok());
  const auto& good = Files().good;
  const auto& bad = Files().bad;
  const std::string out = Files().folder.File("joined.bmp");
  ExpectNoLeak("joins", 300, [&](int i) {
    window.first = good[i % good.size()];
    window.second = good[(i / good.size()) % good.size()];
    window.offset = std::to_string(i % 40 - 20);
    window.horizontal = i % 2 == 0;
    window.out = out;
    window.save = i % 9 != 0;
    if (i % 5 == 0) window.first = bad[i % bad.size()];
    if (i % 7 == 0) window.second = bad[i % bad.size()];
    if (i % 11 == 0) window.out = Files().folder.File("no folder\\x.bmp");
    JoinPictures(window);
  });
  EXPECT_EQ(LoadedPictureCount(), 0u);
  DeleteFileA(out.c_str());
}

}  // namespace
}  // namespace picjoin::testing
