// The engine's allocator with its header bookkeeping and warnings.
#include "physics/allocator.h"

#include <cstdio>
#include <cstdlib>

void* TrackingAllocator::mallocDEBUG(size_t size, const char* fileName, int line, const char* className,
                                     NxMemoryType type) {
  (void)line;
  (void)type;
  if (size == 0) {
    std::printf("Warning: trying to allocate 0 bytes\n");
    return nullptr;
  }
  if (size > UINT32_MAX - kHeaderSize) return nullptr;  // the header records 32-bit sizes
  char* block = static_cast<char*>(std::malloc(size + kHeaderSize));
  if (!block) return nullptr;
  Header* h = reinterpret_cast<Header*>(block);
  h->magic = kMagic;
  h->size = static_cast<uint32_t>(size);
  h->fileName = fileName;
  h->className = className;
  ++liveBlocks_;
  liveBytes_ += size;
  return block + kHeaderSize;
}

void* TrackingAllocator::mallocDEBUG(size_t, const char*, int) {
  std::printf("Obsolete code called!\n");
  return nullptr;
}

void* TrackingAllocator::malloc(size_t size, NxMemoryType type) {
  return mallocDEBUG(size, nullptr, 0, "Undefined", type);
}

void* TrackingAllocator::malloc(size_t) {
  std::printf("Obsolete code called!\n");
  return nullptr;
}

void* TrackingAllocator::realloc(void* memory, size_t size) {
  if (!memory) {
    std::printf("Warning: trying to realloc null pointer\n");
    return nullptr;
  }
  if (size == 0) std::printf("Warning: trying to realloc 0 bytes\n");
  Header* h = headerOf(memory);
  if (h->magic != kMagic) {
    // Not one of our blocks: handing it to the C heap could only corrupt it.
    std::printf("Error: realloc unknown memory!!\n");
    return nullptr;
  }
  if (size > UINT32_MAX - kHeaderSize) return nullptr;
  size_t oldSize = h->size;
  char* block = static_cast<char*>(std::realloc(h, size + kHeaderSize));
  if (!block) return nullptr;  // the old block is still valid and still ours
  Header* moved = reinterpret_cast<Header*>(block);
  if (moved != h) {
    moved->magic = kMagic;
    moved->fileName = nullptr;
    moved->className = nullptr;
  }
  moved->size = static_cast<uint32_t>(size);
  liveBytes_ = liveBytes_ - oldSize + size;
  return block + kHeaderSize;
}

void TrackingAllocator::free(void* memory) {
  if (!memory) {
    std::printf("Warning: trying to free null pointer\n");
    return;
  }
  Header* h = headerOf(memory);
  if (h->magic != kMagic) {
    // Not ours (or not a block at all): leave it alone rather than corrupt the heap.
    std::printf("Error: free unknown memory!!\n");
    return;
  }
  --liveBlocks_;
  liveBytes_ -= h->size;
  h->size = 0;
  std::free(h);
}
