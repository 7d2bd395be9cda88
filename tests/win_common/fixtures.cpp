#include "tests/win_common/fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include <jpeglib.h>

namespace picjoin::testing {

namespace {

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

uint32_t Get16(const Bytes& b, size_t at) { return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8; }

size_t Stride(int32_t width, int bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

// The 40-byte BITMAPINFOHEADER, as little-endian bytes.
Bytes InfoHeader(int32_t width, int32_t height, uint16_t bits, uint32_t imageBytes,
                 uint32_t colorsUsed) {
  Bytes h(40, 0);
  Put32(h, 0, 40);
  Put32(h, 4, static_cast<uint32_t>(width));
  Put32(h, 8, static_cast<uint32_t>(height));
  Put16(h, 12, 1);
  Put16(h, 14, bits);
  Put32(h, 20, imageBytes);
  Put32(h, 32, colorsUsed);
  return h;
}

void PutPixel24(uint8_t* p, uint32_t rgb) {
  p[0] = static_cast<uint8_t>(rgb);        // blue
  p[1] = static_cast<uint8_t>(rgb >> 8);   // green
  p[2] = static_cast<uint8_t>(rgb >> 16);  // red
}

// 0x00RRGGBB from blue, green, red bytes.
uint32_t FromBgr(const uint8_t* p) { return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]; }

}  // namespace

Rgb::Rgb(int32_t w, int32_t h, uint32_t fill)
    : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

void Rgb::Paste(const Rgb& picture, int32_t x, int32_t y) {
  for (int32_t py = 0; py < picture.height; ++py) {
    const int64_t ty = int64_t{y} + py;
    if (ty < 0 || ty >= height) continue;
    for (int32_t px = 0; px < picture.width; ++px) {
      const int64_t tx = int64_t{x} + px;
      if (tx < 0 || tx >= width) continue;
      At(static_cast<int32_t>(tx), static_cast<int32_t>(ty)) = picture.At(px, py);
    }
  }
}

Rgb Pattern(int32_t width, int32_t height, uint32_t seed) {
  Rgb p(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t r = (x * 7 + seed * 31) & 0xFF;
      const uint32_t g = (y * 11 + seed * 17) & 0xFF;
      const uint32_t b = ((x ^ y) * 5 + seed * 3 + 1) & 0xFF;
      p.At(x, y) = r << 16 | g << 8 | b;
    }
  }
  return p;
}

Rgb Solid(int32_t width, int32_t height, uint32_t color) { return Rgb(width, height, color); }

Bytes Bmp24File(const Rgb& picture, bool topDown) {
  const size_t stride = Stride(picture.width, 24);
  const size_t imageBytes = stride * picture.height;
  Bytes file(54 + imageBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  Put32(file, 10, 54);
  const Bytes info = InfoHeader(picture.width, topDown ? -picture.height : picture.height, 24,
                                static_cast<uint32_t>(imageBytes), 0);
  std::copy(info.begin(), info.end(), file.begin() + 14);
  for (int32_t y = 0; y < picture.height; ++y) {
    const int32_t stored = topDown ? y : picture.height - 1 - y;
    uint8_t* row = file.data() + 54 + stride * stored;
    for (int32_t x = 0; x < picture.width; ++x) PutPixel24(row + 3 * x, picture.At(x, y));
  }
  return file;
}

Bytes ExpectedBmpImage(const Rgb& picture) { return Bmp24File(picture, false); }

::testing::AssertionResult ReadBmpImage(const Bytes& image, Rgb* picture) {
  if (image.size() < 54) return ::testing::AssertionFailure() << "only " << image.size() << " bytes";
  if (image[0] != 'B' || image[1] != 'M') return ::testing::AssertionFailure() << "no BM signature";
  const int32_t width = static_cast<int32_t>(Get32(image, 18));
  const int32_t height = static_cast<int32_t>(Get32(image, 22));
  if (Get32(image, 10) != 54 || Get32(image, 14) != 40 || Get16(image, 26) != 1 ||
      Get16(image, 28) != 24 || Get32(image, 30) != 0 || width <= 0 || height <= 0) {
    return ::testing::AssertionFailure() << "not a plain 24-bit bottom-up header";
  }
  const size_t stride = Stride(width, 24);
  if (image.size() != 54 + stride * height || Get32(image, 2) != image.size() ||
      Get32(image, 34) != stride * height) {
    return ::testing::AssertionFailure() << "sizes do not agree: " << image.size() << " bytes for "
                                         << width << "x" << height;
  }
  *picture = Rgb(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = image.data() + 54 + stride * (height - 1 - y);
    for (int32_t x = 0; x < width; ++x) picture->At(x, y) = FromBgr(row + 3 * x);
  }
  return ::testing::AssertionSuccess();
}

std::string Hex(uint32_t color) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(color));
  return text;
}

