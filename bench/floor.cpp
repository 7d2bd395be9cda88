// The floor: the least any join of two pictures must do, for comparison
// with the real join.
//
//   bench_floor FIRST SECOND OUT_BYTES RUNS OUT REPORT          the floor
//   bench_floor FIRST SECOND OUT_BYTES RUNS OUT REPORT h|v      "direct"
//
// The floor, per run: JPEG inputs (recognised by their first two bytes) are
// read into memory in one piece and decoded with the same libjpeg-turbo
// build as the product's (to blue, green, red, as the product asks), the
// scan lines thrown away; any other input is only read, in 1 MiB pieces.
// Then OUT is written with OUT_BYTES bytes in 1 MiB pieces.
//
// "Direct" (an extra reference, with the arrangement given): the least a
// join that holds its output in memory must do. It allocates the output's
// BMP file image, decodes each JPEG (or copies each 24-bit BMP's rows)
// straight into its place there, fills only what no picture covers with
// white, writes the image in 1 MiB pieces and frees it. Offset 0.
//
// Removing OUT before a run is not timed. REPORT gets "key=value" lines
// with every run and the medians.
#include <windows.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kPiece = 1u << 20;

#if defined(_WIN64)
constexpr char kBuild[] = "x86_64";
#else
constexpr char kBuild[] = "i686";
#endif

double g_msPerTick = 0;

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Ms(long long from, long long to) { return static_cast<double>(to - from) * g_msPerTick; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void Fail(const char* what, const char* path) {
  std::fprintf(stderr, "bench_floor: %s %s\n", what, path);
  std::exit(1);
}

HANDLE OpenForReading(const char* path) {
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) Fail("cannot open", path);
  return f;
}

bool IsJpeg(const char* path) {
  HANDLE f = OpenForReading(path);
  unsigned char head[2] = {0, 0};
  DWORD got = 0;
  ReadFile(f, head, 2, &got, nullptr);
  CloseHandle(f);
  return got == 2 && head[0] == 0xFF && head[1] == 0xD8;
}

// Reads to the end of `f` in 1 MiB pieces into `piece`, handing each piece
// to `use`.
template <typename Use>
void ReadPieces(HANDLE f, const char* path, std::vector<unsigned char>& piece, Use use) {
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(f, piece.data(), kPiece, &got, nullptr)) Fail("cannot read", path);
    if (got == 0) break;
    use(piece.data(), static_cast<size_t>(got));
  }
}

std::vector<unsigned char> ReadWhole(const char* path) {
  HANDLE f = OpenForReading(path);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(f, &size)) Fail("cannot size", path);
  std::vector<unsigned char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()) {
    Fail("cannot read", path);
  }
  CloseHandle(f);
  return bytes;
}

void ExitOnJpegError(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  std::fprintf(stderr, "bench_floor: libjpeg: %s\n", message);
  std::exit(1);
}

// A picture's size from its header (JPEG or 24-bit BMP).
struct Size {
  int32_t width, height;
};

uint32_t Get32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

Size PictureSize(const char* path, bool jpeg) {
  if (jpeg) {
    // The header is near the start: 64 KiB hold it in the files used here.
    HANDLE f = OpenForReading(path);
    std::vector<unsigned char> bytes(64 * 1024);
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.error_exit = ExitOnJpegError;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    const Size s{static_cast<int32_t>(cinfo.image_width), static_cast<int32_t>(cinfo.image_height)};
    jpeg_destroy_decompress(&cinfo);
    return s;
  }
  HANDLE f = OpenForReading(path);
  unsigned char h[54];
  DWORD got = 0;
  ReadFile(f, h, sizeof h, &got, nullptr);
  CloseHandle(f);
  const int32_t height = static_cast<int32_t>(Get32(h + 22));
  if (got != sizeof h || h[0] != 'B' || h[1] != 'M' || h[28] != 24 || Get32(h + 30) != 0 || height <= 0) {
    Fail("not a bottom-up 24-bit BMP:", path);
  }
  return Size{static_cast<int32_t>(Get32(h + 18)), height};
}

