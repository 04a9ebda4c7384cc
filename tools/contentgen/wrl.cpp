// Model files: the line-oriented VRML subset the game's loader scans.
// The loader reads fixed keywords line by line, so the layout below matters:
// "DEF" only on a shape's first line, the material lines back to back in the
// order ambientIntensity, diffuseColor, specularColor, shininess, transparency
// (each one is read ahead by the one before), a throw-away line after
// transparency, the texture before the Coordinate section, one entry per line.
#include "contentgen.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

namespace content {

int Mesh::add(Vec3 p, Vec3 n, float s, float t) {
  pos.push_back(p);
  nrm.push_back(normalised(n));
  u.push_back(s);
  v.push_back(t);
  return int(pos.size()) - 1;
}

namespace {

// The triangles `picked` (first corners' offsets into m.tri) as a mesh of their own.
Mesh subMesh(const Mesh& m, const std::vector<size_t>& picked, const std::string& name) {
  Mesh tile;
  tile.name = name;
  tile.mat = m.mat;
  tile.texture = m.texture;
  const bool mapped = m.u.size() == m.pos.size() && m.v.size() == m.pos.size();
  std::vector<int> to(m.pos.size(), -1);
  for (size_t t : picked) {
    int corner[3];
    for (int k = 0; k < 3; ++k) {
      const int from = m.tri[t + k];
      if (to[from] < 0) {
        to[from] = int(tile.pos.size());
        tile.pos.push_back(m.pos[from]);
        tile.nrm.push_back(m.nrm[from]);
        if (mapped) tile.u.push_back(m.u[from]), tile.v.push_back(m.v[from]);
      }
      corner[k] = to[from];
    }
    tile.triangle(corner[0], corner[1], corner[2]);
  }
  return tile;
}

struct TileSplit {
  const Mesh& m;
  const std::vector<Vec3>& centroid;  // per triangle
  size_t maxTriangles;
  float minSize;
  std::vector<Mesh> out;

  void split(const std::vector<size_t>& picked, float x0, float z0, float size) {
    if (picked.empty()) return;
    if (picked.size() <= maxTriangles || size <= minSize) {
      out.push_back(subMesh(m, picked, m.name + "_" + std::to_string(out.size())));
      return;
    }
    const float half = size / 2;
    std::vector<size_t> quarter[4];
    for (size_t t : picked) {
      const Vec3& c = centroid[t / 3];
      quarter[(c.x >= x0 + half ? 1 : 0) + (c.z >= z0 + half ? 2 : 0)].push_back(t);
    }
    for (int q = 0; q < 4; ++q) split(quarter[q], x0 + (q & 1) * half, z0 + (q >> 1) * half, half);
  }
};

}  // namespace

std::vector<Mesh> splitIntoTiles(const Mesh& m, size_t maxTriangles, float minSize) {
  std::vector<Vec3> centroid;
  std::vector<size_t> all;
  float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
  for (size_t t = 0; t + 2 < m.tri.size(); t += 3) {
    const Vec3 c = (m.pos[m.tri[t]] + m.pos[m.tri[t + 1]] + m.pos[m.tri[t + 2]]) * (1.0f / 3);
    centroid.push_back(c);
    all.push_back(t);
    lo[0] = std::min(lo[0], c.x), lo[1] = std::min(lo[1], c.z);
    hi[0] = std::max(hi[0], c.x), hi[1] = std::max(hi[1], c.z);
  }
  TileSplit tiles{m, centroid, maxTriangles, minSize, {}};
  if (!all.empty()) {
    // A hair over the centroids' extent, so that the largest ones fall inside.
    const float size = std::max(hi[0] - lo[0], hi[1] - lo[1]) * 1.0001f + 1.0f;
    tiles.split(all, lo[0], lo[1], size);
  }
  return std::move(tiles.out);
}

void Mesh::flatTri(Vec3 a, Vec3 b, Vec3 c, Vec3 out) {
  Vec3 n = cross(b - a, c - a);
  if (length(n) < 1e-9f) return;  // degenerate: nothing to draw or collide with
  if (dot(n, out) < 0) std::swap(b, c), n = n * -1.0f;
  int i = add(a, n), j = add(b, n), k = add(c, n);
  triangle(i, j, k);
}

void Mesh::flatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 out) {
  flatTri(a, b, c, out);
  flatTri(a, c, d, out);
}

