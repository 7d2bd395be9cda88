// Checks that the Windows side really runs: the ANSI code page, and a GBK
// caption that goes through a real window and comes back unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win_common/gbk.h"

TEST(WineEnvironment, AnsiCodePageIsGbk) { EXPECT_EQ(GetACP(), 936u); }

TEST(WineEnvironment, GbkCaptionRoundTripsThroughAWindow) {
  const std::string caption = Gbk("第一幅图片:");
  ASSERT_EQ(caption.size(), 11u);
  HWND hwnd = CreateWindowExA(0, "STATIC", caption.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(hwnd, nullptr);
  char back[64] = {};
  GetWindowTextA(hwnd, back, sizeof back);
  wchar_t wide[64] = {};
  GetWindowTextW(hwnd, wide, 64);
  DestroyWindow(hwnd);
  EXPECT_EQ(std::string(back), caption);
  EXPECT_EQ(std::wstring(wide), L"\u7b2c\u4e00\u5e45\u56fe\u7247:");
}