// Decodes the JPEG at `path`; row y (from the top) goes to row(y), or to a
// scratch buffer that is thrown away when `row` is null.
template <typename RowAt>
void DecodeJpeg(const char* path, RowAt row) {
  std::vector<unsigned char> bytes = ReadWhole(path);
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  err.error_exit = ExitOnJpegError;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  constexpr int kRows = 16;
  const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
  std::vector<unsigned char> scratch;
  if (row(0) == nullptr) scratch.resize(rowBytes * kRows);
  JSAMPROW pointers[kRows];
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION first = cinfo.output_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(kRows, cinfo.output_height - first);
    for (JDIMENSION i = 0; i < count; ++i) {
      unsigned char* target = row(static_cast<int32_t>(first + i));
      pointers[i] = target != nullptr ? target : scratch.data() + rowBytes * i;
    }
    if (jpeg_read_scanlines(&cinfo, pointers, count) == 0) Fail("truncated", path);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

void WriteBytes(const char* path, const unsigned char* data, size_t step, unsigned long long count) {
  HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) Fail("cannot create", path);
  while (count > 0) {
    const DWORD ask = static_cast<DWORD>(std::min<unsigned long long>(count, kPiece));
    DWORD wrote = 0;
    if (!WriteFile(f, data, ask, &wrote, nullptr) || wrote != ask) Fail("cannot write", path);
    count -= ask;
    data += step;
  }
  CloseHandle(f);
}

// The floor: decode or read both inputs, keep nothing, write OUT_BYTES.
void RunFloor(const char* const inputs[2], const bool jpeg[2], unsigned long long outBytes,
              const char* out, std::vector<unsigned char>& piece, long long t[4]) {
  t[0] = Now();
  for (int k = 0; k < 2; ++k) {
    if (jpeg[k]) DecodeJpeg(inputs[k], [](int32_t) -> unsigned char* { return nullptr; });
    else {
      HANDLE f = OpenForReading(inputs[k]);
      ReadPieces(f, inputs[k], piece, [](const unsigned char*, size_t) {});
      CloseHandle(f);
    }
    t[k + 1] = Now();
  }
  WriteBytes(out, piece.data(), 0, outBytes);
  t[3] = Now();
}

