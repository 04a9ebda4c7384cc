// Textures through the image library: model textures, the reflection cube map
// and the full-screen pictures of HUD and menus. Every texture name is an
// image-library name used directly as the GL name.
#include <GL/glew.h>
#include <GL/glu.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/model.h"
#include "render/render.h"

// The image library mishandles TGA layouts the game never ships: 16-bit
// colour comes back with a pixel size that does not match its format, and
// converting it reads and writes past the pixels. Only what the game's own
// pictures use gets through: 24- or 32-bit colour or 8-bit grey, raw or
// run-length coded, no side longer than kMaxPictureSide (a few bytes of header
// must not make the library allocate gigabytes). Colour-mapped pictures crash
// its palette conversion and are refused as well.
bool tgaHeaderUsable(const unsigned char* header, std::size_t size) {
  if (size < 18) return false;
  const unsigned type = header[2], pixelBits = header[16];
  const unsigned width = header[12] | header[13] << 8, height = header[14] | header[15] << 8;
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  switch (type & ~8u) {
    case 2: return pixelBits == 24 || pixelBits == 32;
    case 3: return pixelBits == 8;
    default: return false;
  }
}

// Its JPEG reader never returns from a segment that claims more bytes than
// the file holds (it keeps skipping past the end). Every marker segment,
// before and between scans, must fit in the file, and a frame header and a
// scan must come before the end, and the frame no bigger than TGA pictures. Entropy-coded data may be cut short: the
// decoder pads that with an end marker by itself.
bool jpegStructureUsable(const unsigned char* data, std::size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  bool frame = false, scan = false;
  std::size_t pos = 2;
  while (pos < size) {
    if (data[pos] != 0xFF) {  // entropy-coded bytes of a scan
      if (!scan) return false;
      ++pos;
      continue;
    }
    while (pos < size && data[pos] == 0xFF) ++pos;
    if (pos >= size) break;
    const unsigned marker = data[pos++];
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (marker == 0xD9) break;
    if (pos + 2 > size) return false;
    const std::size_t length = std::size_t(data[pos]) << 8 | data[pos + 1];
    if (length < 2 || pos + length > size) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 7) return false;
      const unsigned height = data[pos + 3] << 8 | data[pos + 4], width = data[pos + 5] << 8 | data[pos + 6];
      if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
      frame = true;
    }
    if (marker == 0xDA) {
      if (!frame) return false;
      scan = true;
    }
    pos += length;
  }
  return frame && scan;
}

namespace {

const int kEnvFaceSize = 256;

GLuint newImageName() {
  ILuint name = 0;
  ilGenImages(1, &name);
  return name;
}

bool hasExtension(const char* fileName, const char* extension) {
  const std::size_t length = std::strlen(fileName), tail = std::strlen(extension);
  return length >= tail && strcasecmp(fileName + length - tail, extension) == 0;
}

std::vector<unsigned char> fileHead(const char* fileName, std::size_t limit) {
  std::vector<unsigned char> bytes;
  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return bytes;
  unsigned char chunk[4096];
  std::size_t got = 0;
  while (bytes.size() < limit &&
         (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}

// The checks in front of the image library, by file name as the library
// chooses its decoder. A JPEG is read whole (the game's is a few kilobytes).
bool imageFileUsable(const char* fileName) {
  if (hasExtension(fileName, ".tga")) {
    const std::vector<unsigned char> header = fileHead(fileName, 18);
    return tgaHeaderUsable(header.data(), header.size());
  }
  if (hasExtension(fileName, ".jpg") || hasExtension(fileName, ".jpeg")) {
    const std::vector<unsigned char> bytes = fileHead(fileName, 64u << 20);
    return jpegStructureUsable(bytes.data(), bytes.size());
  }
  return true;
}

// Loads into the library's current image; on failure the current image keeps
// whatever it held, and the upload goes on with that.
void loadImageOrWarn(const char* fileName) {
  if (!imageFileUsable(fileName) || !ilLoadImage(fileName)) std::printf("File %s not found\n", fileName);
}

}  // namespace

// Uploads expect bottom-up rows of 8-bit channels in `format`. TGA files may
// be stored either way up and in other depths; convert rather than let GL
// read the bytes in the wrong layout. Some files load but cannot be converted
// (a colour-mapped picture without its map): GL would read four bytes a pixel
// from one, so such a picture becomes a single white texel instead.
bool conformCurrentImage(unsigned int format) {
  if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT) iluFlipImage();
  if (ilGetInteger(IL_IMAGE_FORMAT) != static_cast<ILint>(format) ||
      ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE) {
    ilConvertImage(format, IL_UNSIGNED_BYTE);
  }
  const ILint channels = format == IL_RGB ? 3 : 4;
  if (ilGetInteger(IL_IMAGE_FORMAT) == static_cast<ILint>(format) &&
      ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE && ilGetInteger(IL_IMAGE_BPP) == channels) {
    return true;
  }
  static const ILubyte kWhite[4] = {255, 255, 255, 255};
  ilTexImage(1, 1, 1, static_cast<ILubyte>(channels), format, IL_UNSIGNED_BYTE, const_cast<ILubyte*>(kWhite));
  while (ilGetError() != IL_NO_ERROR) {
  }
  return false;
}

namespace {

struct ImagePixels {
  GLsizei width;
  GLsizei height;
  const void* data;
};

ImagePixels currentPixels() {
  return {ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT), ilGetData()};
}

void uploadSingleLevel(const char* fileName) {
  loadImageOrWarn(fileName);
  conformCurrentImage(IL_BGRA);
  ImagePixels p = currentPixels();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p.width, p.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, p.data);
}

