// Memory streams for the cooked track mesh.
#include "physics/stream.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// ---- MemoryWriteStream ------------------------------------------------------------------

MemoryWriteStream::~MemoryWriteStream() { std::free(data); }

// The read side of a write stream is a programming error.
NxU8 MemoryWriteStream::readByte() const { assert(0); return 0; }
NxU16 MemoryWriteStream::readWord() const { assert(0); return 0; }
NxU32 MemoryWriteStream::readDword() const { assert(0); return 0; }
NxF32 MemoryWriteStream::readFloat() const { assert(0); return 0; }
NxF64 MemoryWriteStream::readDouble() const { assert(0); return 0; }
void MemoryWriteStream::readBuffer(void*, NxU32) const { assert(0); }

NxStream& MemoryWriteStream::storeByte(NxU8 b) { return storeBuffer(&b, sizeof b); }
NxStream& MemoryWriteStream::storeWord(NxU16 w) { return storeBuffer(&w, sizeof w); }
NxStream& MemoryWriteStream::storeDword(NxU32 d) { return storeBuffer(&d, sizeof d); }
NxStream& MemoryWriteStream::storeFloat(NxF32 f) { return storeBuffer(&f, sizeof f); }
NxStream& MemoryWriteStream::storeDouble(NxF64 f) { return storeBuffer(&f, sizeof f); }

NxStream& MemoryWriteStream::storeBuffer(const void* buffer, NxU32 size) {
  NxU32 needed = currentSize + size;
  if (needed < currentSize || needed > UINT32_MAX - 4096) {  // the 32-bit sizes would wrap
    assert(!"stream size overflow");
    return *this;
  }
  if (needed > maxSize) {
    NxU32 newSize = needed + 4096;
    NxU8* newData = static_cast<NxU8*>(std::malloc(newSize));
    assert(newData != 0);
    if (!newData) return *this;  // out of memory: the write is dropped, the stream stays valid
    if (currentSize) std::memcpy(newData, data, currentSize);
    std::free(data);
    data = newData;
    maxSize = newSize;
  }
  if (size) std::memcpy(data + currentSize, buffer, size);
  currentSize = needed;
  return *this;
}

// ---- MemoryReadStream -------------------------------------------------------------------

void MemoryReadStream::readBuffer(void* dest, NxU32 size) const {
  NxU32 available = size;
  if (end_) available = buffer >= end_ ? 0 : static_cast<NxU32>(std::min<size_t>(size, end_ - buffer));
  if (available) std::memcpy(dest, buffer, available);
  if (available < size) std::memset(static_cast<NxU8*>(dest) + available, 0, size - available);
  buffer += available;
}

NxU8 MemoryReadStream::readByte() const { NxU8 v; readBuffer(&v, sizeof v); return v; }
NxU16 MemoryReadStream::readWord() const { NxU16 v; readBuffer(&v, sizeof v); return v; }
NxU32 MemoryReadStream::readDword() const { NxU32 v; readBuffer(&v, sizeof v); return v; }
NxF32 MemoryReadStream::readFloat() const { NxF32 v; readBuffer(&v, sizeof v); return v; }
NxF64 MemoryReadStream::readDouble() const { NxF64 v; readBuffer(&v, sizeof v); return v; }

// The write side of a read stream is a programming error.
NxStream& MemoryReadStream::storeByte(NxU8) { assert(0); return *this; }
NxStream& MemoryReadStream::storeWord(NxU16) { assert(0); return *this; }
NxStream& MemoryReadStream::storeDword(NxU32) { assert(0); return *this; }
NxStream& MemoryReadStream::storeFloat(NxF32) { assert(0); return *this; }
NxStream& MemoryReadStream::storeDouble(NxF64) { assert(0); return *this; }
NxStream& MemoryReadStream::storeBuffer(const void*, NxU32) { assert(0); return *this; }