::testing::AssertionResult SamePixels(const Rgb& actual, const Rgb& expected) {
  if (actual.width != expected.width || actual.height != expected.height) {
    return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height
                                         << ", expected " << expected.width << "x"
                                         << expected.height;
  }
  size_t differing = 0;
  std::ostringstream first;
  for (int32_t y = 0; y < actual.height; ++y) {
    for (int32_t x = 0; x < actual.width; ++x) {
      if (actual.At(x, y) == expected.At(x, y)) continue;
      if (differing++ == 0) {
        first << "pixel (" << x << ", " << y << ") is " << Hex(actual.At(x, y)) << ", expected "
              << Hex(expected.At(x, y));
      }
    }
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixels differ; first: " << first.str();
}

::testing::AssertionResult SameBmpImage(const Bytes& actual, const Bytes& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure() << actual.size() << " bytes, expected " << expected.size();
  }
  for (size_t i = 0; i < 54; ++i) {
    if (actual[i] != expected[i]) {
      return ::testing::AssertionFailure() << "header byte " << i << " is " << int{actual[i]}
                                           << ", expected " << int{expected[i]};
    }
  }
  Rgb a, e;
  auto read = ReadBmpImage(actual, &a);
  if (!read) return read;
  read = ReadBmpImage(expected, &e);
  if (!read) return read;
  return SamePixels(a, e);
}

Bytes IconImageBytes(const IconPicture& picture) {
  const Rgb& c = picture.colors;
  const int bits = picture.bitsPerPixel;
  std::vector<uint32_t> table;
  std::map<uint32_t, uint32_t> index;
  if (bits <= 8) {
    // Black first: transparent pixels take index 0, and only black leaves
    // the screen as it is under a set mask bit.
    index[0] = 0;
    table.push_back(0);
    for (uint32_t color : c.pixels) {
      if (index.count(color) == 0) {
        index[color] = static_cast<uint32_t>(table.size());
        table.push_back(color);
      }
    }
    table.resize(size_t{1} << bits, 0);
  }
  const size_t colorStride = Stride(c.width, bits);
  const size_t maskStride = Stride(c.width, 1);
  Bytes image = InfoHeader(c.width, 2 * c.height, static_cast<uint16_t>(bits),
                           static_cast<uint32_t>((colorStride + maskStride) * c.height), 0);
  for (uint32_t color : table) {
    const uint8_t entry[4] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                              static_cast<uint8_t>(color >> 16), 0};
    image.insert(image.end(), entry, entry + 4);
  }
  const size_t colorStart = image.size();
  image.resize(colorStart + colorStride * c.height + maskStride * c.height, 0);
  const size_t maskStart = colorStart + colorStride * c.height;
  for (int32_t y = 0; y < c.height; ++y) {
    uint8_t* row = image.data() + colorStart + colorStride * (c.height - 1 - y);
    uint8_t* mask = image.data() + maskStart + maskStride * (c.height - 1 - y);
    for (int32_t x = 0; x < c.width; ++x) {
      const size_t i = static_cast<size_t>(y) * c.width + x;
      const bool clear = !picture.transparent.empty() && picture.transparent[i];
      if (clear) mask[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      // Transparent pixels are black in the colour image: screen AND 1 XOR 0.
      const uint32_t color = clear ? 0 : c.At(x, y);
      if (bits <= 8) {
        const uint32_t v = clear ? 0 : index[color];
        const int shift = 8 - bits - (x * bits) % 8;
        row[x * bits / 8] |= static_cast<uint8_t>(v << shift);
      } else {
        uint8_t* p = row + x * (bits / 8);
        PutPixel24(p, color);
        if (bits == 32) p[3] = clear ? 0 : 0xFF;
      }
    }
  }
  return image;
}

IconDirEntry IconEntryFor(const IconPicture& picture) {
  IconDirEntry e;
  e.width = static_cast<uint8_t>(picture.colors.width);
  e.height = static_cast<uint8_t>(picture.colors.height);
  e.colourCount = picture.bitsPerPixel < 8 ? static_cast<uint8_t>(1u << picture.bitsPerPixel) : 0;
  e.planesOrHotX = 1;
  e.bitCountOrHotY = picture.bitsPerPixel;
  e.image = IconImageBytes(picture);
  return e;
}

Bytes IconFile(uint16_t type, const std::vector<IconDirEntry>& entries) {
  Bytes file(6 + 16 * entries.size(), 0);
  Put16(file, 2, type);
  Put16(file, 4, static_cast<uint32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconDirEntry& e = entries[i];
    const size_t at = 6 + 16 * i;
    file[at] = e.width;
    file[at + 1] = e.height;
    file[at + 2] = e.colourCount;
    Put16(file, at + 4, e.planesOrHotX);
    Put16(file, at + 6, e.bitCountOrHotY);
    Put32(file, at + 8, static_cast<uint32_t>(e.image.size()));
    Put32(file, at + 12, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), e.image.begin(), e.image.end());
  }
  return file;
}

