// Memory streams for cooking: the cooked mesh is written into a growing heap
// block and read back from it, never touching the disk.
#pragma once

#include "engine/NxPhysics.h"

// Appends into a heap block it owns. Reads are not supported.
class MemoryWriteStream : public NxStream {
 public:
  MemoryWriteStream() = default;
  ~MemoryWriteStream() override;
  MemoryWriteStream(const MemoryWriteStream&) = delete;
  MemoryWriteStream& operator=(const MemoryWriteStream&) = delete;

  NxU8 readByte() const override;
  NxU16 readWord() const override;
  NxU32 readDword() const override;
  NxF32 readFloat() const override;
  NxF64 readDouble() const override;
  void readBuffer(void* buffer, NxU32 size) const override;
  NxStream& storeByte(NxU8 b) override;
  NxStream& storeWord(NxU16 w) override;
  NxStream& storeDword(NxU32 d) override;
  NxStream& storeFloat(NxF32 f) override;
  NxStream& storeDouble(NxF64 f) override;
  // Grows only when full, each time to 4096 bytes more than this write needs.
  NxStream& storeBuffer(const void* buffer, NxU32 size) override;

  NxU32 currentSize = 0;    // bytes written
  NxU32 maxSize = 0;        // bytes allocated
  NxU8* data = nullptr;     // null while nothing is allocated
};

// Reads from a block it does not own. Stores are not supported. With a size,
// reads past the end yield zeros instead of running off the block.
class MemoryReadStream : public NxStream {
 public:
  explicit MemoryReadStream(const NxU8* data) : buffer(data) {}
  MemoryReadStream(const NxU8* data, NxU32 size) : buffer(data), end_(data ? data + size : nullptr) {}

  NxU8 readByte() const override;
  NxU16 readWord() const override;
  NxU32 readDword() const override;
  NxF32 readFloat() const override;
  NxF64 readDouble() const override;
  void readBuffer(void* buffer, NxU32 size) const override;
  NxStream& storeByte(NxU8 b) override;
  NxStream& storeWord(NxU16 w) override;
  NxStream& storeDword(NxU32 d) override;
  NxStream& storeFloat(NxF32 f) override;
  NxStream& storeDouble(NxF64 f) override;
  NxStream& storeBuffer(const void* buffer, NxU32 size) override;

  mutable const NxU8* buffer;  // the cursor

 private:
  const NxU8* end_ = nullptr;  // null: unbounded
};
