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

// Each shape of a kind across all its visible copies before the next shape:
// a kind's trunks, then its fronds, with the picture, material and alpha test
// set once for each, where drawing copy by copy switched them for every palm.
void Scenery::drawPlaced(bool keepMultisample) {
  beginWorldSamples(keepMultisample);
  const bool alphaTest = gBlendOverride != 1;
  const PlacedKind kinds[4] = {
      {&Scenery::palm, &gPalmPlacements, false, 86.0f, 103.0f, false, alphaTest},
      {&Scenery::palm2, &gPalm2Placements, true, 86.0f, 200.0f, false, alphaTest},
      {&Scenery::bush, &gBushPlacements, false, 0.0f, 68.0f, false, alphaTest},
      {&Scenery::house, &gHousePlacements, true, 102.0f, 222.0f, true, false},
  };
  for (const PlacedKind& kind : kinds) {
    const Model& model = this->*kind.model;
    visiblePlacements.clear();
    for (const Placement& p : *kind.placements) {
      const float m = kind.scaledBounds ? maxOf3(p) : 1.0f;
      cullCentre[0] = p.x;
      cullCentre[1] = p.y + kind.lift * m;
      cullCentre[2] = p.z;
      if (gFrustumCulling != 0 &&
          !viewFrustum.sphereVisible(cullCentre[0], cullCentre[1], cullCentre[2], kind.radius * m)) {
        continue;
      }
      visiblePlacements.push_back(&p);
    }
    if (visiblePlacements.empty()) continue;
    model.passOrder(shapeOrder);
    for (int shape : shapeOrder) {
      model.beginShape(kind.alphaTest, shape);
      for (const Placement* p : visiblePlacements) {
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
             &gWorld.bush},
            [value](Model& m) { m.linearFiltering = value; });
}

void applyAnisotropyToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.anisotropyMode = value; });
}

void applyMipmappingToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gWheelModel, &gWorld.house},
            [value](Model& m) { m.mipmapping = value; });
}

void applyRenderPathToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.renderMode = value; });
}

void applyDisplayListsToModels(int value) {
  forModels({&gSkyModel, &gWorld.track, &gCarModel, &gWorld.house, &gWorld.palm, &gWorld.palm2,
             &gWorld.bush},
            [value](Model& m) { m.useDisplayLists = value; });
}
