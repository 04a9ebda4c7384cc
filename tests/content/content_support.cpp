#include "content_support.h"

#include <IL/il.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace content_test {

std::string gameDir() {
  const char* b = std::getenv("FIVELAPS_BINARY_DIR");
  return b ? std::string(b) + "/game" : std::string();
}

bool fileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ScannedShape mergedPart(const std::vector<ScannedShape>& shapes, const std::string& part) {
  ScannedShape out;
  // Positions the tiles share at their borders become one again, so that
  // edges can be followed across tiles.
  std::map<std::array<float, 3>, int> welded;
  for (const ScannedShape& s : shapes) {
    if (s.name.compare(0, part.size(), part) != 0) continue;
    if (out.name.empty()) {
      out.name = part;
      out.ambient = s.ambient, out.shininess = s.shininess, out.transparency = s.transparency;
      std::copy(s.diffuse, s.diffuse + 3, out.diffuse);
      std::copy(s.specular, s.specular + 3, out.specular);
      out.textured = s.textured;
      out.texture = s.texture;
    }
    std::vector<int> to(s.coords.size());
    for (size_t i = 0; i < s.coords.size(); ++i) {
      auto found = welded.emplace(s.coords[i], int(out.coords.size()));
      if (found.second) out.coords.push_back(s.coords[i]);
      to[i] = found.first->second;
    }
    auto at = [&to](int i) { return i >= 0 && size_t(i) < to.size() ? to[size_t(i)] : i; };
    const int n = int(out.normals.size()), t = int(out.texCoords.size());
    out.normals.insert(out.normals.end(), s.normals.begin(), s.normals.end());
    out.texCoords.insert(out.texCoords.end(), s.texCoords.begin(), s.texCoords.end());
    for (auto tri : s.coordIndex) out.coordIndex.push_back({at(tri[0]), at(tri[1]), at(tri[2])});
    for (auto tri : s.normalIndex) out.normalIndex.push_back({tri[0] + n, tri[1] + n, tri[2] + n});
    for (auto tri : s.texCoordIndex) out.texCoordIndex.push_back({tri[0] + t, tri[1] + t, tri[2] + t});
  }
  return out;
}