void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Direct: each picture straight into its place in the output's file image.
void RunDirect(const char* const inputs[2], const bool jpeg[2], bool horizontal,
               unsigned long long outBytes, const char* out, std::vector<unsigned char>& piece,
               long long t[4]) {
  t[0] = Now();
  const Size s1 = PictureSize(inputs[0], jpeg[0]), s2 = PictureSize(inputs[1], jpeg[1]);
  const int32_t w = horizontal ? s1.width + s2.width : std::max(s1.width, s2.width);
  const int32_t h = horizontal ? std::max(s1.height, s2.height) : s1.height + s2.height;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t bytes = 54 + stride * static_cast<size_t>(h);
  if (bytes != outBytes) Fail("the joined size differs from OUT_BYTES for", inputs[0]);
  auto* image = static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (image == nullptr) Fail("no memory for the output of", inputs[0]);
  std::memset(image, 0, 54);
  image[0] = 'B';
  image[1] = 'M';
  Put32(image + 2, static_cast<uint32_t>(bytes));
  Put32(image + 10, 54);
  Put32(image + 14, 40);
  Put32(image + 18, static_cast<uint32_t>(w));
  Put32(image + 22, static_cast<uint32_t>(h));
  image[26] = 1;
  image[28] = 24;
  Put32(image + 34, static_cast<uint32_t>(stride * h));
  auto rowFromTop = [&](int32_t y) { return image + 54 + stride * static_cast<size_t>(h - 1 - y); };

  // Where no picture lies: white (row padding included).
  const int32_t x2 = horizontal ? s1.width : 0, y2 = horizontal ? 0 : s1.height;
  for (int32_t y = 0; y < h; ++y) {
    unsigned char* row = rowFromTop(y);
    int32_t from = 0;  // first column not yet accounted for
    if (y < s1.height) from = s1.width;
    if (y >= y2 && y < y2 + s2.height) {
      if (x2 > from) std::memset(row + 3 * from, 0xFF, 3 * static_cast<size_t>(x2 - from));
      from = std::max(from, x2 + s2.width);
    }
    std::memset(row + 3 * static_cast<size_t>(from), 0xFF, stride - 3 * static_cast<size_t>(from));
  }

  const Size sizes[2] = {s1, s2};
  const int32_t xs[2] = {0, x2}, ys[2] = {0, y2};
  for (int k = 0; k < 2; ++k) {
    if (jpeg[k]) {
      DecodeJpeg(inputs[k], [&](int32_t y) { return rowFromTop(ys[k] + y) + 3 * static_cast<size_t>(xs[k]); });
    } else {
      // A bottom-up 24-bit BMP: its rows, in file order, each copied once.
      HANDLE f = OpenForReading(inputs[k]);
      unsigned char head[54];
      DWORD got = 0;
      ReadFile(f, head, sizeof head, &got, nullptr);
      SetFilePointer(f, static_cast<LONG>(Get32(head + 10)), nullptr, FILE_BEGIN);
      const size_t fileStride = (static_cast<size_t>(sizes[k].width) * 3 + 3) & ~static_cast<size_t>(3);
      const size_t used = static_cast<size_t>(sizes[k].width) * 3;
      size_t offset = 0;  // within the pixel array
      ReadPieces(f, inputs[k], piece, [&](const unsigned char* p, size_t n) {
        for (size_t i = 0; i < n;) {
          const size_t rowIndex = offset / fileStride, inRow = offset % fileStride;
          if (rowIndex >= static_cast<size_t>(sizes[k].height)) return;
          const size_t take = std::min(n - i, fileStride - inRow);
          if (inRow < used) {
            const int32_t y = sizes[k].height - 1 - static_cast<int32_t>(rowIndex);
            std::memcpy(rowFromTop(ys[k] + y) + 3 * static_cast<size_t>(xs[k]) + inRow, p + i,
                        std::min(take, used - inRow));
          }
          i += take;
          offset += take;
        }
      });
      CloseHandle(f);
    }
    t[k + 1] = Now();
  }
  WriteBytes(out, image, kPiece, bytes);
  VirtualFree(image, 0, MEM_RELEASE);
  t[3] = Now();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 && !(argc == 8 && (std::strcmp(argv[7], "h") == 0 || std::strcmp(argv[7], "v") == 0))) {
    std::fprintf(stderr, "usage: bench_floor FIRST SECOND OUT_BYTES RUNS OUT REPORT [h|v]\n");
    return 2;
  }
  const char* inputs[2] = {argv[1], argv[2]};
  const unsigned long long outBytes = std::strtoull(argv[3], nullptr, 10);
  const int runs = std::max(1, std::atoi(argv[4]));
  const char* out = argv[5];
  const bool direct = argc == 8;
  const bool horizontal = direct && argv[7][0] == 'h';
  FILE* report = std::fopen(argv[6], "wb");  // "b": plain \n line ends
  if (report == nullptr) Fail("cannot write", argv[6]);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);

  std::vector<unsigned char> piece(kPiece, 0xFF);
  const bool jpeg[2] = {IsJpeg(inputs[0]), IsJpeg(inputs[1])};
  std::vector<double> in1, in2, write, total;
  std::fprintf(report, "build=%s\nmode=%s\n", kBuild, direct ? "direct" : "floor");
  for (int i = 0; i < runs; ++i) {
    DeleteFileA(out);
    long long t[4];
    if (direct) RunDirect(inputs, jpeg, horizontal, outBytes, out, piece, t);
    else RunFloor(inputs, jpeg, outBytes, out, piece, t);
    in1.push_back(Ms(t[0], t[1]));
    in2.push_back(Ms(t[1], t[2]));
    write.push_back(Ms(t[2], t[3]));
    total.push_back(Ms(t[0], t[3]));
    std::fprintf(report, "run=%d input1=%.3f input2=%.3f write=%.3f total=%.3f\n", i + 1, in1.back(),
                 in2.back(), write.back(), total.back());
  }
  std::fprintf(report, "runs=%d\nmedian_input1=%.3f\nmedian_input2=%.3f\nmedian_write=%.3f\nmedian_total=%.3f\nok=1\n",
               runs, Median(in1), Median(in2), Median(write), Median(total));
  std::fclose(report);
  return 0;
}
