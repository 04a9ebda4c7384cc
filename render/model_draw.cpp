// Drawing a model: opaque, transparent and textured shapes in three passes,
// through the geometry path the player has chosen for the model.
#include <cstring>

#include "render/model.h"
#include "render/render.h"

long gTrianglesSent = 0;

namespace {

enum Pass { kOpaquePass = 1, kTransparentPass = 2, kTexturedPass = 3 };

// Up to this transparency an untextured shape is drawn as opaque.
const float kOpaqueLimit = 0.1f;
// The alpha test keeps fragments more opaque than this.
const float kAlphaCut = 0.4f;

// Every shape's opacity is scaled by this, and reflections are off, while a
// translucent copy is drawn.
float gOpacity = 1.0f;

bool isTextured(const Shape& shape) {
  return !shape.textures.empty() && shape.textures.front().textured;
}

// The car's paint (shapes 0 and 3) and the wheel's rim (shape 2) mirror the
// surroundings rendered into the cube map.
bool isReflective(const Model& model, int shapeIndex) {
  if (model.fileName == "Data/Models/Car.wrl") return shapeIndex == 0 || shapeIndex == 3;
  if (model.fileName == "Data/Models/Wheel.wrl") return shapeIndex == 2;
  return false;
}

void applyMaterial(const Shape& shape, float shininessScale) {
  const float ambientDiffuse[4] = {shape.diffuseColor[0], shape.diffuseColor[1],
                                   shape.diffuseColor[2], (1.0f - shape.transparency) * gOpacity};
  const float specular[4] = {shape.specularColor[0], shape.specularColor[1],
                             shape.specularColor[2], 1.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, ambientDiffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT, GL_SHININESS, shape.shininess * shininessScale);
}

// The lit colour is added to the reflected one, biased by -0.5 (the combiner's
// sources stay at their defaults).
void beginReflection(GLuint cubeMap) {
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_ADD_SIGNED);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_GEN_R);
  glEnable(GL_TEXTURE_CUBE_MAP);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
}

void endReflection() {
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

void setTextureFilters(int mipmapping, int linearFiltering) {
  GLint minFilter = 0, magFilter = 0;
  if (mipmapping == 1 && linearFiltering == 1) {
    minFilter = GL_LINEAR_MIPMAP_LINEAR, magFilter = GL_LINEAR;
  } else if (mipmapping == 1 && linearFiltering == 0) {
    minFilter = GL_NEAREST_MIPMAP_NEAREST, magFilter = GL_NEAREST;
  } else if (mipmapping == 0 && linearFiltering == 1) {
    minFilter = GL_LINEAR, magFilter = GL_LINEAR;
  } else if (mipmapping == 0 && linearFiltering == 0) {
    minFilter = GL_NEAREST, magFilter = GL_NEAREST;
  } else {
    return;
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

void drawImmediate(const Shape& shape, bool withTexCoords) {
  glBegin(GL_TRIANGLES);
  for (int index : shape.indices) {
    const ModelVertex& v = shape.vertices[index];
    if (withTexCoords) glTexCoord2f(v.s, v.t);
    glNormal3f(v.nx, v.ny, v.nz);
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
}

// Sends one shape's triangles by the model's path. The client arrays that
// glInterleavedArrays enables stay enabled: every path sets what it uses.
void sendGeometry(const Model& model, const Shape& shape, Pass pass) {
  const GLsizei count = static_cast<GLsizei>(shape.indices.size());
  gTrianglesSent += count / 3;
  int path = model.renderMode;
  // Without buffer objects the same arrays are sent from client memory.
  if (path == 0 && (!vertexBuffersAvailable() || shape.vertexBuffer == 0)) path = 1;
  if (path == 0) {
    bindModelBuffers(shape.vertexBuffer, shape.indexBuffer);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
    if (count > 0) glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
  } else if (path == 1) {
    bindModelBuffers(0, 0);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, shape.vertices.data());
    if (count > 0) glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, shape.indices.data());
  } else if (path == 2 && model.useDisplayLists == 0) {
    if (pass != kOpaquePass) bindModelBuffers(0, 0);
    drawImmediate(shape, pass == kTexturedPass);
  } else {
    bindModelBuffers(0, 0);
    glCallList(shape.displayList);
  }
}

Pass passOf(const Shape& shape) {
  if (isTextured(shape)) return kTexturedPass;
  return shape.transparency <= kOpaqueLimit ? kOpaquePass : kTransparentPass;
}

bool reflects(const Model& model, int i) {
  return passOf(model.shapes[i]) == kOpaquePass && gOpacity == 1.0f && isReflective(model, i);
}

// On an opaque picture the alpha test passes every fragment; left out, a
// software renderer can turn hidden fragments away by depth before shading them.
bool cutsOut(const Shape& shape, bool alphaTest) {
  return alphaTest && !(shape.opaqueTexels && 1.0f - shape.transparency > kAlphaCut);
}

// A fully opaque textured shape leaves what is behind it untouched however it
// is blended; without blending a software renderer need not read the colour
// buffer back for it. Blending is back on after it, as callers expect.
bool drawnWithoutBlending(const Shape& shape, bool alphaTest) {
  return shape.opaqueTexels && shape.transparency == 0.0f && gOpacity == 1.0f && !cutsOut(shape, alphaTest);
}

void beginUntexturedShape(const Model& model, int i, Pass pass) {
  const Shape& shape = model.shapes[i];
  glEnable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  applyMaterial(shape, pass == kOpaquePass ? 127.0f : 1.0f);
  if (reflects(model, i)) beginReflection(model.reflectionCubeMap);
}

void beginTexturedShape(const Model& model, int i, bool alphaTest) {
  const Shape& shape = model.shapes[i];
  if (drawnWithoutBlending(shape, alphaTest)) {
    glDisable(GL_BLEND);
  } else {
    glEnable(GL_BLEND);
  }
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_CULL_FACE);  // textured shapes are two-sided
  applyMaterial(shape, 1.0f);
  glBindTexture(GL_TEXTURE_2D, model.mipmapping == 1 ? shape.mipmappedTexture : shape.texture);
  setTextureFilters(model.mipmapping, model.linearFiltering);
  if (model.anisotropyMode == 1) {
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, model.maxAnisotropy);
  } else if (model.anisotropyMode == 0) {
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
  }
  if (cutsOut(shape, alphaTest)) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, kAlphaCut);
  }
}

}  // namespace