Bytes JpegFile(const Rgb& picture, int quality, bool grey, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(picture.width) * 3);
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint32_t c = picture.At(x, y);
      if (grey) {
        row[x] = static_cast<JSAMPLE>(c & 0xFF);
      } else {
        row[3 * x] = static_cast<JSAMPLE>(c >> 16);
        row[3 * x + 1] = static_cast<JSAMPLE>(c >> 8);
        row[3 * x + 2] = static_cast<JSAMPLE>(c);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes file(out, out + outSize);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return file;
}

namespace {

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBig32(Bytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBig32(png, Crc32(png.data() + start, png.size() - start));
}

}  // namespace

Bytes PngFile(const Rgb& picture) {
  Bytes raw;  // filter byte 0, then red, green, blue for each pixel
  for (int32_t y = 0; y < picture.height; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint32_t c = picture.At(x, y);
      raw.push_back(static_cast<uint8_t>(c >> 16));
      raw.push_back(static_cast<uint8_t>(c >> 8));
      raw.push_back(static_cast<uint8_t>(c));
    }
  }
  Bytes z = {0x78, 0x01};  // zlib stream of stored deflate blocks
  for (size_t at = 0; at < raw.size() || at == 0;) {
    const size_t n = std::min<size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, b << 16 | a);

  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  PutBig32(ihdr, static_cast<uint32_t>(picture.width));
  PutBig32(ihdr, static_cast<uint32_t>(picture.height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PngChunk(png, "IHDR", ihdr);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", {});
  return png;
}

Rgb DecodeJpegForTest(const Bytes& file) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  Rgb picture(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height));
  const int components = cinfo.output_components;
  std::vector<JSAMPLE> row(static_cast<size_t>(cinfo.output_width) * components);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (int32_t x = 0; x < picture.width; ++x) {
      const JSAMPLE* s = row.data() + static_cast<size_t>(x) * components;
      picture.At(x, y) = components == 1 ? uint32_t{s[0]} * 0x010101u
                                         : uint32_t{s[0]} << 16 | uint32_t{s[1]} << 8 | s[2];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return picture;
}

namespace {

// The picture's colours as a 256-entry table in the order of first use
// (black beyond), and where each colour stands in it.
struct IndexedColours {
  std::vector<uint32_t> table;
  std::map<uint32_t, uint32_t> index;
};

IndexedColours IndexColours(const Rgb& picture) {
  IndexedColours colours;
  for (uint32_t color : picture.pixels) {
    if (colours.index.count(color) == 0) {
      colours.index[color] = static_cast<uint32_t>(colours.table.size());
      colours.table.push_back(color);
    }
  }
  colours.table.resize(256, 0);
  return colours;
}

// Red, green, blue bytes of each entry, as GIF and PCX tables store them.
void AppendRgbTable(Bytes& out, const std::vector<uint32_t>& table) {
  for (uint32_t c : table) {
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
}

}  // namespace

Bytes GifFile(const Rgb& picture, int32_t screenWidth, int32_t screenHeight, int32_t left,
              int32_t top) {
  const IndexedColours colours = IndexColours(picture);
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0xF7, 0, 0};  // 256-entry global table
  Put16(gif, 6, static_cast<uint32_t>(screenWidth));
  Put16(gif, 8, static_cast<uint32_t>(screenHeight));
  AppendRgbTable(gif, colours.table);
  Bytes descriptor(10, 0);
  descriptor[0] = 0x2C;
  Put16(descriptor, 1, static_cast<uint32_t>(left));
  Put16(descriptor, 3, static_cast<uint32_t>(top));
  Put16(descriptor, 5, static_cast<uint32_t>(picture.width));
  Put16(descriptor, 7, static_cast<uint32_t>(picture.height));
  gif.insert(gif.end(), descriptor.begin(), descriptor.end());
  gif.push_back(8);  // minimum code size: codes of 9 bits, clear 256, end 257

  // Every pixel its own code, with a clear code often enough that the
  // decoder's table never grows past 9-bit codes.
  Bytes packed;
  uint32_t bits = 0;
  int count = 0;
  auto emit = [&](uint32_t code) {
    bits |= code << count;
    count += 9;
    while (count >= 8) {
      packed.push_back(static_cast<uint8_t>(bits));
      bits >>= 8;
      count -= 8;
    }
  };
  int sinceClear = 0;
  emit(256);
  for (uint32_t color : picture.pixels) {
    if (sinceClear == 250) {
      emit(256);
      sinceClear = 0;
    }
    emit(colours.index.at(color));
    ++sinceClear;
  }
  emit(257);
  if (count > 0) packed.push_back(static_cast<uint8_t>(bits));
  for (size_t at = 0; at < packed.size(); at += 255) {
    const size_t n = std::min<size_t>(255, packed.size() - at);
    gif.push_back(static_cast<uint8_t>(n));
    gif.insert(gif.end(), packed.begin() + at, packed.begin() + at + n);
  }
  gif.push_back(0);     // end of the image data
  gif.push_back(0x3B);  // trailer
  return gif;
}

