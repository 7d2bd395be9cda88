#include "app/updown_value.h"

#include <gtest/gtest.h>

#include <climits>

namespace picjoin {
namespace {

TEST(UpDownTextValue, ReadsSignAndLeadingDigits) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"0", 0},
      {"1000", 1000},
      {"-5", -5},
      {"+12", 12},
      {"  \t42", 42},
      {"7abc", 7},
      {"12.9", 12},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 3", 0},
      {"1e3", 1},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"99999999999999999999999", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-99999999999999999999999", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(UpDownTextValue(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(UpDownTextValue(nullptr), 0);
}

TEST(UpDownStep, StaysWithinZeroToThousandFallingBackToTheBound) {
  struct Case {
    int32_t value;
    bool up;
    int32_t result;
  };
  const Case cases[] = {
      {0, true, 1},         {999, true, 1000},    {1000, true, 0},     {-5, true, 0},
      {-1, true, 0},        {5000, true, 0},      {INT32_MAX, true, 0}, {INT32_MIN, true, 0},
      {1, false, 0},        {1000, false, 999},   {0, false, 1000},    {-5, false, 1000},
      {1001, false, 1000},  {5000, false, 1000},  {INT32_MIN, false, 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpDownStep(c.value, c.up), c.result) << c.value << (c.up ? " up" : " down");
  }
}

TEST(UpDownStep, TextsOfTheWindowsEdgeCases) {
  // The box's text in, the text written back out.
  struct Case {
    const char* text;
    bool up;
    const char* result;
  };
  const Case cases[] = {
      {"1000", true, "0"}, {"0", false, "1000"}, {"abc", true, "1"},
      {"-5", true, "0"},   {"12", false, "11"},  {" 7x", true, "8"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpDownValueText(UpDownStep(UpDownTextValue(c.text), c.up)), c.result) << c.text;
  }
  EXPECT_EQ(UpDownValueText(-12), "-12");
}

}  // namespace
}  // namespace picjoin
