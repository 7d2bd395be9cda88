#include "picture/decoded_picture.h"

namespace picjoin {

const char* DecodeStatusName(DecodeStatus status) {
  switch (status) {
    case DecodeStatus::Ok: return "ok";
    case DecodeStatus::Truncated: return "truncated";
    case DecodeStatus::BadHeader: return "bad header";
    case DecodeStatus::Unsupported: return "unsupported";
    case DecodeStatus::TooLarge: return "too large";
    case DecodeStatus::NoMemory: return "no memory";
    case DecodeStatus::Corrupt: return "corrupt";
  }
  return "?";
}

}  // namespace picjoin