size_t ModelFile::triangleCount() const {
  size_t n = 0;
  for (const Mesh& m : shapes) n += m.triangleCount();
  return n;
}

namespace {
struct Writer {
  FILE* f;
  void line(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};
void Writer::line(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(f, fmt, ap);
  va_end(ap);
  std::fputc('\n', f);
}

// Prints without a negative zero, so identical geometry gives identical text.
float tidy(float v, float step) {
  float r = std::round(v / step) * step;
  return r == 0 ? 0.0f : r;
}

void writeShape(Writer& w, const Mesh& m, int index) {
  bool textured = !m.texture.empty();
  w.line("DEF %s_%d Transform {", m.name.c_str(), index);
  w.line("  children [");
  w.line("    Shape {");
  w.line("      appearance Appearance {");
  w.line("        material Material {");
  w.line("          ambientIntensity %.4f", m.mat.ambient);
  w.line("          diffuseColor %.4f %.4f %.4f", m.mat.diffuse.x, m.mat.diffuse.y, m.mat.diffuse.z);
  w.line("          specularColor %.4f %.4f %.4f", m.mat.specular.x, m.mat.specular.y,
         m.mat.specular.z);
  w.line("          shininess %.4f", m.mat.shininess);
  w.line("          transparency %.4f", m.mat.transparency);
  w.line("        }");
  if (textured) {
    w.line("        texture ImageTexture {");
    w.line("          url \"%s\"", m.texture.c_str());
    w.line("        }");
  }
  w.line("      }");
  w.line("      geometry IndexedFaceSet {");
  w.line("        coord Coordinate {");
  w.line("          point [");
  for (const Vec3& p : m.pos)
    w.line("            %.3f %.3f %.3f,", tidy(p.x, 0.001f), tidy(p.y, 0.001f), tidy(p.z, 0.001f));
  w.line("          ]");
  w.line("        }");
  w.line("        normal Normal {");
  w.line("          vector [");
  for (const Vec3& n : m.nrm)
    w.line("            %.4f %.4f %.4f,", tidy(n.x, 1e-4f), tidy(n.y, 1e-4f), tidy(n.z, 1e-4f));
  w.line("          ]");
  w.line("        }");
  if (textured) {
    w.line("        texCoord TextureCoordinate {");
    w.line("          point [");
    for (size_t i = 0; i < m.u.size(); ++i)
      w.line("            %.4f %.4f,", tidy(m.u[i], 1e-4f), tidy(m.v[i], 1e-4f));
    w.line("          ]");
    w.line("        }");
  }
  const char* lists[3] = {"coordIndex", "normalIndex", "texCoordIndex"};
  for (int l = 0; l < (textured ? 3 : 2); ++l) {
    w.line("        %s [", lists[l]);
    for (size_t t = 0; t + 2 < m.tri.size(); t += 3)
      w.line("          %d, %d, %d, -1,", m.tri[t], m.tri[t + 1], m.tri[t + 2]);
    w.line("        ]");
  }
  w.line("      }");
  w.line("    }");
  w.line("  ]");
  w.line("}");
}
}  // namespace

bool writeModel(const std::string& path, const ModelFile& model) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  Writer w{f};
  w.line("#VRML V2.0 utf8");
  for (size_t i = 0; i < model.shapes.size(); ++i) writeShape(w, model.shapes[i], int(i));
  return std::fclose(f) == 0;
}

}  // namespace content
