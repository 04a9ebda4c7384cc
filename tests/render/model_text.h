// Model-file text for the render tests, laid out the way the game's model
// exporter writes it: one entry per line, DEF on each shape's first line.
#pragma once

#include <string>

namespace modeltext {

struct ShapeText {
  std::string name = "Body";
  std::string material =
      "      ambientIntensity 0.2\n"
      "      diffuseColor 0.8 0.1 0.1\n"
      "      specularColor 0.5 0.4 0.3\n"
      "      shininess 0.3\n"
      "      transparency 0.25\n"
      "    }\n";
  std::string texture;  // e.g. "Data/Textures/Road.tga"; empty: no texture node
  std::string points = "0 0 0,\n1 0 0,\n1 1 0,\n0 1 0,\n";
  std::string normals = "0 0 1,\n0 1 0,\n";
  std::string texPoints = "0 0,\n1 0,\n1 1,\n0 1,\n";
  std::string coordIndex = "0, 1, 2, -1,\n0, 2, 3, -1,\n";
  std::string normalIndex = "0, 0, 0, -1,\n0, 0, 0, -1,\n";
  std::string texCoordIndex = "0, 1, 2, -1,\n0, 2, 3, -1,\n";
};

inline std::string shapeText(const ShapeText& s) {
  std::string t = "DEF " + s.name + " Shape {\n  appearance Appearance {\n    material Material {\n";
  t += s.material;
  if (!s.texture.empty()) {
    t += "    texture ImageTexture {\n      url \"" + s.texture + "\"\n    }\n";
  }
  t += "  }\n  geometry IndexedFaceSet {\n";
  t += "    coord Coordinate {\n      point [\n" + s.points + "      ]\n    }\n";
  t += "    normal Normal {\n      vector [\n" + s.normals + "      ]\n    }\n";
  t += "    texCoord TextureCoordinate {\n      point [\n" + s.texPoints + "      ]\n    }\n";
  t += "    coordIndex [\n" + s.coordIndex + "    ]\n";
  t += "    normalIndex [\n" + s.normalIndex + "    ]\n";
  t += "    texCoordIndex [\n" + s.texCoordIndex + "    ]\n";
  t += "  }\n}\n";
  return t;
}

}  // namespace modeltext
