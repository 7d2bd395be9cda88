// Compares the pixels of two uncompressed BMP files (24 or 32 bits a pixel,
// bottom-up or top-down), ignoring headers, row padding and any alpha byte.
// Native host tool.
//
//   compare_bmp A.bmp B.bmp
//
// Prints "WIDTHxHEIGHT maxdiff=N differing=M" (M pixels have some channel
// that differs; N is the largest difference of one channel) and exits 0, or
// prints why the files cannot be compared and exits 1.
#include <sys/mman.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

struct Bmp {
  const uint8_t* pixels = nullptr;  // first stored row
  int64_t width = 0, height = 0;    // height > 0
  bool bottomUp = true;
  int bytesPerPixel = 3;
  size_t stride = 0;

  // Row y counted from the top.
  const uint8_t* Row(int64_t y) const {
    return pixels + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
  }
};

bool Open(const char* path, Bmp* bmp, std::string* why) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) { *why = std::string("cannot open ") + path; return false; }
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_size < 54) { close(fd); *why = std::string("too short: ") + path; return false; }
  const size_t size = static_cast<size_t>(st.st_size);
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (map == MAP_FAILED) { *why = std::string("cannot map ") + path; return false; }
  const auto* p = static_cast<const uint8_t*>(map);
  if (p[0] != 'B' || p[1] != 'M') { *why = std::string("not a BMP: ") + path; return false; }
  const uint32_t offset = Get32(p + 10), headerSize = Get32(p + 14);
  if (headerSize < 40) { *why = std::string("old BMP header: ") + path; return false; }
  const int32_t w = static_cast<int32_t>(Get32(p + 18)), h = static_cast<int32_t>(Get32(p + 22));
  const uint32_t bits = Get16(p + 28), compression = Get32(p + 30);
  if ((bits != 24 && bits != 32) || (compression != 0 && !(compression == 3 && bits == 32))) {
    *why = std::string("not 24/32-bit uncompressed: ") + path;
    return false;
  }
  bmp->width = w;
  bmp->height = h < 0 ? -static_cast<int64_t>(h) : h;
  bmp->bottomUp = h > 0;
  bmp->bytesPerPixel = static_cast<int>(bits / 8);
  bmp->stride = (static_cast<size_t>(w) * bits / 8 + 3) & ~static_cast<size_t>(3);
  bmp->pixels = p + offset;
  if (w <= 0 || bmp->height == 0 || offset + bmp->stride * static_cast<size_t>(bmp->height) > size) {
    *why = std::string("truncated or bad size: ") + path;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s A.bmp B.bmp\n", argv[0]);
    return 2;
  }
  Bmp a, b;
  std::string why;
  if (!Open(argv[1], &a, &why) || !Open(argv[2], &b, &why)) {
    std::printf("cannot compare: %s\n", why.c_str());
    return 1;
  }
  if (a.width != b.width || a.height != b.height) {
    std::printf("sizes differ: %lldx%lld vs %lldx%lld\n", static_cast<long long>(a.width),
                static_cast<long long>(a.height), static_cast<long long>(b.width),
                static_cast<long long>(b.height));
    return 1;
  }
  int maxDiff = 0;
  uint64_t differing = 0;
  for (int64_t y = 0; y < a.height; ++y) {
    const uint8_t* ra = a.Row(y);
    const uint8_t* rb = b.Row(y);
    for (int64_t x = 0; x < a.width; ++x) {
      const uint8_t* pa = ra + x * a.bytesPerPixel;
      const uint8_t* pb = rb + x * b.bytesPerPixel;
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(pa[c] - pb[c]);
        if (d > worst) worst = d;
      }
      if (worst != 0) {
        ++differing;
        if (worst > maxDiff) maxDiff = worst;
      }
    }
  }
  std::printf("%lldx%lld maxdiff=%d differing=%llu\n", static_cast<long long>(a.width),
              static_cast<long long>(a.height), maxDiff, static_cast<unsigned long long>(differing));
  return 0;
}
