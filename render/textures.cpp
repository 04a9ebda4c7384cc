// Textures through the image library: model textures, the reflection cube map
// and the full-screen pictures of HUD and menus. Every texture name is an
// image-library name used directly as the GL name.
#include <GL/glew.h>
#include <GL/glu.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdio>

#include "render/model.h"
#include "render/render.h"

namespace {

const int kEnvFaceSize = 256;

GLuint newImageName() {
  ILuint name = 0;
  ilGenImages(1, &name);
  return name;
}

// Loads into the library's current image; on failure the current image keeps
// whatever it held, and the upload goes on with that.
void loadImageOrWarn(const char* fileName) {
  if (!ilLoadImage(fileName)) std::printf("File %s not found\n", fileName);
}

// Uploads expect bottom-up rows of 8-bit channels in `format`. TGA files may
// be stored either way up and in other depths; convert rather than let GL
// read the bytes in the wrong layout.
void conformCurrentImage(ILenum format) {
  if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT) iluFlipImage();
  if (ilGetInteger(IL_IMAGE_FORMAT) != static_cast<ILint>(format) ||
      ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE) {
    ilConvertImage(format, IL_UNSIGNED_BYTE);
  }
}

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
      continue;
    }
    shape.texture = newImageName();
    glBindTexture(GL_TEXTURE_2D, shape.texture);
    uploadSingleLevel(name.c_str());
    shape.mipmappedTexture = newImageName();
    glBindTexture(GL_TEXTURE_2D, shape.mipmappedTexture);
    uploadMipmapped(name.c_str());
  }
  // The texture created last stays bound; drawing binds its own.
}

void loadReflectionCubeMap() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_CUBE_MAP);
  gEnvCubeTexture = newImageName();
  glBindTexture(GL_TEXTURE_CUBE_MAP, gEnvCubeTexture);
  if (!ilLoadImage("Data/Textures/Dark.jpg")) std::printf("File Data\\Textures\\Dark.jpg not found\n");
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
