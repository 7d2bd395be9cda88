// The join's speed, phase by phase, and the process's peak memory.
//
//   join_bench FIRST SECOND h|v RUNS OUT REPORT
//
// Runs the join command's own code path RUNS times on the two pictures,
// without its dialogs: LoadPicture twice, PictureWidth/PictureHeight and
// JoinGeometry (offset 0), the canvas's width and height, Clear, two
// DrawPictures, UnloadPicture twice, ExportBitmap and WriteBytesToFile to
// OUT. Each run gets a fresh hidden canvas of the layout's size (56 x 32) on
// a hidden window of its own, as the first join after start-up finds it;
// making and destroying it and removing OUT lie outside the timed phases.
//
// REPORT gets "key=value" lines: the build measured, the joined size, every
// run's phase times, their medians, and the peak memory from
// GetProcessMemoryInfo (the process's peak: scripts/bench.sh runs one join a process).
// Exit code 0 when every run produced a complete file.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "canvas/bmp_file_image.h"
#include "canvas/win/draw_panel.h"
#include "join/join_geometry.h"
#include "picture/win/picture_registry.h"

namespace {

using picjoin::Arrangement;
using picjoin::DrawPanel;
using picjoin::DrawPanelSettings;
using picjoin::PictureId;

#if defined(_WIN64)
constexpr char kBuild[] = "x86_64";
#else
constexpr char kBuild[] = "i686";
#endif

// The phases, in the order the join runs them. "write" includes releasing
// the exported file image, which the join does when it returns.
enum Phase { kLoad1, kLoad2, kGeometry, kResize, kClear, kDraw1, kDraw2, kUnload, kExport, kWrite,
             kTotal, kPhaseCount };
const char* const kPhaseNames[kPhaseCount] = {"load1", "load2", "geometry", "resize", "clear", "draw1",
                                              "draw2", "unload", "export", "write", "total"};

class Clock {
 public:
  Clock() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    msPerTick_ = 1000.0 / static_cast<double>(f.QuadPart);
  }
  long long Now() const {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
  }
  double Ms(long long from, long long to) const { return static_cast<double>(to - from) * msPerTick_; }

