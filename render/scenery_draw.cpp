// The track and the placed scenery with frustum culling, and the switches
// that reach the models' own render settings.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

namespace {

// How each kind of placed object is transformed and bounded. The sphere
// centre sits `lift` above the record's position; houses scale both with the
// record's largest scale factor.
struct PlacedKind {
  Model Scenery::*model;
  Model Scenery::*farModel;  // nullptr: the model is drawn at every distance
  const std::vector<Placement>* placements;
  bool rotated;
  float lift;
  float radius;
  bool scaledBounds;
  bool alphaTest;  // false: never alpha-tested
};

// Outside the reflection faces the world is drawn multisampled, with alpha to
// coverage for the palm fronds' edges.
void beginWorldSamples(bool keepMultisample) {
  if (keepMultisample) return;
  glEnable(GL_MULTISAMPLE_ARB);
  glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
}

void endWorldSamples(bool keepMultisample) {
  if (keepMultisample) return;
  glDisable(GL_MULTISAMPLE_ARB);
  glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE_ARB);
}

float sq(float v) { return v * v; }

float squaredDistance(const float a[3], const float b[3]) {
  return sq(a[0] - b[0]) + sq(a[1] - b[1]) + sq(a[2] - b[2]);
}

// From how far away (at scale 1) a far version stands in for its model in a
// view of this focal length: where the two differ by at most a pixel.
float farVersionDistance(float focalPixels) {
  return focalPixels > 0 ? kFarVersionError * focalPixels / kFarVersionPixels : 0;
}

// Each shape across all the copies before the next shape: a kind's trunks,
// then its fronds, with the picture, material and alpha test set once for
// each, where drawing copy by copy switched them for every palm.
void drawCopies(const Model& model, const std::vector<const Placement*>& copies, const PlacedKind& kind,
                std::vector<int>& shapeOrder) {
  if (copies.empty()) return;
  model.passOrder(shapeOrder);
  for (int shape : shapeOrder) {
    model.beginShape(kind.alphaTest, shape);
    for (const Placement* p : copies) {
      // Push and pop rather than undo the transform: a record with a zero
      // scale would otherwise leave an infinite matrix for the rest of the view.
      glPushMatrix();
      glTranslatef(p->x, p->y, p->z);
      if (kind.rotated) glRotatef(p->yaw, 0.0f, 1.0f, 0.0f);
      glScalef(p->scaleX, p->scaleY, p->scaleZ);
      model.sendShape(shape);
      glPopMatrix();
    }
    model.endShape(kind.alphaTest, shape);
  }
}

}  // namespace

float maxOf3(const Placement& placement) {
  return std::max(placement.scaleX, std::max(placement.scaleY, placement.scaleZ));
}

void Scenery::draw(bool keepMultisample) {
  drawTrack(keepMultisample);
  drawPlaced(keepMultisample);
}

// The track file holds its road, kerbs, verges and ground in tiles, so a view
// draws only the tiles it can see, nearest first. With culling switched off it
// is drawn whole, in file order.
void Scenery::drawTrack(bool keepMultisample) {
  beginWorldSamples(keepMultisample);
  const bool alphaTest = gBlendOverride != 1;
  if (gFrustumCulling == 0) {
    track.draw(alphaTest, -1, 0);
  } else {
    orderVisibleShapes(track, viewFrustum, trackOrder);
    for (int i : trackOrder) track.draw(alphaTest, i, 0);
  }
  endWorldSamples(keepMultisample);
}

// The visible copies of each kind, the palms that cover only a few pixels in
// this view by their far versions, drawn after the near ones.
void Scenery::drawPlaced(bool keepMultisample) {
  beginWorldSamples(keepMultisample);
  const bool alphaTest = gBlendOverride != 1;
  const PlacedKind kinds[4] = {
      {&Scenery::palm, &Scenery::palmFar, &gPalmPlacements, false, 86.0f, 103.0f, false, alphaTest},
      {&Scenery::palm2, &Scenery::palm2Far, &gPalm2Placements, true, 86.0f, 200.0f, false, alphaTest},
      {&Scenery::bush, nullptr, &gBushPlacements, false, 0.0f, 68.0f, false, alphaTest},
      {&Scenery::house, nullptr, &gHousePlacements, true, 102.0f, 222.0f, true, false},
  };
  for (const PlacedKind& kind : kinds) {
    const Model* farModel = kind.farModel ? &(this->*kind.farModel) : nullptr;
    if (farModel && farModel->shapes.size() != (this->*kind.model).shapes.size()) farModel = nullptr;
    const float farFrom = farModel ? farVersionDistance(viewFrustum.focalPixels) : 0;
    visiblePlacements.clear();
    farPlacements.clear();
    for (const Placement& p : *kind.placements) {
      const float m = kind.scaledBounds ? maxOf3(p) : 1.0f;
      cullCentre[0] = p.x;
      cullCentre[1] = p.y + kind.lift * m;
      cullCentre[2] = p.z;
      if (gFrustumCulling != 0 &&
          !viewFrustum.sphereVisible(cullCentre[0], cullCentre[1], cullCentre[2], kind.radius * m)) {
        continue;
      }
      const bool far = farFrom > 0 && squaredDistance(cullCentre, viewFrustum.eye) > sq(farFrom * maxOf3(p));
      (far ? farPlacements : visiblePlacements).push_back(&p);
    }
    drawCopies(this->*kind.model, visiblePlacements, kind, shapeOrder);
    if (farModel) drawCopies(*farModel, farPlacements, kind, shapeOrder);
  }
  endWorldSamples(keepMultisample);
}

// ---- Function-key switches into the models they reach ------------------------

namespace {

template <typename Apply>
void forModels(std::initializer_list<Model*> models, Apply apply) {
  for (Model* model : models) apply(*model);
}

}  // namespace

void applyTexFilteringToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.palmFar, &gWorld.palm2Far, &gWorld.bush},
            [value](Model& m) { m.linearFiltering = value; });
}

void applyAnisotropyToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.palmFar, &gWorld.palm2Far, &gWorld.bush},
            [value](Model& m) { m.anisotropyMode = value; });
}

void applyMipmappingToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house},
            [value](Model& m) { m.mipmapping = value; });
}

void applyRenderPathToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.palmFar, &gWorld.palm2Far, &gWorld.bush},
            [value](Model& m) { m.renderMode = value; });
}

void applyDisplayListsToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.palmFar, &gWorld.palm2Far, &gWorld.bush},
            [value](Model& m) { m.useDisplayLists = value; });
}
