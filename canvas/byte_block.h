// A counted run of bytes with one owner. An empty block is a valid value:
// it is what an operation gives when it cannot produce its bytes.
#pragma once

#include "base/owned_buffer.h"

namespace picjoin {

using ByteBlock = OwnedBuffer;

}  // namespace picjoin
