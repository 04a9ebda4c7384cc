// Loading a model file into GL: the scan, then textures, buffer objects and
// display lists built from the scanned arrays.
#include <cstdio>
#include <fstream>

#include "render/model.h"
#include "render/render.h"

Model gSkyModel;
Model gCarModel;
Model gWheelModel;

void Model::load(const char* name) {
  fileName = name;
  const bool haveBuffers = fetchVertexBufferEntryPoints();
  std::ifstream file(name);
  if (file) {
    int ignored = scan(file);
    if (ignored > 0) std::printf("%s: %d indices name nothing and were ignored\n", name, ignored);
    if (truncated) std::printf("%s: more than %d entries; the rest was not loaded\n", name, kMaxModelEntries);
  } else {
    shapes.clear();
    shapeCount = 0;
  }
  loadTextures();
  if (haveBuffers) buildVertexBuffers();
  buildDisplayLists();
}

void Model::buildVertexBuffers() {
  for (Shape& shape : shapes) {
    glGenBuffersARB(1, &shape.vertexBuffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, shape.vertexBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, shape.vertices.size() * sizeof(ModelVertex),
                    shape.vertices.data(), GL_STATIC_DRAW_ARB);
    glGenBuffersARB(1, &shape.indexBuffer);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, shape.indexBuffer);
    glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, shape.indices.size() * sizeof(int),
                    shape.indices.data(), GL_STATIC_DRAW_ARB);
  }
  // Left bound on purpose: every draw path binds the buffers it needs.
}

void Model::buildDisplayLists() {
  for (Shape& shape : shapes) {
    const bool textured = !shape.textures.empty() && shape.textures.front().textured;
    shape.displayList = glGenLists(1);
    glNewList(shape.displayList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (int index : shape.indices) {
      const ModelVertex& v = shape.vertices[index];
      if (textured) glTexCoord2f(v.s, v.t);
      glNormal3f(v.nx, v.ny, v.nz);
      glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
    glEndList();
  }
}
