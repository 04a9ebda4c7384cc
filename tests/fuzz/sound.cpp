// The sound decoder over arbitrary bytes (WAV, Ogg Vorbis, MP3 or anything
// else), read from an in-memory file so the fuzzer never touches the disk.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz_input.h"
#include "sound/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("fuzz-sound", 0);
  fuzz::require(fd >= 0, "an in-memory file can be made");
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    fuzz::require(n > 0, "the input can be written");
    done += static_cast<size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  DecodedSound sound;
  const DecodeResult result = decodeSoundFile(path.c_str(), sound);
  close(fd);
  fuzz::require(result != DecodeResult::NotFound, "an existing file is found");
  if (result != DecodeResult::Ok) {
    fuzz::require(sound.pcm.empty(), "a refused file leaves no samples");
    return 0;
  }
  fuzz::require(sound.channels == 1 || sound.channels == 2, "mono or stereo");
  fuzz::require(sound.rate > 0, "a usable rate");
  fuzz::require(!sound.pcm.empty() && sound.pcm.size() % static_cast<size_t>(sound.channels) == 0,
                "whole frames");
  const size_t frames = sound.pcm.size() / static_cast<size_t>(sound.channels);
  fuzz::require(frames <= static_cast<size_t>(kMaxDecodedSeconds) * static_cast<size_t>(sound.rate),
                "cut at the longest sound kept");
  return 0;
}
