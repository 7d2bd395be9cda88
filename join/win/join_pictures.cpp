#include "join/win/join_pictures.h"

#include "join/join_geometry.h"
#include "join/parse_offset.h"
#include "picture/win/picture_registry.h"

namespace picjoin {

namespace {

const char kCaption[] = "信息：";
const char kFirstFailed[] = "载入图片一:";
const char kSecondFailed[] = "载入图片二:";
const char kSaved[] = "保存图片";
const char kSuccess[] = "成功!";
const char kFailure[] = "失败!";

}  // namespace

void ShowJoinMessageBox(const std::string& text, UINT icon) {
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_TASKMODAL | icon);
}

void JoinPictures(JoinWindow& window) {
  const PictureId first = LoadPicture(window.FirstPathText().c_str());
  if (first == 0) {
    window.ShowMessage(kFirstFailed + window.FirstPathText() + kFailure, MB_ICONHAND);
    return;
  }
  const PictureId second = LoadPicture(window.SecondPathText().c_str());
  if (second == 0) {
    UnloadPicture(first);
    window.ShowMessage(kSecondFailed + window.SecondPathText() + kFailure, MB_ICONHAND);
    return;
  }

  DrawPanel& canvas = window.Canvas();
  const int32_t w1 = PictureWidth(canvas, first);
  const int32_t h1 = PictureHeight(canvas, first);
  const int32_t w2 = PictureWidth(canvas, second);
  const int32_t h2 = PictureHeight(canvas, second);
  const int32_t offset = ParseOffset(window.OffsetText());
  const Arrangement arrangement =
      window.HorizontalChecked() ? Arrangement::Horizontal : Arrangement::Vertical;
  const JoinLayout layout = JoinGeometry(arrangement, w1, h1, w2, h2, offset);

  canvas.SetWidth(layout.width);
  canvas.SetHeight(layout.height);
  canvas.Clear();
  canvas.DrawPicture(first, 0, 0);
  // The arrangement is read again for the second picture's place.
  const Arrangement again = window.HorizontalChecked() ? Arrangement::Horizontal : Arrangement::Vertical;
  const JoinLayout place = JoinGeometry(again, w1, h1, w2, h2, offset);
  canvas.DrawPicture(second, place.x2, place.y2);

  // No picture is held while the user chooses where to save.
  UnloadPicture(first);
  UnloadPicture(second);

  if (!window.ShowSaveDialog()) return;

  // A canvas that could not be exported has no picture to save: writing an
  // empty file and calling that a success would lose the user's work.
  const ByteBlock image = canvas.ExportBitmap();
  const bool ok = !image.empty() && WriteBytesToFile(window.SaveFileName().c_str(), image);
  window.ShowMessage(kSaved + window.SaveFileName() + (ok ? kSuccess : kFailure),
                     ok ? MB_ICONASTERISK : MB_ICONHAND);
}

}  // namespace picjoin