// Of the current image, conformed to BGRA.
bool currentImageOpaque() {
  if (ilGetInteger(IL_IMAGE_FORMAT) != IL_BGRA || ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE) return false;
  const ILubyte* texels = ilGetData();
  const std::size_t count = static_cast<std::size_t>(ilGetInteger(IL_IMAGE_WIDTH)) * ilGetInteger(IL_IMAGE_HEIGHT);
  if (texels == nullptr) return false;
  for (std::size_t i = 0; i < count; ++i)
    if (texels[i * 4 + 3] != 255) return false;
  return true;
}

void uploadMipmapped(const char* fileName) {
  loadImageOrWarn(fileName);
  conformCurrentImage(IL_BGRA);
  ImagePixels p = currentPixels();
  if (p.width > 0 && p.height > 0 && p.data != nullptr) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, p.width, p.height, GL_BGRA, GL_UNSIGNED_BYTE, p.data);
  }
}

}  // namespace

void Model::loadTextures() {
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    Shape& shape = shapes[i];
    if (shape.textures.empty() || !shape.textures.front().textured) continue;
    const std::string& name = shape.textures.front().fileName;
    // Consecutive shapes cut from one material share its textures.
    if (i > 0 && !shapes[i - 1].textures.empty() && shapes[i - 1].textures.front().fileName == name) {
      shape.texture = shapes[i - 1].texture;
      shape.mipmappedTexture = shapes[i - 1].mipmappedTexture;
      shape.opaqueTexels = shapes[i - 1].opaqueTexels;
      continue;
    }
    shape.texture = newImageName();
    glBindTexture(GL_TEXTURE_2D, shape.texture);
    uploadSingleLevel(name.c_str());
    shape.mipmappedTexture = newImageName();
    glBindTexture(GL_TEXTURE_2D, shape.mipmappedTexture);
    uploadMipmapped(name.c_str());
    shape.opaqueTexels = currentImageOpaque();
  }
  // The texture created last stays bound; drawing binds its own.
}

void loadReflectionCubeMap() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_CUBE_MAP);
  gEnvCubeTexture = newImageName();
  glBindTexture(GL_TEXTURE_CUBE_MAP, gEnvCubeTexture);
  const char* const kDark = "Data/Textures/Dark.jpg";
  if (!imageFileUsable(kDark) || !ilLoadImage(kDark)) std::printf("File Data\\Textures\\Dark.jpg not found\n");
  conformCurrentImage(IL_RGB);
  // Every face must match the 256 x 256 depth buffer it is rendered with.
  if (ilGetInteger(IL_IMAGE_WIDTH) != kEnvFaceSize || ilGetInteger(IL_IMAGE_HEIGHT) != kEnvFaceSize) {
    iluScale(kEnvFaceSize, kEnvFaceSize, 1);
  }
  ImagePixels p = currentPixels();
  static const GLenum kFaces[6] = {
      GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
      GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};
  for (GLenum face : kFaces) {
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_GENERATE_MIPMAP, GL_FALSE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(face, 0, GL_RGB8, p.width, p.height, 0, GL_RGB, GL_UNSIGNED_BYTE, p.data);
  }
  glDisable(GL_TEXTURE_CUBE_MAP);
  glEnable(GL_TEXTURE_2D);
}

GLuint loadPicture(const char* fileName) {
  GLuint name = newImageName();
  glBindTexture(GL_TEXTURE_2D, name);
  loadImageOrWarn(fileName);
  conformCurrentImage(IL_BGRA);
  ImagePixels p = currentPixels();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p.width, p.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, p.data);
  return name;
}
