// Test sources are UTF-8; the program's texts are GBK (code page 936).
// Gbk() converts a UTF-8 literal at run time so tests can compare texts.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring Utf8ToWide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

inline std::string Gbk(const std::string& utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}
