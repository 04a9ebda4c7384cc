// The engine allocator's bookkeeping and messages, and the memory streams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "physics/allocator.h"
#include "physics/stream.h"

namespace {

std::string captured() { return testing::internal::GetCapturedStdout(); }

TEST(TrackingAllocator, BlocksCarryTheMagicAndSizeAndFreeingResetsTheSize) {
  TrackingAllocator a;
  void* p = a.mallocDEBUG(100, "file.cpp", 12, "Thing", NX_MEMORY_PERSISTENT);
  ASSERT_NE(p, nullptr);
  TrackingAllocator::Header* h = TrackingAllocator::headerOf(p);
  EXPECT_EQ(h->magic, 0xDEADBABEu);
  EXPECT_EQ(h->size, 100u);
  EXPECT_STREQ(h->className, "Thing");
  EXPECT_EQ(a.liveBlocks(), 1u);
  EXPECT_EQ(a.liveBytes(), 100u);
  std::memset(p, 0xAB, 100);  // all of it is ours
  void* q = a.malloc(8, NX_MEMORY_TEMP);
  EXPECT_STREQ(TrackingAllocator::headerOf(q)->className, "Undefined");
  EXPECT_EQ(TrackingAllocator::headerOf(q)->fileName, nullptr);
  a.free(p);
  a.free(q);
  EXPECT_EQ(a.liveBlocks(), 0u);
  EXPECT_EQ(a.liveBytes(), 0u);
}

TEST(TrackingAllocator, ZeroBytesNullAndObsoleteCallsWarn) {
  TrackingAllocator a;
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.mallocDEBUG(0, nullptr, 0, nullptr, NX_MEMORY_TEMP), nullptr);
  EXPECT_EQ(captured(), "Warning: trying to allocate 0 bytes\n");
  testing::internal::CaptureStdout();
  a.free(nullptr);
  EXPECT_EQ(captured(), "Warning: trying to free null pointer\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.realloc(nullptr, 10), nullptr);
  EXPECT_EQ(captured(), "Warning: trying to realloc null pointer\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(a.malloc(10), nullptr);
  EXPECT_EQ(a.mallocDEBUG(10, "f", 1), nullptr);
  EXPECT_EQ(captured(), "Obsolete code called!\nObsolete code called!\n");
  EXPECT_EQ(a.liveBlocks(), 0u);
}

TEST(TrackingAllocator, ReallocKeepsContentAndUpdatesTheHeader) {
  TrackingAllocator a;
  char* p = static_cast<char*>(a.malloc(16, NX_MEMORY_TEMP));
  std::strcpy(p, "fifteen chars!!");
  char* q = static_cast<char*>(a.realloc(p, 100000));  // large enough to move
  ASSERT_NE(q, nullptr);
  EXPECT_STREQ(q, "fifteen chars!!");
  EXPECT_EQ(TrackingAllocator::headerOf(q)->magic, 0xDEADBABEu);
  EXPECT_EQ(TrackingAllocator::headerOf(q)->size, 100000u);
  EXPECT_EQ(a.liveBytes(), 100000u);
  testing::internal::CaptureStdout();
  q = static_cast<char*>(a.realloc(q, 0));
  EXPECT_EQ(captured(), "Warning: trying to realloc 0 bytes\n");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(TrackingAllocator::headerOf(q)->size, 0u);
  a.free(q);
  EXPECT_EQ(a.liveBlocks(), 0u);
}

TEST(TrackingAllocator, ForeignMemoryIsReportedAndLeftAlone) {
  TrackingAllocator a;
  alignas(8) char foreign[64] = {};
  testing::internal::CaptureStdout();
  a.free(foreign + 32);
  EXPECT_EQ(a.realloc(foreign + 32, 8), nullptr);
  EXPECT_EQ(captured(), "Error: free unknown memory!!\nError: realloc unknown memory!!\n");
  for (char c : foreign) EXPECT_EQ(c, 0);  // untouched
}

TEST(MemoryWriteStream, GrowsOnlyWhenFullToFourKilobytesMoreThanNeeded) {
  MemoryWriteStream s;
  EXPECT_EQ(s.data, nullptr);
  s.storeBuffer("", 0);  // 0 is not more than 0: nothing allocated
  EXPECT_EQ(s.maxSize, 0u);
  EXPECT_EQ(s.data, nullptr);
  s.storeByte(7);
  EXPECT_EQ(s.maxSize, 4097u);
  EXPECT_EQ(s.currentSize, 1u);
  const NxU8* block = s.data;
  static const NxU8 kilobytes[4096] = {1};
  s.storeBuffer(kilobytes, 4096);
  EXPECT_EQ(s.maxSize, 4097u);
  EXPECT_EQ(s.currentSize, 4097u);
  EXPECT_EQ(s.data, block);
  s.storeByte(9);
  EXPECT_EQ(s.maxSize, 8194u);
  EXPECT_EQ(s.currentSize, 4098u);
  EXPECT_EQ(s.data[0], 7);
  EXPECT_EQ(s.data[1], 1);
  EXPECT_EQ(s.data[4097], 9);
}

TEST(MemoryStreams, ValuesReadBackAsWritten) {
  MemoryWriteStream w;
  w.storeByte(0xAB).storeWord(0xBEEF).storeDword(0xDEADBABE).storeFloat(1.5f).storeDouble(-2.25);
  w.storeBuffer("xyz", 3);
  EXPECT_EQ(w.currentSize, 1u + 2 + 4 + 4 + 8 + 3);
  MemoryReadStream r(w.data);
  EXPECT_EQ(r.readByte(), 0xAB);
  EXPECT_EQ(r.readWord(), 0xBEEF);
  EXPECT_EQ(r.readDword(), 0xDEADBABEu);
  EXPECT_EQ(r.readFloat(), 1.5f);
  EXPECT_EQ(r.readDouble(), -2.25);
  char text[4] = {};
  r.readBuffer(text, 3);
  EXPECT_STREQ(text, "xyz");
  EXPECT_EQ(r.buffer, w.data + w.currentSize);
}

TEST(MemoryStreams, ABoundedReaderYieldsZerosPastTheEnd) {
  const NxU8 bytes[3] = {1, 2, 3};
  MemoryReadStream r(bytes, 3);
  EXPECT_EQ(r.readWord(), 0x0201);
  EXPECT_EQ(r.readDword(), 3u);  // one real byte, then zeros
  EXPECT_EQ(r.readByte(), 0);
}

}  // namespace
