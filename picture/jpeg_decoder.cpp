// JPEG files through libjpeg-turbo's release-6 interface. Whatever the
// library accepts loads: baseline, progressive, greyscale, colour, CMYK.
//
// libjpeg reports fatal errors by calling error_exit, which must not return;
// ours long-jumps back to the one function that called setjmp. A long jump
// skips destructors, so that function (RunDecode) is kept C-like: no locals
// with destructors, and everything it creates is owned by a JpegJob that
// lives in the caller, where ordinary C++ cleanup applies.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstring>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

#include "picture/decoded_picture.h"

namespace picjoin {

namespace {

constexpr size_t kReadPieceBytes = 4096;

// libjpeg's own working memory (the whole-image coefficient buffer of a
// progressive file is the big one). A hostile header can ask for gigabytes;
// real photographs of up to about 100 megapixels fit in this.
constexpr long kLibraryMemoryLimit = 512L * 1024 * 1024;

// Real progressive files have around ten scans. A file made of endless tiny
// scans makes the library redo its work for each one; stop it early.
constexpr int kMaxScans = 1000;

// Rows asked of jpeg_read_scanlines at once.
constexpr int kRowsPerCall = 16;

struct JpegErrorManager {
  jpeg_error_mgr pub;  // first, so a j_common_ptr's err can be cast back
  std::jmp_buf jump;
};

// Our data source: reads the ByteSource in pieces of kReadPieceBytes.
struct JpegSourceManager {
  jpeg_source_mgr pub;  // first, so cinfo->src can be cast back
  ByteSource* source;
  bool deliveredAny;  // some file bytes have reached the library
  bool atEnd;         // the file is exhausted; the fake end marker was handed out
  JOCTET piece[kReadPieceBytes];
};

// Everything one decode needs, kept outside the function that calls setjmp.
// Plain data only: it may be abandoned by a long jump at any point.
struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  JpegSourceManager input;
  jpeg_progress_mgr progress;
  PixelImage* image;  // the caller's; allocated during the decode
  bool allRowsRead;   // errors after this point do not spoil the picture
};

// ---- Error manager: silent, and fatal errors jump back -----------------------

void ExitByJump(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(error->jump, 1);
}

void IgnoreOutput(j_common_ptr) {}
void IgnoreEmit(j_common_ptr, int) {}  // warnings about damaged data included
void IgnoreFormat(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

// Names the reason of the library's last fatal error.
DecodeStatus FailureOf(const JpegJob* job) {
  switch (job->error.pub.msg_code) {
    case JERR_OUT_OF_MEMORY: return DecodeStatus::NoMemory;
    case JERR_NO_BACKING_STORE:  // would need more than kLibraryMemoryLimit
    case JERR_IMAGE_TOO_BIG: return DecodeStatus::TooLarge;
    case JERR_INPUT_EMPTY:
    case JERR_NO_IMAGE: return DecodeStatus::Truncated;  // ends before any picture data
    case JERR_BAD_PRECISION:  // 12-bit and lossless files
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOT_COMPILED: return DecodeStatus::Unsupported;
    default: return DecodeStatus::Corrupt;
  }
}

void InstallErrorManager(JpegJob* job) {
  job->cinfo.err = jpeg_std_error(&job->error.pub);
  job->error.pub.error_exit = ExitByJump;
  job->error.pub.output_message = IgnoreOutput;
  job->error.pub.emit_message = IgnoreEmit;
  job->error.pub.format_message = IgnoreFormat;
}

// ---- Data source over a ByteSource -----------------------------------------

JpegSourceManager* SourceOf(j_decompress_ptr cinfo) {
  return reinterpret_cast<JpegSourceManager*>(cinfo->src);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  JpegSourceManager* in = SourceOf(cinfo);
  const size_t got = in->atEnd ? 0 : in->source->Read(in->piece, sizeof in->piece);
  if (got == 0) {
    // An empty file is not a JPEG. A file that ends early gets a fake end
    // of image marker, so the library finishes with what it has: a picture
    // cut off in its data still loads at full size (the missing part grey).
    if (!in->deliveredAny) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    in->atEnd = true;
    in->piece[0] = 0xFF;
    in->piece[1] = JPEG_EOI;
    in->pub.next_input_byte = in->piece;
    in->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  in->deliveredAny = true;
  in->pub.next_input_byte = in->piece;
  in->pub.bytes_in_buffer = got;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  JpegSourceManager* in = SourceOf(cinfo);
  size_t left = static_cast<size_t>(count);
  while (left > in->pub.bytes_in_buffer) {
    left -= in->pub.bytes_in_buffer;
    in->pub.bytes_in_buffer = 0;
    FillInputBuffer(cinfo);
    // Skipping past the end: leave the fake end marker for the library to find.
    if (in->atEnd) return;
  }
  in->pub.next_input_byte += left;
  in->pub.bytes_in_buffer -= left;
}

void InstallSource(JpegJob* job, ByteSource* source) {
  JpegSourceManager& in = job->input;
  in.pub.init_source = InitSource;
  in.pub.fill_input_buffer = FillInputBuffer;
  in.pub.skip_input_data = SkipInputData;
  in.pub.resync_to_restart = jpeg_resync_to_restart;
  in.pub.term_source = TermSource;
  in.pub.next_input_byte = nullptr;
  in.pub.bytes_in_buffer = 0;
  in.source = source;
  in.deliveredAny = false;
  in.atEnd = false;
  job->cinfo.src = &in.pub;
}

// Progress callback, called as the library absorbs the file: the only place
// to stop a file of endless scans. The error code chosen does not matter, as
// messages are never shown.
void LimitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

// ---- Colour handling --------------------------------------------------------

// Asks the library for the output we can use with the least work: b, g, r
// straight into our rows for colour files; CMYK as stored for four-channel
// files (converted below); greyscale and anything else as the file has it.
void ChooseOutputColour(j_decompress_ptr cinfo) {
  switch (cinfo->jpeg_color_space) {
#ifdef JCS_EXTENSIONS
    case JCS_YCbCr:
    case JCS_RGB: cinfo->out_color_space = JCS_EXT_BGR; break;
#endif
    case JCS_CMYK:
    case JCS_YCCK: cinfo->out_color_space = JCS_CMYK; break;
    default: break;
  }
}

// Exact round(a * b / 255) for a, b in 0..255.
inline unsigned MulDiv255(unsigned a, unsigned b) {
  const unsigned t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// CMYK to b, g, r. Adobe's programs write CMYK JPEGs inverted (0 = full
// ink) and mark them with their APP14 marker; then the stored values are
// already "how much light is left", so r = c * k / 255 and so on. Files
// without the marker store plain ink amounts: r = (255 - c) * (255 - k) / 255.
void CmykRowToBgr(const JSAMPLE* src, JDIMENSION width, bool adobeInverted, uint8_t* dst) {
  const unsigned flip = adobeInverted ? 0 : 255;
  for (JDIMENSION x = 0; x < width; ++x) {
    const unsigned c = src[0] ^ flip, m = src[1] ^ flip, y = src[2] ^ flip, k = src[3] ^ flip;
    dst[0] = static_cast<uint8_t>(MulDiv255(y, k));
    dst[1] = static_cast<uint8_t>(MulDiv255(m, k));
    dst[2] = static_cast<uint8_t>(MulDiv255(c, k));
    src += 4;
    dst += 3;
  }
}

void GreyRowToBgr(const JSAMPLE* src, JDIMENSION width, uint8_t* dst) {
  for (JDIMENSION x = 0; x < width; ++x) {
    dst[0] = dst[1] = dst[2] = src[x];
    dst += 3;
  }
}

void RgbRowToBgr(const JSAMPLE* src, JDIMENSION width, uint8_t* dst) {
  for (JDIMENSION x = 0; x < width; ++x) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    src += 3;
    dst += 3;
  }
}

bool WritesBgrDirectly(j_decompress_ptr cinfo) {
#ifdef JCS_EXTENSIONS
  return cinfo->out_color_space == JCS_EXT_BGR;
#else
  (void)cinfo;
  return false;
#endif
}

// ---- Steps of the decode (called under RunDecode's setjmp) -----------------

// Our rows are padded to 4 bytes; the library writes only the pixels.
void ClearRowPadding(PixelImage* image) {
  const size_t used = static_cast<size_t>(image->width) * 3;
  if (used == image->stride) return;
  for (int32_t y = 0; y < image->height; ++y) {
    std::memset(image->Row(y) + used, 0, image->stride - used);
  }
}

// Checks the output size against the cap and allocates the picture.
DecodeStatus AllocateOutput(j_decompress_ptr cinfo, PixelImage* image) {
  const JDIMENSION w = cinfo->output_width, h = cinfo->output_height;
  if (w == 0 || h == 0) return DecodeStatus::BadHeader;
  if (w > static_cast<JDIMENSION>(kMaxPictureSide) || h > static_cast<JDIMENSION>(kMaxPictureSide)) {
    return DecodeStatus::TooLarge;
  }
  const int32_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
  const uint64_t bytes = static_cast<uint64_t>(RowStride(PixelFormat::Bgr24, width)) * height;
  if (bytes > kMaxPictureBytes) return DecodeStatus::TooLarge;
  // Within the cap, so a refusal means the memory is not there.
  if (!image->Allocate(PixelFormat::Bgr24, width, height)) return DecodeStatus::NoMemory;
  ClearRowPadding(image);
  return DecodeStatus::Ok;
}

void ReadRowsDirect(j_decompress_ptr cinfo, PixelImage* image) {
  JSAMPROW rows[kRowsPerCall];
  while (cinfo->output_scanline < cinfo->output_height) {
    const JDIMENSION first = cinfo->output_scanline;
    JDIMENSION count = cinfo->output_height - first;
    if (count > kRowsPerCall) count = kRowsPerCall;
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = image->Row(static_cast<int32_t>(first + i));
    if (jpeg_read_scanlines(cinfo, rows, count) == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
  }
}

void ReadRowsConverted(j_decompress_ptr cinfo, PixelImage* image) {
  const JDIMENSION width = cinfo->output_width;
  // Owned by the library's image pool: freed by jpeg_destroy_decompress on
  // every path, long jumps included.
  JSAMPARRAY buffer = (*cinfo->mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
      width * static_cast<JDIMENSION>(cinfo->output_components), kRowsPerCall);
  const int components = cinfo->output_components;
  const bool adobe = cinfo->saw_Adobe_marker != FALSE;
  while (cinfo->output_scanline < cinfo->output_height) {
    const JDIMENSION first = cinfo->output_scanline;
    const JDIMENSION got = jpeg_read_scanlines(cinfo, buffer, kRowsPerCall);
    if (got == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    for (JDIMENSION i = 0; i < got; ++i) {
      uint8_t* dst = image->Row(static_cast<int32_t>(first + i));
      if (components == 1) GreyRowToBgr(buffer[i], width, dst);
      else if (components == 3) RgbRowToBgr(buffer[i], width, dst);
      else CmykRowToBgr(buffer[i], width, adobe, dst);
    }
  }
}

// The one function with a setjmp. Returns Ok or the reason for failure.
DecodeStatus RunDecode(JpegJob* job, ByteSource* source) {
  j_decompress_ptr cinfo = &job->cinfo;
  InstallErrorManager(job);
  job->allRowsRead = false;

  if (setjmp(job->error.jump)) {
    jpeg_destroy_decompress(cinfo);
    return job->allRowsRead ? DecodeStatus::Ok : FailureOf(job);
  }

  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kLibraryMemoryLimit;
  job->progress.progress_monitor = LimitScans;
  cinfo->progress = &job->progress;
  InstallSource(job, source);

  jpeg_read_header(cinfo, TRUE);
  ChooseOutputColour(cinfo);
  jpeg_calc_output_dimensions(cinfo);
  const int components = cinfo->output_components;
  DecodeStatus status = DecodeStatus::Ok;
  if (components != 1 && components != 3 && components != 4) status = DecodeStatus::Unsupported;
  if (status == DecodeStatus::Ok) status = AllocateOutput(cinfo, job->image);
  if (status != DecodeStatus::Ok) {
    jpeg_destroy_decompress(cinfo);
    return status;
  }

  jpeg_start_decompress(cinfo);
  if (WritesBgrDirectly(cinfo)) ReadRowsDirect(cinfo, job->image);
  else ReadRowsConverted(cinfo, job->image);
  job->allRowsRead = true;

  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return DecodeStatus::Ok;
}

}  // namespace

DecodeStatus DecodeJpeg(ByteSource& source, DecodedPicture* out) {
  *out = DecodedPicture{};
  if (!source.Seek(0)) return DecodeStatus::Truncated;

  DecodedPicture picture;
  // About 5 KB of plain data; on the heap it would need freeing on every path.
  JpegJob job;
  std::memset(&job, 0, sizeof job);
  job.image = &picture.image;

  const DecodeStatus status = RunDecode(&job, &source);
  if (status != DecodeStatus::Ok) return status;  // `picture` frees what was allocated

  picture.kind = PictureKind::Jpeg;
  picture.width = picture.image.width;
  picture.height = picture.image.height;
  *out = std::move(picture);
  return DecodeStatus::Ok;
}

}  // namespace picjoin