void Model::beginShape(bool alphaTest, int i) const {
  const Pass pass = passOf(shapes[i]);
  if (pass == kTexturedPass) {
    beginTexturedShape(*this, i, alphaTest);
  } else {
    beginUntexturedShape(*this, i, pass);
  }
}

void Model::sendShape(int i) const { sendGeometry(*this, shapes[i], passOf(shapes[i])); }

void Model::endShape(bool alphaTest, int i) const {
  if (reflects(*this, i)) endReflection();
  if (passOf(shapes[i]) != kTexturedPass) return;
  if (cutsOut(shapes[i], alphaTest)) glDisable(GL_ALPHA_TEST);
  if (drawnWithoutBlending(shapes[i], alphaTest)) glEnable(GL_BLEND);
}

// Restores nothing on purpose: blending stays on, and culling and 2D texturing
// stay as the last shape's pass left them; callers rely on the fixed state
// that initialisation set and on each pass setting what it needs.
void Model::draw(bool alphaTest, int shapeIndex, int /*reserved*/) const {
  const int count = static_cast<int>(shapes.size());
  auto drawShape = [&](int i) {
    beginShape(alphaTest, i);
    sendShape(i);
    endShape(alphaTest, i);
  };
  if (shapeIndex != -1) {
    if (shapeIndex >= 0 && shapeIndex < count) drawShape(shapeIndex);
    return;
  }
  for (Pass pass : {kOpaquePass, kTransparentPass, kTexturedPass}) {
    for (int i = 0; i < count; ++i) {
      if (passOf(shapes[i]) == pass) drawShape(i);
    }
  }
}

void Model::passOrder(std::vector<int>& order) const {
  order.clear();
  for (Pass pass : {kOpaquePass, kTransparentPass, kTexturedPass}) {
    for (int i = 0; i < static_cast<int>(shapes.size()); ++i) {
      if (passOf(shapes[i]) == pass) order.push_back(i);
    }
  }
}

void Model::drawTranslucent(float opacity) const {
  gOpacity = opacity;
  draw(false, -1, 0);
  gOpacity = 1.0f;
}
