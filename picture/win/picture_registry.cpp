#include "picture/win/picture_registry.h"

#include <memory>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/win/file_source_win.h"
#include "picture/win/icon_win.h"

namespace picjoin {

namespace {

// Every live picture, in the order of loading. Owns them; what is left at
// exit is released with it.
struct RegistryEntry {
  PictureId id;
  std::unique_ptr<Picture> picture;
};

std::vector<RegistryEntry>& Registry() {
  static std::vector<RegistryEntry> entries;
  return entries;
}

PictureId NextFreeId() {
  // Ids count up; one that is still live is never given out again.
  static PictureId next = 0;
  for (;;) {
    ++next;
    if (next == 0) continue;
    if (!IsPictureLoaded(next)) return next;
  }
}

LoadGapHook gLoadGapHook = nullptr;

PictureKind ReadKind(const char* path) {
  WinFileSource file(path);
  if (!file.ok()) return PictureKind::Unknown;
  uint8_t head[kKindSignatureBytes];
  size_t have = 0;
  while (have < sizeof head) {
    const size_t got = file.Read(head + have, sizeof head - have);
    if (got == 0) break;
    have += got;
  }
  return DetectPictureKind(head, have);
}

std::unique_ptr<Picture> DecodePixels(ByteSource& file, PictureKind kind) {
  DecodedPicture decoded;
  DecodeStatus status = DecodeStatus::Unsupported;
  switch (kind) {
    case PictureKind::Jpeg: status = DecodeJpeg(file, &decoded); break;
    case PictureKind::Bmp: status = DecodeBmp(file, &decoded); break;
    case PictureKind::Gif: status = DecodeGif(file, &decoded); break;
    case PictureKind::Pcx8:
    case PictureKind::Pcx1: status = DecodePcx(file, &decoded); break;
    default: break;
  }
  if (status != DecodeStatus::Ok) return nullptr;
  auto picture = std::make_unique<Picture>();
  picture->kind = decoded.kind;
  picture->width = decoded.width;
  picture->height = decoded.height;
  picture->pixels = std::move(decoded.image);
  return picture;
}

std::unique_ptr<Picture> Decode(const char* path, PictureKind kind) {
  WinFileSource file(path);
  if (!file.ok()) return nullptr;
  if (kind == PictureKind::Icon || kind == PictureKind::Cursor) {
    IconImage image;
    if (ReadIconImage(file, &image) != DecodeStatus::Ok) return nullptr;
    ScopedIcon icon = MakeIcon(image);
    if (icon.get() == nullptr) return nullptr;
    auto picture = std::make_unique<Picture>();
    picture->kind = image.kind;
    picture->width = image.width;
    picture->height = image.height;
    picture->icon = std::move(icon);
    return picture;
  }
  return DecodePixels(file, kind);
}

}  // namespace

PictureId LoadPicture(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  // The kind is read first and the file closed, then opened again to decode.
  const PictureKind kind = ReadKind(path);
  if (kind == PictureKind::Unknown) return 0;
  if (gLoadGapHook != nullptr) gLoadGapHook(path);
  std::unique_ptr<Picture> picture = Decode(path, kind);
  if (!picture) return 0;
  const PictureId id = NextFreeId();
  Registry().push_back({id, std::move(picture)});
  return id;
}

void UnloadPicture(PictureId id) {
  auto& entries = Registry();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->id == id) {
      entries.erase(it);
      return;
    }
  }
}

const Picture* FindPicture(PictureId id) {
  if (id == 0) return nullptr;
  for (const auto& entry : Registry()) {
    if (entry.id == id) return entry.picture.get();
  }
  return nullptr;
}

bool IsPictureLoaded(PictureId id) { return FindPicture(id) != nullptr; }

// The canvas draws in pixels, so the natural size is the answer.
int32_t PictureWidth(const DrawPanel&, PictureId id) {
  const Picture* p = FindPicture(id);
  return p ? p->width : 0;
}

int32_t PictureHeight(const DrawPanel&, PictureId id) {
  const Picture* p = FindPicture(id);
  return p ? p->height : 0;
}

size_t LoadedPictureCount() { return Registry().size(); }

void SetLoadGapHookForTesting(LoadGapHook hook) { gLoadGapHook = hook; }

}  // namespace picjoin
