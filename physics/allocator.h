// The allocator handed to the engine: C heap blocks with a 24-byte header that
// marks them as ours and records their size and origin.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/NxPhysics.h"

class TrackingAllocator : public NxUserAllocator {
 public:
  static const uint32_t kMagic = 0xDEADBABEu;
  static const size_t kHeaderSize = 24;

  // The header in front of every block. The 64-bit layout holds the magic,
  // the size and the file and class pointers; there is no room left for the
  // line number in 24 bytes.
  struct Header {
    uint32_t magic;
    uint32_t size;
    const char* fileName;
    const char* className;
  };

  void* mallocDEBUG(size_t size, const char* fileName, int line, const char* className,
                    NxMemoryType type) override;
  void* mallocDEBUG(size_t size, const char* fileName, int line) override;
  void* malloc(size_t size, NxMemoryType type) override;
  void* malloc(size_t size) override;
  void* realloc(void* memory, size_t size) override;
  void free(void* memory) override;

  // Blocks and bytes handed out and not yet freed.
  size_t liveBlocks() const { return liveBlocks_; }
  size_t liveBytes() const { return liveBytes_; }
  static Header* headerOf(void* memory) {
    return reinterpret_cast<Header*>(static_cast<char*>(memory) - kHeaderSize);
  }

 private:
  size_t liveBlocks_ = 0;
  size_t liveBytes_ = 0;
};
static_assert(sizeof(TrackingAllocator::Header) <= TrackingAllocator::kHeaderSize, "header must fit");
