// Writes one deterministic, photo-like test picture as a baseline 4:2:0
// JPEG of quality 90 and as a 24-bit BMP (native host tool, built with g++
// and the system's libjpeg).
//
//   gen_inputs OUT_PREFIX WIDTH HEIGHT SEED    ->  OUT_PREFIX.jpg, OUT_PREFIX.bmp
//
// Content: a sky-to-ground gradient split by a wavy horizon, several octaves
// of value noise (clouds, texture), hard-edged discs and boxes, and a little
// per-pixel grain. Features scale with the picture, the grain does not, so
// every size looks like a photo of the same scene and compresses like one.
// The same arguments always give the same bytes.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t Hash(uint32_t x) {  // a well-mixing 32-bit integer hash
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

uint32_t Hash3(uint32_t a, uint32_t b, uint32_t c) { return Hash(a ^ Hash(b ^ Hash(c))); }

float Unit(uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }  // [0, 1)

// Value noise on a lattice with one cell per `cell` pixels, smoothstep
// interpolated. The lattice is made once per picture; a lookup is cheap.
class ValueNoise {
 public:
  ValueNoise(int width, int height, float cell, uint32_t seed) : cell_(cell) {
    cols_ = static_cast<int>(width / cell) + 3;
    rows_ = static_cast<int>(height / cell) + 3;
    lattice_.resize(static_cast<size_t>(cols_) * rows_);
    for (int j = 0; j < rows_; ++j)
      for (int i = 0; i < cols_; ++i) lattice_[static_cast<size_t>(j) * cols_ + i] = Unit(Hash3(seed, i, j));
  }
  // Prepares the vertical part for one row.
  void SetRow(int y) {
    const float fy = y / cell_;
    row_ = static_cast<int>(fy);
    const float t = fy - row_;
    ty_ = t * t * (3 - 2 * t);
  }
  float At(int x) const {
    const float fx = x / cell_;
    const int i = static_cast<int>(fx);
    float t = fx - i;
    t = t * t * (3 - 2 * t);
    const float* a = &lattice_[static_cast<size_t>(row_) * cols_ + i];
    const float* b = a + cols_;
    const float top = a[0] + (a[1] - a[0]) * t;
    const float bottom = b[0] + (b[1] - b[0]) * t;
    return top + (bottom - top) * ty_;  // [0, 1)
  }

 private:
  float cell_;
  int cols_ = 0, rows_ = 0;
  std::vector<float> lattice_;
  int row_ = 0;
  float ty_ = 0;
};

struct Shape {
  bool disc;
  float cx, cy, rx, ry;  // pixels: centre and half sizes
  float r, g, b;
};

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); }

