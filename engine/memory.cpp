// Engine memory. Every block carries the allocator that made it, so a block
// is returned to the right allocator whichever SDK is active when it is freed.
#include <cstdint>
#include <cstdlib>

#include "engine/internal.h"

namespace nxe {
namespace {

NxUserAllocator* gActive = nullptr;

// In front of the 16-aligned block: the owning allocator and the raw pointer.
struct BlockTag {
  NxUserAllocator* owner;
  void* raw;
};
static_assert(sizeof(BlockTag) <= 16, "the tag must fit in front of the block");

void* bulletAlloc(size_t size) { return engineAlloc(size, "Bullet"); }
void bulletFree(void* memory) { engineFree(memory); }

}  // namespace

NxUserAllocator* activeAllocator() { return gActive; }
void setActiveAllocator(NxUserAllocator* allocator) { gActive = allocator; }

void* engineAlloc(size_t size, const char* className) {
  const size_t extra = 32;  // tag plus up to 15 bytes of alignment slack
  NxUserAllocator* owner = gActive;
  void* raw = owner ? owner->mallocDEBUG(size + extra, __FILE__, __LINE__, className, NX_MEMORY_PERSISTENT)
                    : std::malloc(size + extra);
  if (!raw) return nullptr;
  uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + 16 + 15) & ~uintptr_t(15);
  BlockTag* tag = reinterpret_cast<BlockTag*>(aligned - 16);
  tag->owner = owner;
  tag->raw = raw;
  return reinterpret_cast<void*>(aligned);
}

void engineFree(void* memory) {
  if (!memory) return;
  BlockTag* tag = reinterpret_cast<BlockTag*>(reinterpret_cast<uintptr_t>(memory) - 16);
  if (tag->owner)
    tag->owner->free(tag->raw);
  else
    std::free(tag->raw);
}

void installBulletHooks() {
  static bool installed = false;
  if (installed) return;
  // Bullet's aligned allocator builds on these two; nothing of Bullet's is
  // allocated before the first SDK exists, so no block predates the hooks.
  btAlignedAllocSetCustom(bulletAlloc, bulletFree);
  installed = true;
}

}  // namespace nxe