 private:
  double msPerTick_ = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

HWND MakeHiddenParent() {
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PicjoinBenchParent";
  RegisterClassA(&wc);
  // Top-level, never shown: the canvas's parent, as MainWindow is the app's.
  return CreateWindowExA(0, wc.lpszClassName, "join_bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

DrawPanelSettings CanvasSettings() {
  DrawPanelSettings s;
  s.border = 0;
  s.backColor = 0x00FFFFFFu;
  s.autoRedraw = 1;
  s.drawUnit = 0;
  s.brushColor = 0x00FFFFFFu;
  s.textBackColor = picjoin::kColorDefault;
  return s;
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS m;
  std::memset(&m, 0, sizeof m);
  m.cb = sizeof m;
  GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
  return m;
}

bool FileSize(const char* path, unsigned long long* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

struct RunResult {
  double ms[kPhaseCount];
  int32_t width, height;
  bool ok;
};

RunResult RunOnce(HWND parent, const char* first, const char* second, Arrangement arrangement,
                  const char* out, const Clock& clock) {
  RunResult r;
  std::memset(&r, 0, sizeof r);
  DeleteFileA(out);
  DrawPanel canvas;
  if (!canvas.Create(parent, 384, 136, 56, 32, CanvasSettings(), false)) {
    std::fprintf(stderr, "join_bench: cannot create the canvas\n");
    return r;
  }

  long long t[kPhaseCount + 1];
  t[0] = clock.Now();
  const PictureId id1 = picjoin::LoadPicture(first);
  t[1] = clock.Now();
  const PictureId id2 = picjoin::LoadPicture(second);
  t[2] = clock.Now();
  if (id1 == 0 || id2 == 0) {
    std::fprintf(stderr, "join_bench: cannot load %s\n", id1 == 0 ? first : second);
    picjoin::UnloadPicture(id1);
    picjoin::UnloadPicture(id2);
    return r;
  }
  const int32_t w1 = picjoin::PictureWidth(canvas, id1), h1 = picjoin::PictureHeight(canvas, id1);
  const int32_t w2 = picjoin::PictureWidth(canvas, id2), h2 = picjoin::PictureHeight(canvas, id2);
  const picjoin::JoinLayout layout = picjoin::JoinGeometry(arrangement, w1, h1, w2, h2, 0);
  t[3] = clock.Now();
  canvas.SetWidth(layout.width);
  canvas.SetHeight(layout.height);
  t[4] = clock.Now();
  canvas.Clear();
  t[5] = clock.Now();
  canvas.DrawPicture(id1, 0, 0);
  t[6] = clock.Now();
  canvas.DrawPicture(id2, layout.x2, layout.y2);
  t[7] = clock.Now();
  picjoin::UnloadPicture(id1);
  picjoin::UnloadPicture(id2);
  t[8] = clock.Now();
  bool wrote = false;
  size_t bytes = 0;
  {
    picjoin::ByteBlock image = canvas.ExportBitmap();
    t[9] = clock.Now();
    bytes = image.size();
    wrote = !image.empty() && picjoin::WriteBytesToFile(out, image);
  }
  t[10] = clock.Now();

  for (int p = 0; p < kTotal; ++p) r.ms[p] = clock.Ms(t[p], t[p + 1]);
  r.ms[kTotal] = clock.Ms(t[0], t[10]);
  r.width = layout.width;
  r.height = layout.height;
  unsigned long long onDisk = 0;
  const size_t expected = picjoin::Bmp24FileBytes(layout.width, layout.height);
  r.ok = wrote && bytes == expected && FileSize(out, &onDisk) && onDisk == expected;
  if (!r.ok) {
    std::fprintf(stderr, "join_bench: export or write failed (%zu bytes, expected %zu)\n", bytes,
                 expected);
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 || (std::strcmp(argv[3], "h") != 0 && std::strcmp(argv[3], "v") != 0)) {
    std::fprintf(stderr, "usage: join_bench FIRST SECOND h|v RUNS OUT REPORT\n");
    return 2;
  }
  const char* first = argv[1];
  const char* second = argv[2];
  const Arrangement arrangement = argv[3][0] == 'h' ? Arrangement::Horizontal : Arrangement::Vertical;
  const int runs = std::max(1, std::atoi(argv[4]));
  const char* out = argv[5];
  FILE* report = std::fopen(argv[6], "wb");  // "b": plain \n line ends
  if (report == nullptr) {
    std::fprintf(stderr, "join_bench: cannot write %s\n", argv[6]);
    return 2;
  }

  const Clock clock;
  HWND parent = MakeHiddenParent();
  if (parent == nullptr) {
    std::fprintf(stderr, "join_bench: cannot create the parent window\n");
    return 1;
  }
  const PROCESS_MEMORY_COUNTERS before = Memory();

  std::fprintf(report, "build=%s\n", kBuild);
  std::vector<std::vector<double>> samples(kPhaseCount);
  bool ok = true;
  for (int i = 0; i < runs && ok; ++i) {
    const RunResult r = RunOnce(parent, first, second, arrangement, out, clock);
    ok = r.ok;
    if (!ok) break;
    if (i == 0) {
      std::fprintf(report, "width=%d\nheight=%d\nbytes=%zu\n", r.width, r.height,
                   picjoin::Bmp24FileBytes(r.width, r.height));
    }
    std::fprintf(report, "run=%d", i + 1);
    for (int p = 0; p < kPhaseCount; ++p) {
      std::fprintf(report, " %s=%.3f", kPhaseNames[p], r.ms[p]);
      samples[p].push_back(r.ms[p]);
    }
    std::fprintf(report, "\n");
  }
  if (ok) {
    std::fprintf(report, "runs=%d\n", runs);
    for (int p = 0; p < kPhaseCount; ++p) {
      std::fprintf(report, "median_%s=%.3f\n", kPhaseNames[p], Median(samples[p]));
    }
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::fprintf(report, "start_working_set=%llu\n", static_cast<unsigned long long>(before.WorkingSetSize));
    std::fprintf(report, "start_pagefile=%llu\n", static_cast<unsigned long long>(before.PagefileUsage));
    std::fprintf(report, "peak_working_set=%llu\n", static_cast<unsigned long long>(after.PeakWorkingSetSize));
    std::fprintf(report, "peak_pagefile=%llu\n", static_cast<unsigned long long>(after.PeakPagefileUsage));
  }
  std::fprintf(report, "ok=%d\n", ok ? 1 : 0);
  std::fclose(report);
  DestroyWindow(parent);
  return ok ? 0 : 1;
}