// Rows top-down, 3 bytes a pixel in R, G, B order.
std::vector<uint8_t> Render(int width, int height, uint32_t seed) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  const float scale = static_cast<float>(std::min(width, height));
  ValueNoise coarse(width, height, scale / 3.0f, seed * 7 + 1);
  ValueNoise medium(width, height, scale / 12.0f, seed * 7 + 2);
  ValueNoise fine(width, height, scale / 48.0f, seed * 7 + 3);
  ValueNoise finer(width, height, std::max(scale / 192.0f, 2.0f), seed * 7 + 4);
  ValueNoise tint(width, height, scale / 2.0f, seed * 7 + 5);
  // Texture of a few pixels (foliage, fabric): the same in pixels at every
  // size, like a camera's detail, so big pictures carry as many bits a pixel.
  ValueNoise detail(width, height, 3.0f, seed * 7 + 6);

  std::vector<Shape> shapes;
  for (uint32_t k = 0; k < 14; ++k) {
    const uint32_t h = Hash3(seed, 1000 + k, 0);
    Shape s;
    s.disc = (h & 1) != 0;
    s.cx = Unit(Hash3(seed, k, 1)) * width;
    s.cy = (0.35f + 0.65f * Unit(Hash3(seed, k, 2))) * height;
    s.rx = (0.03f + 0.12f * Unit(Hash3(seed, k, 3))) * scale;
    s.ry = s.disc ? s.rx : (0.03f + 0.12f * Unit(Hash3(seed, k, 4))) * scale;
    s.r = 40 + 200 * Unit(Hash3(seed, k, 5));
    s.g = 40 + 200 * Unit(Hash3(seed, k, 6));
    s.b = 40 + 200 * Unit(Hash3(seed, k, 7));
    shapes.push_back(s);
  }

  std::vector<float> horizon(width);
  for (int x = 0; x < width; ++x) {
    const float u = static_cast<float>(x) / width;
    horizon[x] = height * (0.42f + 0.05f * std::sin(6.2832f * (u * 1.7f + 0.13f * seed)) +
                           0.02f * std::sin(6.2832f * u * 5.3f));
  }

  for (int y = 0; y < height; ++y) {
    coarse.SetRow(y);
    medium.SetRow(y);
    fine.SetRow(y);
    finer.SetRow(y);
    tint.SetRow(y);
    detail.SetRow(y);
    const float v = static_cast<float>(y) / height;
    uint8_t* row = &rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      const float n = 0.5f * coarse.At(x) + 0.25f * medium.At(x) + 0.15f * fine.At(x) + 0.10f * finer.At(x);
      const float t = tint.At(x);
      float r, g, b;
      if (y < horizon[x]) {  // sky with clouds
        const float cloud = std::max(0.0f, n - 0.45f) * 2.2f;
        r = 90 + 60 * v + 150 * cloud;
        g = 140 + 50 * v + 110 * cloud;
        b = 215 + 25 * v + 20 * cloud;
      } else {  // ground: fields with texture
        const float d = (y - horizon[x]) / height;
        const float leaf = 60 * (detail.At(x) - 0.5f);
        r = 70 + 90 * t + 90 * n + 40 * d + leaf;
        g = 95 + 70 * (1 - t) + 80 * n + 1.2f * leaf;
        b = 40 + 40 * n + 30 * d + 0.5f * leaf;
      }
      // Sensor grain: a little, different in each channel.
      const uint32_t h = Hash3(seed, x, y);
      row[3 * x] = ToByte(r + static_cast<float>(static_cast<int>(h & 15) - 8));
      row[3 * x + 1] = ToByte(g + static_cast<float>(static_cast<int>((h >> 4) & 15) - 8));
      row[3 * x + 2] = ToByte(b + static_cast<float>(static_cast<int>((h >> 8) & 15) - 8));
    }
    // Hard-edged shapes, shaded by the noise so they are not flat.
    for (const Shape& s : shapes) {
      const float dy = (y + 0.5f - s.cy) / s.ry;
      if (dy < -1 || dy >= 1) continue;
      const float half = s.disc ? s.rx * std::sqrt(1 - dy * dy) : s.rx;
      const int x0 = std::max(0, static_cast<int>(std::ceil(s.cx - half - 0.5f)));
      const int x1 = std::min(width, static_cast<int>(std::ceil(s.cx + half - 0.5f)));
      for (int x = x0; x < x1; ++x) {
        const float shade = 0.7f + 0.5f * fine.At(x) + 0.2f * detail.At(x) +
                            0.03f * static_cast<int>(Hash3(seed, y, x) & 3);
        row[3 * x] = ToByte(s.r * shade);
        row[3 * x + 1] = ToByte(s.g * shade);
        row[3 * x + 2] = ToByte(s.b * shade);
      }
    }
  }
  return rgb;
}

bool WriteJpeg(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  // Baseline (sequential, Huffman, not optimised) with 4:2:0 chroma.
  c.optimize_coding = FALSE;
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 2;
  c.comp_info[1].h_samp_factor = c.comp_info[1].v_samp_factor = 1;
  c.comp_info[2].h_samp_factor = c.comp_info[2].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<size_t>(c.next_scanline) * width * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

void Put16(uint8_t* p, uint32_t v) { p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v & 0xFFFF); Put16(p + 2, v >> 16); }

bool WriteBmp(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t pixels = stride * height;
  uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<uint32_t>(54 + pixels));
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, width);
  Put32(header + 22, height);  // bottom-up
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<uint32_t>(pixels));
  Put32(header + 38, 2835);  // 72 dpi
  Put32(header + 42, 2835);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
  std::vector<uint8_t> row(stride, 0);
  for (int y = height - 1; ok && y >= 0; --y) {
    const uint8_t* src = &rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
    ok = std::fwrite(row.data(), 1, stride, f) == stride;
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s OUT_PREFIX WIDTH HEIGHT SEED\n", argv[0]);
    return 2;
  }
  const std::string prefix = argv[1];
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  const uint32_t seed = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  if (width < 16 || height < 16 || width > 30000 || height > 30000) {
    std::fprintf(stderr, "gen_inputs: size out of range\n");
    return 2;
  }
  const std::vector<uint8_t> rgb = Render(width, height, seed);
  // Written under temporary names and renamed, so a cache never holds half a file.
  const std::string jpg = prefix + ".jpg", bmp = prefix + ".bmp";
  if (!WriteJpeg(jpg + ".part", rgb, width, height) || !WriteBmp(bmp + ".part", rgb, width, height) ||
      std::rename((jpg + ".part").c_str(), jpg.c_str()) != 0 ||
      std::rename((bmp + ".part").c_str(), bmp.c_str()) != 0) {
    std::fprintf(stderr, "gen_inputs: cannot write %s.*\n", prefix.c_str());
    return 1;
  }
  return 0;
}