std::vector<ScannedShape> scanModel(const std::string& path) {
  std::vector<ScannedShape> shapes;
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return shapes;
  char line[256];
  float p3[3] = {0, 0, 0}, n3[3] = {0, 0, 0}, t2[2] = {0, 0};
  int ci[3] = {0, 0, 0}, ni[3] = {0, 0, 0}, ti[3] = {0, 0, 0};
  bool seenCoord = false, seenNormal = false, seenTex = false, seenCI = false, seenNI = false,
       seenTI = false, seenImage = false;
  auto next = [&]() { return std::fgets(line, 255, f) != nullptr; };
  char word[256];
  while (next()) {
    if (std::strstr(line, "DEF")) {
      shapes.emplace_back();
      if (std::sscanf(line, " DEF %255s", word) == 1) shapes.back().name = word;
      seenCoord = seenNormal = seenTex = seenCI = seenNI = seenTI = seenImage = false;
      if (!next() || !next() || !next()) break;
    }
    ScannedShape* s = shapes.empty() ? nullptr : &shapes.back();
    if (s && std::strstr(line, "ambientIntensity")) {
      std::sscanf(line, "%255s %f", word, &s->ambient);
      if (!next()) break;
    }
    if (s && std::strstr(line, "diffuseColor")) {
      std::sscanf(line, "%255s %f %f %f", word, &s->diffuse[0], &s->diffuse[1], &s->diffuse[2]);
      if (!next()) break;
    }
    if (s && std::strstr(line, "specularColor")) {
      std::sscanf(line, "%255s %f %f %f", word, &s->specular[0], &s->specular[1], &s->specular[2]);
      if (!next()) break;
    }
    if (s && std::strstr(line, "shininess")) {
      std::sscanf(line, "%255s %f", word, &s->shininess);
      if (!next()) break;
    }
    if (s && std::strstr(line, "transparency")) {
      std::sscanf(line, "%255s %f", word, &s->transparency);
      if (!next() || !next()) break;
    }
    if (s && std::strstr(line, "ImageTexture")) {
      seenImage = true;
      if (!next()) break;
    }
    if (s && seenImage && !seenCoord && std::strstr(line, ".tga")) {
      char name[256] = "";
      std::sscanf(line, "%255s \"%255s", word, name);
      std::string n(name, strnlen(name, 80));
      if (!n.empty() && n.back() == '"') n.pop_back();
      s->textured = true;
      s->texture = n;
    }
    bool comma = std::strchr(line, ',') != nullptr;
    if (s && std::strstr(line, "Coordinate")) seenCoord = true;
    if (s && seenCoord && !seenNormal && !seenTex && comma) {
      std::sscanf(line, "%f %f %f", &p3[0], &p3[1], &p3[2]);
      s->coords.push_back({p3[0], p3[1], p3[2]});
    }
    if (s && std::strstr(line, "Normal")) seenNormal = true;
    if (s && seenNormal && !seenCI && !seenTex && comma) {
      std::sscanf(line, "%f %f %f", &n3[0], &n3[1], &n3[2]);
      s->normals.push_back({n3[0], n3[1], n3[2]});
    }
    if (s && std::strstr(line, "TextureCoordinate")) seenTex = true;
    if (s && seenTex && !seenCI && comma) {
      std::sscanf(line, "%f %f", &t2[0], &t2[1]);
      s->texCoords.push_back({t2[0], t2[1]});
    }
    if (s && std::strstr(line, "coordIndex")) seenCI = true;
    if (s && seenCI && !seenNI && !seenTI && comma) {
      std::sscanf(line, "%i, %i, %i,", &ci[0], &ci[1], &ci[2]);
      s->coordIndex.push_back({ci[0], ci[1], ci[2]});
    }
    if (s && std::strstr(line, "normalIndex")) seenNI = true;
    if (s && seenNI && !seenTI && comma) {
      std::sscanf(line, "%i, %i, %i,", &ni[0], &ni[1], &ni[2]);
      s->normalIndex.push_back({ni[0], ni[1], ni[2]});
    }
    if (s && std::strstr(line, "texCoordIndex")) seenTI = true;
    if (s && seenTI && comma) {
      std::sscanf(line, "%i, %i, %i,", &ti[0], &ti[1], &ti[2]);
      s->texCoordIndex.push_back({ti[0], ti[1], ti[2]});
    }
    if (std::strstr(line, "EOF")) break;
  }
  std::fclose(f);
  return shapes;
}

bool loadPicture(const std::string& path, Picture& out) {
  static bool started = false;
  if (!started) {
    ilInit();
    started = true;
  }
  ILuint name = 0;
  ilGenImages(1, &name);
  ilBindImage(name);
  bool ok = ilLoadImage(path.c_str()) == IL_TRUE;
  if (ok) {
    out.width = ilGetInteger(IL_IMAGE_WIDTH);
    out.height = ilGetInteger(IL_IMAGE_HEIGHT);
    out.bytesPerPixel = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    out.format = ilGetInteger(IL_IMAGE_FORMAT);
    const uint8_t* d = ilGetData();
    out.data.assign(d, d + size_t(out.width) * out.height * out.bytesPerPixel);
    // The game takes rows as they come: a TGA must deliver the bottom row first.
    if (out.format == IL_BGRA && ilGetInteger(IL_IMAGE_ORIGIN) != IL_ORIGIN_LOWER_LEFT) ok = false;
  }
  ilDeleteImages(1, &name);
  return ok;
}

bool loadSound(const std::string& path, std::vector<float>& samples, int& rate) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  std::vector<float> frames(size_t(info.frames) * info.channels);
  sf_count_t n = sf_readf_float(f, frames.data(), info.frames);
  sf_close(f);
  samples.assign(size_t(n), 0.0f);
  for (size_t i = 0; i < size_t(n); ++i)
    for (int c = 0; c < info.channels; ++c) samples[i] += frames[i * info.channels + c] / info.channels;
  rate = info.samplerate;
  return n == info.frames && n > 0;
}

}  // namespace content_test
