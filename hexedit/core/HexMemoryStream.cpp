#include "hexedit/core/HexMemoryStream.h"

#include <algorithm>
#include <new>

#include "hexedit/core/EHexEditor.h"

void THexMemoryStream::Reserve(int64_t size) {
  if (size <= static_cast<int64_t>(FBytes.capacity())) return;
  if (size > MaxSize) throw EHexStreamError(HexMsg::StreamGrowth);
  // Grow in steps, so that byte-wise growth does not copy every time.
  const int64_t stepped = std::min(MaxSize, std::max(size, Size() + Size() / 2));
  try {
    try {
      FBytes.reserve(static_cast<size_t>(stepped));
    } catch (const std::bad_alloc&) {
      FBytes.reserve(static_cast<size_t>(size));
    }
  } catch (const std::bad_alloc&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  } catch (const std::length_error&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  }
}

void THexMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  Reserve(size);
  FBytes.resize(static_cast<size_t>(size));
}
