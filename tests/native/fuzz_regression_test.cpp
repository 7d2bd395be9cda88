// Replays every input the fuzzers ever found trouble with (saved under
// fuzz/regressions/<harness>/): each must now decode or fail cleanly. Run in
// the sanitizer build, an out-of-bounds access fails the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/updown_value.h"
#include "join/parse_offset.h"
#include "picture/decoded_picture.h"

namespace picjoin {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Replay(const std::string& harness, const std::vector<uint8_t>& bytes) {
  MemorySource source(bytes.data(), bytes.size());
  DecodedPicture picture;
  IconImage icon;
  if (harness == "fuzz_bmp") DecodeBmp(source, &picture);
  if (harness == "fuzz_jpeg") DecodeJpeg(source, &picture);
  if (harness == "fuzz_gif") DecodeGif(source, &picture);
  if (harness == "fuzz_pcx") DecodePcx(source, &picture);
  if (harness == "fuzz_icon") ReadIconImage(source, &icon);
  if (harness == "fuzz_kind") DetectPictureKind(bytes.data(), bytes.size());
  if (harness == "fuzz_offset") ParseOffset(std::string(bytes.begin(), bytes.end()));
  if (harness == "fuzz_updown") UpDownTextValue(std::string(bytes.begin(), bytes.end()).c_str());
}

TEST(FuzzRegressions, EverySavedInputIsHandled) {
  const fs::path root = fs::path(PICJOIN_SOURCE_DIR) / "fuzz" / "regressions";
  if (!fs::exists(root)) GTEST_SKIP() << "no saved fuzz inputs";
  size_t replayed = 0;
  for (const auto& dir : fs::directory_iterator(root)) {
    if (!dir.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(dir.path())) {
      SCOPED_TRACE(file.path().string());
      Replay(dir.path().filename().string(), ReadFile(file.path()));
      ++replayed;
    }
  }
  std::printf("replayed %zu saved fuzz inputs\n", replayed);
}

}  // namespace
}  // namespace picjoin
