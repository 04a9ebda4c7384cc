// Shared by the fuzz targets: the input as the stdio stream or text the
// readers take, and a check that stops the run where a promise is broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// A read-only stream over the bytes. fmemopen refuses an empty buffer, so an
// empty input reads from /dev/null: the readers must cope with both.
class ByteFile {
 public:
  ByteFile(const uint8_t* data, size_t size) : copy_(reinterpret_cast<const char*>(data), size) {
    file_ = size == 0 ? std::fopen("/dev/null", "r") : fmemopen(copy_.data(), copy_.size(), "r");
    if (!file_) std::abort();
  }
  ~ByteFile() { std::fclose(file_); }
  ByteFile(const ByteFile&) = delete;
  ByteFile& operator=(const ByteFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::string copy_;
  std::FILE* file_ = nullptr;
};

// Crashes the run with a message so libFuzzer keeps the input.
inline void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

}  // namespace fuzz
