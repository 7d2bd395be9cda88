// Owners for Windows handles: each releases its handle exactly once, on every
// path. Copying is deleted so a handle can never be released twice.
#pragma once

#include <windows.h>

#include <utility>

namespace picjoin {

// A kernel handle from CreateFile and friends.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  ScopedHandle& operator=(ScopedHandle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  void Reset() {
    if (valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A GDI object (bitmap, brush, palette, font) released with DeleteObject.
template <typename T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T obj) : obj_(obj) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ScopedGdiObject(ScopedGdiObject&& o) noexcept : obj_(std::exchange(o.obj_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& o) noexcept {
    if (this != &o) {
      Reset();
      obj_ = std::exchange(o.obj_, nullptr);
    }
    return *this;
  }
  void Reset(T obj = nullptr) {
    if (obj_ != nullptr) DeleteObject(obj_);
    obj_ = obj;
  }
  T get() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  T obj_ = nullptr;
};

using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPalette = ScopedGdiObject<HPALETTE>;

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~ScopedMemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back on scope
// exit, so the object can be deleted afterwards.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  bool ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// An icon or cursor made from file bytes, destroyed with DestroyIcon.
class ScopedIcon {
 public:
  ScopedIcon() = default;
  explicit ScopedIcon(HICON icon) : icon_(icon) {}
  ~ScopedIcon() { Reset(); }
  ScopedIcon(const ScopedIcon&) = delete;
  ScopedIcon& operator=(const ScopedIcon&) = delete;
  ScopedIcon(ScopedIcon&& o) noexcept : icon_(std::exchange(o.icon_, nullptr)) {}
  ScopedIcon& operator=(ScopedIcon&& o) noexcept {
    if (this != &o) {
      Reset();
      icon_ = std::exchange(o.icon_, nullptr);
    }
    return *this;
  }
  void Reset() {
    if (icon_ != nullptr) DestroyIcon(icon_);
    icon_ = nullptr;
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

}  // namespace picjoin
