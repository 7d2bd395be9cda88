// ReadExactlyAt: a large read in parts on several threads gives the same
// bytes as one read, and falls back to one read when a second reader
// cannot be had or fails.
#include "picture/byte_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace picjoin {
namespace {

enum class Others { Work, Missing, FailToRead };

// A source over memory whose further readers can be made to fail.
class TestSource : public ByteSource {
 public:
  TestSource(const std::vector<uint8_t>& bytes, Others others, bool isOther = false)
      : bytes_(bytes), memory_(bytes.data(), bytes.size()), others_(others), isOther_(isOther) {}
  int64_t Size() override { return memory_.Size(); }
  size_t Read(void* dst, size_t count) override {
    if (isOther_ && others_ == Others::FailToRead) return 0;
    return memory_.Read(dst, count);
  }
  bool Seek(uint64_t position) override { return memory_.Seek(position); }
  std::unique_ptr<ByteSource> OpenAnother() override {
    if (others_ == Others::Missing) return nullptr;
    return std::make_unique<TestSource>(bytes_, others_, true);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  MemorySource memory_;
  Others others_;
  bool isOther_;
};

std::vector<uint8_t> Numbered(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  return bytes;
}

TEST(ReadExactlyAt, GivesTheBytesOfOneReadWhateverTheOtherReadersDo) {
  const std::vector<uint8_t> file = Numbered((40u << 20) + 77);
  struct Case {
    const char* name;
    Others others;
    uint64_t position;
    size_t count;
    bool ok;
  };
  const Case cases[] = {
      {"small, one thread", Others::Work, 10, 1000, true},
      {"large, in parts", Others::Work, 54, file.size() - 54, true},
      {"no second reader", Others::Missing, 54, file.size() - 54, true},
      {"second reader fails", Others::FailToRead, 3, file.size() - 3, true},
      {"past the end", Others::Work, 54, file.size() - 53, false},
      {"past the end, no second reader", Others::Missing, 54, file.size() - 53, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSource source(file, c.others);
    std::vector<uint8_t> out(c.count, 0xEE);
    ASSERT_EQ(ReadExactlyAt(source, c.position, out.data(), out.size()), c.ok);
    if (c.ok) EXPECT_EQ(std::memcmp(out.data(), file.data() + c.position, c.count), 0);
  }
}

}  // namespace
}  // namespace picjoin