Bytes Pcx8File(const Rgb& picture) {
  const IndexedColours colours = IndexColours(picture);
  const size_t bytesPerLine = (static_cast<size_t>(picture.width) + 1) / 2 * 2;
  Bytes file(128, 0);
  file[0] = 10;
  file[1] = 5;
  file[2] = 1;
  file[3] = 8;
  Put16(file, 8, static_cast<uint32_t>(picture.width - 1));
  Put16(file, 10, static_cast<uint32_t>(picture.height - 1));
  file[65] = 1;
  Put16(file, 66, static_cast<uint32_t>(bytesPerLine));
  Put16(file, 68, 1);
  for (int32_t y = 0; y < picture.height; ++y) {
    for (size_t x = 0; x < bytesPerLine; ++x) {
      const uint8_t b = x < static_cast<size_t>(picture.width)
                            ? static_cast<uint8_t>(colours.index.at(picture.At(static_cast<int32_t>(x), y)))
                            : 0;
      if ((b & 0xC0) == 0xC0) file.push_back(0xC1);
      file.push_back(b);
    }
  }
  file.push_back(12);
  AppendRgbTable(file, colours.table);
  return file;
}

Bytes Pcx1File(int32_t width, int32_t height, const std::vector<Bytes>& rows) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  const size_t bytesPerLine = (rowBytes + 1) / 2 * 2;
  Bytes file(128, 0);
  file[0] = 10;  // ZSoft
  file[1] = 3;   // version 3: no palette of its own
  file[2] = 1;   // run-length coding
  file[3] = 1;   // bits per pixel
  Put16(file, 8, static_cast<uint32_t>(width - 1));
  Put16(file, 10, static_cast<uint32_t>(height - 1));
  Put16(file, 12, 72);
  Put16(file, 14, 72);
  file[65] = 1;  // planes
  Put16(file, 66, static_cast<uint32_t>(bytesPerLine));
  Put16(file, 68, 1);
  for (int32_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < bytesPerLine; ++i) {
      const uint8_t b = i < rows[y].size() ? rows[y][i] : 0;
      if ((b & 0xC0) == 0xC0) file.push_back(0xC1);  // a run of one
      file.push_back(b);
    }
  }
  return file;
}

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%spicjoin-test-%lu-%u", base,
                  static_cast<unsigned long>(GetCurrentProcessId()), ++counter);
    if (CreateDirectoryA(name, nullptr)) {
      path_ = name;
      return;
    }
  }
}

namespace {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::~TempFolder() { RemoveTree(path_); }

std::vector<std::string> TempFolder::Entries() const { return FolderEntries(path_); }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &wrote, nullptr) &&
                                    wrote == bytes.size());
  CloseHandle(file);
  return ok;
}

bool ReadFileBytes(const std::string& path, Bytes* bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = bytes->empty() ||
         (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) &&
          got == bytes->size());
  }
  CloseHandle(file);
  return ok;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DrawPanelSettings Canvas1Settings() {
  DrawPanelSettings s;
  s.border = 0;
  s.backColor = 0x00FFFFFFu;
  s.autoRedraw = 1;
  s.drawUnit = 0;
  s.brushColor = 0x00FFFFFFu;
  s.textBackColor = kColorDefault;
  return s;
}

CanvasHost::CanvasHost(const DrawPanelSettings& settings, bool visible) {
  parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 472, 271, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (parent_ == nullptr) return;
  if (visible) ShowWindow(parent_, SW_SHOWNOACTIVATE);
  ok_ = canvas_.Create(parent_, 384, 136, 56, 32, settings, visible);
}

CanvasHost::~CanvasHost() {
  canvas_.Destroy();
  if (parent_ != nullptr) DestroyWindow(parent_);
}

Rgb CanvasPixels(DrawPanel& canvas) {
  const ByteBlock block = canvas.ExportBitmap();
  const Bytes image(block.data(), block.data() + block.size());
  Rgb picture;
  EXPECT_TRUE(ReadBmpImage(image, &picture));
  return picture;
}

PictureId LoadFromBytes(const TempFolder& folder, const std::string& name, const Bytes& bytes) {
  const std::string path = folder.File(name);
  if (!WriteFileBytes(path, bytes)) {
    ADD_FAILURE() << "cannot write " << path;
    return 0;
  }
  return LoadPicture(path.c_str());
}

}  // namespace picjoin::testing
