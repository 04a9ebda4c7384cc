// Pictures through the image library as the game loads them: TGA for model
// textures and screens, JPEG for the reflection map, each conformed to the
// layout it is uploaded in. The first byte picks the format.
#include <IL/il.h>
#include <IL/ilu.h>

#include "fuzz_input.h"
#include "render/render.h"

namespace {

// GL reads width * height pixels of the upload format from the data pointer.
void touchPixels(ILint bytesPerPixel) {
  const ILint width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT);
  const ILubyte* pixels = ilGetData();
  if (width <= 0 || height <= 0 || pixels == nullptr) return;
  fuzz::require(ilGetInteger(IL_IMAGE_BPP) == bytesPerPixel, "conformed to the upload layout");
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * bytesPerPixel;
  fuzz::require(static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) >= bytes, "pixels cover the image");
  volatile unsigned sum = 0;
  for (size_t i = 0; i < bytes; ++i) sum = sum + pixels[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    ilInit();
    iluInit();
    return true;
  }();
  (void)ready;
  if (size < 1) return 0;
  const bool jpeg = (data[0] & 1) != 0;
  // A picture the game would refuse never reaches the library.
  if (jpeg ? !jpegStructureUsable(data + 1, size - 1) : !tgaHeaderUsable(data + 1, size - 1)) return 0;
  ILuint name = 0;
  ilGenImages(1, &name);
  ilBindImage(name);
  if (ilLoadL(jpeg ? IL_JPG : IL_TGA, data + 1, static_cast<ILuint>(size - 1))) {
    if (jpeg) {
      conformCurrentImage(IL_RGB);
      if (ilGetInteger(IL_IMAGE_WIDTH) != 256 || ilGetInteger(IL_IMAGE_HEIGHT) != 256) iluScale(256, 256, 1);
      // Every cube face is given as 256 x 256 rows of three bytes.
      fuzz::require(ilGetInteger(IL_IMAGE_WIDTH) == 256 && ilGetInteger(IL_IMAGE_HEIGHT) == 256, "faces are 256 x 256");
      touchPixels(3);
    } else {
      conformCurrentImage(IL_BGRA);
      touchPixels(4);
    }
  }
  while (ilGetError() != IL_NO_ERROR) {
  }
  ilDeleteImages(1, &name);
  return 0;
}
